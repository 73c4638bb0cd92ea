#pragma once
#include <string>

namespace vexilon {

class EXSSocketError;

// What a camera answered, in words: "Not found on the camera (404)". askForCredentials: the
// entry has no user name or password, so a 401 says where to give them.
std::string StatusWords(int statusCode, bool askForCredentials);

// Why a connection could not be made, in words: "Host not found", "Connection refused", or
// the system's own text.
std::string SocketFailureWords(const EXSSocketError& error);

}  // namespace vexilon
