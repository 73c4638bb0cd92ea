#include "core/net/CameraState.h"

#include <netdb.h>

#include <cerrno>
#include <cstring>

#include "core/net/ClientSocket.h"

namespace vexilon {

std::string StatusWords(int statusCode, bool askForCredentials) {
  const std::string code = " (" + std::to_string(statusCode) + ")";
  switch (statusCode) {
    case 401:
      return askForCredentials
                 ? "This camera asks for a user name and password: Commands \u2192 Edit Item\u2026"
                 : "The camera refused the user name or password" + code;
    case 403:
      return "The camera refused access" + code;
    case 404:
      return "Not found on the camera" + code;
    default:
      break;
  }
  if (statusCode >= 500 && statusCode <= 599) return "The camera's server failed" + code;
  if (statusCode >= 300 && statusCode <= 399) return "The camera sent the picture elsewhere" + code;
  return "The camera answered with a failure" + code;
}

std::string SocketFailureWords(const EXSSocketError& error) {
  if (error.LookUp) {
    return error.Code == EAI_NONAME || error.Code == EAI_NODATA || error.Code == EAI_FAIL
               ? "Host not found"
               : "The camera's name could not be looked up";
  }
  switch (error.Code) {
    case ECONNREFUSED:
      return "Connection refused";
    case ETIMEDOUT:
      return "The camera did not answer";
    case EHOSTUNREACH:
    case ENETUNREACH:
      return "The camera cannot be reached";
    default:
      return error.what();
  }
}

}  // namespace vexilon
