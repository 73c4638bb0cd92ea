#include "ui/app/TrustQuestion.h"

#include "ui/app/Dialogs.h"
#include "ui/app/TextBytes.h"

namespace vexilon {

bool AskToTrustCertificate(QWidget* parent, const std::string& host, const std::string& pin,
                           const std::string& fingerprint, const std::string& why) {
  const QString question =
      pin.empty() ? QStringLiteral(
                        "The certificate of %1 is not trusted: %2.\n\nCameras often make their "
                        "own certificate, which no authority this computer knows has signed. "
                        "Its SHA-256 fingerprint:\n%3\n\nTrust it only if this is the "
                        "fingerprint the camera's own settings show. Trust this certificate for "
                        "this camera from now on?")
                        .arg(FromBytes(host), FromBytes(why), FromBytes(fingerprint))
                  : QStringLiteral(
                        "The certificate of %1 has changed since you trusted it.\n\nTrusted: "
                        "SHA-256 %2\nNow: SHA-256 %3\n\nA camera makes itself a new "
                        "certificate after a reset or an update, but a changed certificate "
                        "may also mean that somebody else answers in its place. Trust the "
                        "new certificate from now on?")
                        .arg(FromBytes(host), FromBytes(pin), FromBytes(fingerprint));
  // No is the default: Return alone must not trust a stranger.
  return TDialogs::Message(parent, QMessageBox::Warning, QStringLiteral("Untrusted Certificate"),
                           question, QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace vexilon
