#include "ui/catalogue/EntryEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <span>

#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CatalogueRules.h"
#include "core/net/RtspAddress.h"
#include "core/net/TlsSession.h"
#include "core/net/Url.h"
#include "ui/app/Dialogs.h"
#include "ui/app/TrustQuestion.h"
#include "ui/catalogue/AuthField.h"
#include "ui/catalogue/ConnectionTest.h"
#include "ui/catalogue/EditorText.h"
#include "ui/catalogue/EditorWidgets.h"
#include "ui/catalogue/RadioGroup.h"

namespace vexilon {

namespace {

constexpr int kWidth = 550;
constexpr int kHeight = 304;

// The Format buttons, in the order they are shown.
constexpr std::array kFormatChoices{TStreamFormat::Auto, TStreamFormat::Vod, TStreamFormat::Html,
                                    TStreamFormat::Webcam32};

int FormatIndex(TStreamFormat format) {
  const auto* found = std::find(kFormatChoices.begin(), kFormatChoices.end(), format);
  return found == kFormatChoices.end() ? 0 : int(found - kFormatChoices.begin());
}

QSpinBox* Spin(QWidget* parent, const char* name, int minimum, int maximum, int value) {
  auto* spin = Named(new QSpinBox(parent), name);
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  return spin;
}

QCheckBox* SimpleGet(QWidget* parent, const char* name) {
  auto* box = Named(new QCheckBox(QStringLiteral("Send simple 'GET' request"), parent), name);
  box->setChecked(true);
  return box;
}

// The address and the fields that follow it as label and field rows, the headers (the last
// pair) below them.
void AddConnectionRows(QGridLayout* grid, std::span<QLabel* const> labels,
                       std::span<QWidget* const> fields) {
  const int rows = int(labels.size()) - 1;
  for (int row = 0; row < rows; ++row) {
    grid->addWidget(labels[std::size_t(row)], row, 0);
    grid->addWidget(fields[std::size_t(row)], row, 1);
  }
  grid->addWidget(labels.back(), rows, 0, 1, 2);
  grid->addWidget(fields.back(), rows + 1, 0, 1, 2);
  grid->setRowStretch(rows + 1, 1);
  grid->setColumnStretch(1, 1);
}

}  // namespace

TfrmEntry::TfrmEntry(QWidget* parent) : QDialog(parent) {
  setObjectName("frmEntry");
  setWindowTitle(QStringLiteral("Camera Properties"));
  setSizeGripEnabled(true);

  edtName = Named(new QLineEdit(QStringLiteral("New Entry"), this), "edtName");
  auto* top = new QHBoxLayout;
  top->addWidget(Label(this, "lblName", "Name", edtName));
  top->addWidget(edtName, 1);

  FPages = Named(new QTabWidget(this), "pgcConnections");
  FPages->setTabPosition(QTabWidget::East);
  FPages->addTab(BuildVideoPage(), QStringLiteral("Video"));
  FPages->addTab(BuildAudioPage(), QStringLiteral("Audio"));
  FPages->setCurrentIndex(0);

  auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), "btnOk");
  ok->setDefault(true);
  auto* cancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
  connect(ok, &QPushButton::clicked, this, &TfrmEntry::btnOkClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(6);
  layout->addLayout(top);
  layout->addWidget(FPages, 1);
  layout->addLayout(buttons);

  SetTabOrderAndTips();
  resize(kWidth, kHeight);
  CentreOnScreen(*this);
}

void TfrmEntry::SetTabOrderAndTips() {
  // Top to bottom, as the fields are read; the page tabs come after the fields.
  QWidget* const order[] = {edtName,
                            edtWEB,
                            cmbRtspTransport,
                            edtCertPin,
                            edtAuth->User(),
                            edtAuth->Password(),
                            edtPrefix,
                            edtSuffix,
                            mHeaders,
                            chkSimpleGET,
                            spnWidth,
                            spnHeight,
                            spnInterval,
                            edtAudioWEB,
                            edtAudioAuth->User(),
                            edtAudioAuth->Password(),
                            edtAudioPrefix,
                            edtAudioSuffix,
                            memoAudioHeaders,
                            chkAudioSimpleGet};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  edtWEB->setToolTip(QStringLiteral(
      "The camera's address, such as http://192.168.1.20/video.mjpg; with a prefix (here or "
      "in the group) only the part after it"));
  cmbRtspTransport->setToolTip(QStringLiteral(
      "How an rtsp:// camera sends its pictures: over TCP they pass firewalls and NAT; over "
      "UDP they may come sooner but are often blocked"));
  edtCertPin->setToolTip(QStringLiteral(
      "The SHA-256 fingerprint of an https:// camera's own certificate, trusted although no "
      "known authority signed it; empty it to forget the certificate"));
  edtAuth->setToolTip(QStringLiteral("User name and password, when the camera asks for them"));
  edtPrefix->setToolTip(QStringLiteral(
      "Put in front of the address, for example http://camera.example:8080/ shared by a group"));
  edtSuffix->setToolTip(QStringLiteral(
      "Added after the address, for example ?resolution=640x480; may hold items that are "
      "fetched afresh for each connection"));
  mHeaders->setToolTip(QStringLiteral("Extra request lines, one \"Name: value\" a line"));
  chkSimpleGET->setToolTip(QStringLiteral(
      "Ask with the path alone (GET /video) instead of the whole address; some cameras "
      "and proxies want one or the other"));
  grpFormat->setToolTip(QStringLiteral(
      "How the camera frames its pictures: auto finds server push, tagged parts and single "
      "pictures; video/vod: a 12-byte header before each picture; webcam32: a text preamble, "
      "then a 4-byte length before each picture; html: pages of text"));
  spnInterval->setToolTip(
      QStringLiteral("The wait before asking again, for cameras that send one picture a time"));
}

void TfrmEntry::SetFolder(const TCamRoot* folder) {
  FFolder = folder;
  UpdateAddressKind();
}

std::string TfrmEntry::OpenedAddress() const {
  // The group's prefix when the entry has none.
  TCamItem draft(nullptr);
  draft.Video().Prefix = FPublished ? FPublishedPrefix : ToBytes(edtPrefix->text());
  const std::string web = FPublished ? FPublishedWeb : ToBytes(edtWEB->text());
  return EffectiveConnection(draft, FFolder).Prefix + web;
}

void TfrmEntry::UpdateAddressKind() {
  const std::string address = OpenedAddress();
  cmbRtspTransport->setEnabled(IsRtspAddress(address));
  // A pin already kept stays editable, so that it can be forgotten whatever the address.
  edtCertPin->setEnabled(IsHttpsUrl(address) || !edtCertPin->text().isEmpty());
}

void TfrmEntry::btnOkClick() {
  // An address of its own that names no host can never work; a partial one may, with the
  // prefix of its group.
  const QString address = edtPrefix->text() + edtWEB->text();
  const qsizetype scheme = address.indexOf(QStringLiteral("://"));
  const QString host =
      scheme < 0 ? QString() : address.mid(scheme + 3).section(QLatin1Char('/'), 0, 0);
  const bool schemeOk = scheme > 0 && address.left(scheme).contains(QRegularExpression(
                                          QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*$")));
  if (!FPublished && ((scheme >= 0 && (!schemeOk || host.isEmpty())) ||
                      (scheme < 0 && address.contains(QStringLiteral("//"))))) {
    TDialogs::Error(this, QStringLiteral("The web address needs a scheme and a host, for "
                                         "example http://192.168.1.20/video.mjpg"));
    edtWEB->setFocus();
    return;
  }
  const std::string pin = ToBytes(edtCertPin->text().trimmed());
  if (!pin.empty() && !IsFingerprint(pin)) {
    TDialogs::Error(this, QStringLiteral("A certificate's SHA-256 fingerprint has 64 hexadecimal "
                                         "digits, for example AB:CD:01:…; leave it empty to "
                                         "trust only known authorities"));
    FPages->setCurrentIndex(0);
    edtCertPin->setFocus();
    return;
  }
  accept();
}

void TfrmEntry::btnTestClick() {
  TCamItem draft(nullptr);
  StoreToEntry(draft);
  TVideoConnect video;
  video.SetRecordText(draft.Video().GetRecordText());
  ApplyByPath(EffectiveConnection(draft, FFolder), video);
  lblTestResult->setText(QStringLiteral("Testing\u2026"));
  lblTestResult->show();
  FTest->Start(video);
}

void TfrmEntry::OfferToTrust(const std::string& fingerprint, const std::string& why) {
  if (!AskToTrustCertificate(this, UrlHost(OpenedAddress()), ToBytes(edtCertPin->text().trimmed()),
                             fingerprint, why)) {
    return;
  }
  edtCertPin->setEnabled(true);
  edtCertPin->setText(FromBytes(fingerprint));
  btnTestClick();  // and now whether pictures come
}

QWidget* TfrmEntry::BuildVideoPage() {
  auto* page = Named(new QWidget, "tabVideo");
  edtWEB = Named(new QLineEdit(page), "edtWEB");
  edtAuth = new TAuthField("edtAuth", page);
  edtPrefix = Named(new QLineEdit(page), "edtPrefix");
  edtSuffix = Named(new QLineEdit(page), "edtSuffix");
  mHeaders = HeadersField(page, "mHeaders");
  lblWEB = Label(page, "lblWEB", "Web Address", edtWEB);
  lblPrefix = Label(page, "lblPrefix", "Prefix", edtPrefix);
  lblSuffix = Label(page, "lblSuffix", "Suffix", edtSuffix);
  lblHeaders = Label(page, "lblHeaders", "Additional Internet Headers", mHeaders);
  cmbRtspTransport = Named(new QComboBox(page), "cmbRtspTransport");
  cmbRtspTransport->addItems({QStringLiteral("RTSP over TCP"), QStringLiteral("RTP over UDP")});
  cmbRtspTransport->setEnabled(false);
  connect(edtWEB, &QLineEdit::textChanged, this, &TfrmEntry::UpdateAddressKind);
  connect(edtPrefix, &QLineEdit::textChanged, this, &TfrmEntry::UpdateAddressKind);
  edtCertPin = Named(new QLineEdit(page), "edtCertPin");
  edtCertPin->setPlaceholderText(QStringLiteral("Only certificates of known authorities"));
  edtCertPin->setEnabled(false);
  QLabel* const labels[7] = {lblWEB,
                             Label(page, "lblRtspTransport", "Transport", cmbRtspTransport),
                             Label(page, "lblCertPin", "Trusted Certificate", edtCertPin),
                             Label(page, "lblAuth", "Authorization", edtAuth),
                             lblPrefix,
                             lblSuffix,
                             lblHeaders};
  // The address with the line where Test tells what came back.
  auto* address = new QWidget(page);
  lblTestResult = Named(new QLabel(address), "lblTestResult");
  lblTestResult->setWordWrap(true);
  lblTestResult->hide();
  auto* addressColumn = new QVBoxLayout(address);
  addressColumn->setContentsMargins(0, 0, 0, 0);
  addressColumn->setSpacing(2);
  addressColumn->addWidget(edtWEB);
  addressColumn->addWidget(lblTestResult);
  QWidget* const fields[7] = {address,   cmbRtspTransport, edtCertPin, edtAuth,
                              edtPrefix, edtSuffix,        mHeaders};
  FTest = new TConnectionTest(this);
  connect(FTest, &TConnectionTest::Finished, this, [this](const QString& report) {
    lblTestResult->setText(report);
    lblTestResult->show();
  });
  connect(FTest, &TConnectionTest::Untrusted, this, &TfrmEntry::OfferToTrust);

  chkSimpleGET = SimpleGet(page, "chkSimpleGET");
  grpFormat = new TRadioGroup("grpFormat", QStringLiteral("Format"),
                              {QStringLiteral("auto"), QStringLiteral("video/vod"),
                               QStringLiteral("html"), QStringLiteral("webcam32")},
                              page);
  grpFormat->SetItemIndex(0);
  spnWidth = Spin(page, "spnWidth", 1, 1024, 320);
  spnHeight = Spin(page, "spnHeight", 1, 768, 240);
  spnInterval = Spin(page, "spnInterval", 1, 9999999, 1000);

  auto* sizes = new QGridLayout;
  sizes->addWidget(Label(page, "lblWidth", "Default Width", spnWidth), 0, 0);
  sizes->addWidget(spnWidth, 0, 1);
  sizes->addWidget(Label(page, "lblHeight", "Default Height", spnHeight), 1, 0);
  sizes->addWidget(spnHeight, 1, 1);
  sizes->addWidget(Label(page, "lblInterval", "Update Interval (in ms)", spnInterval), 2, 0);
  sizes->addWidget(spnInterval, 2, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(grpFormat);
  right->addWidget(chkSimpleGET);
  right->addLayout(sizes);
  right->addStretch(1);
  auto* test = Named(new QPushButton(QStringLiteral("&Test"), page), "btnTest");
  test->setAutoDefault(false);
  test->setToolTip(QStringLiteral("Connect with these values and say what comes back"));
  connect(test, &QPushButton::clicked, this, &TfrmEntry::btnTestClick);
  right->addWidget(test);

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 6, 6, 6);
  AddConnectionRows(grid, labels, fields);
  grid->addLayout(right, 0, 2, grid->rowCount(), 1);
  return page;
}

QWidget* TfrmEntry::BuildAudioPage() {
  auto* page = Named(new QWidget, "tabAudio");
  edtAudioWEB = Named(new QLineEdit(page), "edtAudioWEB");
  edtAudioAuth = new TAuthField("edtAudioAuth", page);
  edtAudioPrefix = Named(new QLineEdit(page), "edtAudioPrefix");
  edtAudioSuffix = Named(new QLineEdit(page), "edtAudioSuffix");
  memoAudioHeaders = HeadersField(page, "memoAudioHeaders");
  lblAudioWEB = Label(page, "lblAudioWEB", "Web Address", edtAudioWEB);
  lblAudioPrefix = Label(page, "lblAudioPrefix", "Prefix", edtAudioPrefix);
  lblAudioSuffix = Label(page, "lblAudioSuffix", "Suffix", edtAudioSuffix);
  lblAudioHeaders = Label(page, "lblAudioHeaders", "Additional Internet Headers", memoAudioHeaders);
  QLabel* const labels[5] = {lblAudioWEB,
                             Label(page, "lblAudioAuth", "Authorization", edtAudioAuth),
                             lblAudioPrefix, lblAudioSuffix, lblAudioHeaders};
  QWidget* const fields[5] = {edtAudioWEB, edtAudioAuth, edtAudioPrefix, edtAudioSuffix,
                              memoAudioHeaders};

  chkAudioSimpleGet = SimpleGet(page, "chkAudioSimpleGet");
  rgAudioFormat =
      new TRadioGroup("rgAudioFormat", QStringLiteral("Format"),
                      {QStringLiteral("none or embedded"), QStringLiteral(".au")}, page);
  rgAudioFormat->SetItemIndex(0);
  auto* right = new QVBoxLayout;
  right->addWidget(rgAudioFormat);
  right->addWidget(chkAudioSimpleGet);
  right->addStretch(1);

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 6, 6, 6);
  AddConnectionRows(grid, labels, fields);
  grid->addLayout(right, 0, 2, grid->rowCount(), 1);
  return page;
}

void TfrmEntry::HidePublishedFields() {
  FPublished = true;
  for (QWidget* field :
       {static_cast<QWidget*>(edtWEB), static_cast<QWidget*>(edtPrefix),
        static_cast<QWidget*>(edtSuffix), static_cast<QWidget*>(mHeaders),
        static_cast<QWidget*>(edtAudioWEB), static_cast<QWidget*>(edtAudioPrefix),
        static_cast<QWidget*>(edtAudioSuffix), static_cast<QWidget*>(memoAudioHeaders)}) {
    HideKeepingPlace(*field);
  }
  for (QLabel* label : {lblWEB, lblPrefix, lblSuffix, lblHeaders, lblAudioWEB, lblAudioPrefix,
                        lblAudioSuffix, lblAudioHeaders}) {
    label->setEnabled(false);
  }
}

void TfrmEntry::LoadFromEntry(const TCamItem& entry) {
  const TVideoConnect& video = entry.Video();
  const TAudioConnect& audio = entry.Audio();
  edtName->setText(FromBytes(entry.Name));
  if (video.Flags & kPublishedFlag) {
    HidePublishedFields();
    FPublishedPrefix = video.Prefix;
    FPublishedWeb = video.Web;
    UpdateAddressKind();
  } else {
    edtWEB->setText(FromBytes(video.Web));
    edtPrefix->setText(FromBytes(video.Prefix));
    edtSuffix->setText(FromBytes(video.Suffix));
    mHeaders->setPlainText(HeadersToText(video.Headers));
    edtAudioWEB->setText(FromBytes(audio.Web));
    edtAudioPrefix->setText(FromBytes(audio.Prefix));
    edtAudioSuffix->setText(FromBytes(audio.Suffix));
    memoAudioHeaders->setPlainText(HeadersToText(audio.Headers));
  }
  edtAuth->SetText(FromBytes(video.Auth));
  spnWidth->setValue(video.Width);
  spnHeight->setValue(video.Height);
  spnInterval->setValue(video.Interval);
  cmbRtspTransport->setCurrentIndex(video.RtspUdp ? 1 : 0);
  edtCertPin->setText(FromBytes(video.CertPin));
  UpdateAddressKind();
  chkSimpleGET->setChecked(video.Flags & kSimpleGetFlag);
  grpFormat->SetItemIndex(FormatIndex(StreamFormatOf(video.Flags)));
  edtAudioAuth->SetText(FromBytes(audio.Auth));
  chkAudioSimpleGet->setChecked(audio.Flags & kSimpleGetFlag);
  rgAudioFormat->SetItemIndex((audio.Flags & kFormatMask) == kSeparateAudioFormat ? 1 : 0);
}

void TfrmEntry::StoreToEntry(TCamItem& entry) const {
  TVideoConnect& video = entry.Video();
  TAudioConnect& audio = entry.Audio();
  entry.SetName(ToBytes(edtName->text()));
  video.Auth = ToBytes(edtAuth->Text());
  video.Width = spnWidth->value();
  video.Height = spnHeight->value();
  video.Interval = spnInterval->value();
  video.RtspUdp = cmbRtspTransport->currentIndex() == 1;
  video.CertPin = ToBytes(edtCertPin->text().trimmed());
  // Only the published mark, simple GET and the format survive an edit.
  video.Flags = (FPublished ? kPublishedFlag : 0) |
                (chkSimpleGET->isChecked() ? kSimpleGetFlag : 0) |
                int(kFormatChoices.at(std::size_t(grpFormat->ItemIndex())));
  audio.Auth = ToBytes(edtAudioAuth->Text());
  audio.Flags = (chkAudioSimpleGet->isChecked() ? kSimpleGetFlag : 0) |
                (rgAudioFormat->ItemIndex() == 1 ? kSeparateAudioFormat : 0);
  if (FPublished) return;
  video.Web = ToBytes(edtWEB->text());
  video.Prefix = ToBytes(edtPrefix->text());
  video.Suffix = ToBytes(edtSuffix->text());
  video.Headers = TextToHeaders(mHeaders->toPlainText());
  audio.Web = ToBytes(edtAudioWEB->text());
  audio.Prefix = ToBytes(edtAudioPrefix->text());
  audio.Suffix = ToBytes(edtAudioSuffix->text());
  audio.Headers = TextToHeaders(memoAudioHeaders->toPlainText());
}

}  // namespace vexilon
