#pragma once
#include <string>

class QWidget;

namespace vexilon {

// Asks whether to trust an https:// camera's certificate that no known authority signed (pin
// empty) or that differs from the one trusted before (pin); answers yes or no.
// why: what is wrong with it, in the TLS library's words.
bool AskToTrustCertificate(QWidget* parent, const std::string& host, const std::string& pin,
                           const std::string& fingerprint, const std::string& why);

}  // namespace vexilon
