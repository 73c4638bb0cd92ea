// camsim: a camera simulator for tests, benchmarks and the demo. See camsim --help.
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Options.h"
#include "Peer.h"
#include "Server.h"
#include "Service.h"
#include "TlsFront.h"

using namespace vexilon::camsim;

int main(int argc, char** argv) {
  TOptions options;
  std::string error;
  if (!ParseOptions({argv + 1, argv + argc}, options, error)) {
    std::fprintf(stderr, "camsim: %s\n", error.c_str());
    return 2;
  }
  if (options.Help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }

  // A client that disappears must only end its own stream. The stop signals are taken by
  // sigwait below; every thread started from here on inherits the mask.
  ::signal(SIGPIPE, SIG_IGN);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A test that crashes cannot stop its camsim, which would hold the test runner's output
  // open for ever: the kernel sends the stop signal instead.
  if (options.ExitWithParent) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() == 1) return 0;
  }

  TStopSignal stop;
  TServer server(stop, options.MaxConnections);
  if (!server.Listen(options.Port, error)) {
    std::fprintf(stderr, "camsim: cannot listen on %s\n", error.c_str());
    return 1;
  }
  TService service(options, server.Port());
  std::unique_ptr<TTlsFront> tls;
  if (options.Https) {
    tls = std::make_unique<TTlsFront>(options.CertFile);
    if (!tls->Ready(error)) {
      std::fprintf(stderr, "camsim: %s\n", error.c_str());
      return 1;
    }
  }
  const TServer::THandler plain = [&service](TPeer& peer) { service.Serve(peer); };
  const TServer::THandler handler = [&](TPeer& peer) {
    if (tls) {
      tls->Serve(peer, plain);
    } else {
      plain(peer);
    }
  };
  std::thread acceptor([&] { server.Run(handler); });

  std::printf("camsim listening on 127.0.0.1:%d\n", server.Port());
  if (tls) std::printf("camsim certificate sha256=%s\n", tls->Fingerprint().c_str());
  std::fflush(stdout);
  if (options.Demo) {
    std::fprintf(stderr,
                 "camsim: demo cameras at http://127.0.0.1:%d/lobby/video.mjpg and others"
                 " (camsim --help lists them)\n",
                 server.Port());
  }

  int received = 0;
  sigwait(&stopSignals, &received);
  stop.Stop();
  acceptor.join();
  if (!server.WaitIdle(std::chrono::seconds(3))) {
    std::fprintf(stderr, "camsim: connections still open at exit\n");
    std::fflush(stderr);
    // Their threads still use the service: leave without running destructors under them.
    std::_Exit(1);
  }
  return 0;
}
