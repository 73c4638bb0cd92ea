// The question a camera window asks when its https:// camera's certificate is not trusted.
#include <QPointer>

#include "core/net/TlsSession.h"
#include "core/net/Url.h"
#include "ui/app/MainWindow.h"
#include "ui/app/TrustQuestion.h"
#include "ui/camera/CameraWindow.h"

namespace vexilon {
namespace {

// One question at a time in the whole viewer: the windows of one camera all ask, and a
// camera refused again while the question is open asks again at its next try.
bool gAsking = false;

}  // namespace

void TfrmCamera::CertificateUntrusted(const std::string& fingerprint, const std::string& why) {
  // A call queued before the answer, or about a certificate the user already refused here.
  if (gAsking || FDestroying || SameFingerprint(fingerprint, FVideoConnect.CertPin) ||
      SameFingerprint(fingerprint, FRefusedCertificate)) {
    return;
  }
  // Until the windows have connected again with the answer: they process events meanwhile.
  struct TAsking {
    TAsking() { gAsking = true; }
    ~TAsking() { gAsking = false; }
  } asking;
  const QPointer<TfrmCamera> alive(this);
  const bool trusted =
      AskToTrustCertificate(Frame(), UrlHost(FVideoConnect.Prefix + FVideoConnect.Web),
                            FVideoConnect.CertPin, fingerprint, why);
  if (alive.isNull() || FDestroying) return;
  if (!trusted) {
    // The header text keeps saying why; the entry's editor can still trust it.
    FRefusedCertificate = fingerprint;
    return;
  }
  FDesktop->TrustCameraCertificate(this, fingerprint);
}

void TfrmCamera::UseCertificatePin(const std::string& fingerprint) {
  TCameraOptions options;
  options.Video.SetRecordText(FVideoConnect.GetRecordText());
  options.Audio.SetRecordText(FAudioConnect.GetRecordText());
  options.Video.CertPin = options.Audio.CertPin = fingerprint;
  options.Caption = FCaptionBase;
  ApplyConnection(options);
}

}  // namespace vexilon
