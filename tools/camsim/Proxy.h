#pragma once
#include <string>

namespace vexilon::camsim {

class TPeer;
struct TRequest;

// camsim forwards to this machine only: 127.0.0.1 and localhost.
bool IsLoopbackHost(const std::string& host);

// CONNECT host:port: answers 200 and then passes bytes both ways between the client and
// 127.0.0.1:port. rest holds bytes the client sent after its request.
void Tunnel(TPeer& client, const TRequest& request, const std::string& rest);

// A request meant for another server (an absolute address or a Host line naming another
// port): sent on to 127.0.0.1:port in path form with its own header lines, and the answer
// passed back unchanged.
void Forward(TPeer& client, const TRequest& request, const std::string& rest, int port);

}  // namespace vexilon::camsim
