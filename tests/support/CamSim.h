#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace vexilon {

// The camsim binary run for a test on a port of the system's choosing, read from the line
// it prints once it listens. The destructor kills it.
class TCamSim {
 public:
  explicit TCamSim(std::vector<std::string> args = {});

  bool Started() const { return FPort > 0; }
  // Why it did not start.
  const std::string& Error() const { return FProcess.Error(); }
  int Port() const { return FPort; }
  // With --https: the certificate's SHA-256 fingerprint it printed.
  const std::string& Fingerprint() const { return FFingerprint; }

 private:
  TChildProcess FProcess;
  int FPort = 0;
  std::string FFingerprint;
};

// One camsim for the tests that need nothing special of it: 160×120 pictures, 50 a second,
// repeating after a second. Started on first use, stopped when the test program ends.
TCamSim& SharedCamSim();

// A fixture for tests against the shared camsim; each fails when it did not start.
class TCamSimTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SharedCamSim().Started()) << SharedCamSim().Error(); }
  static int Port() { return SharedCamSim().Port(); }
};

}  // namespace vexilon
