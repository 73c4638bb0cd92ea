// The UI tests need one application object for the whole run; nothing may wait for a person.
#include <gtest/gtest.h>

#include "ui/app/Application.h"
#include "ui/app/Dialogs.h"

int main(int argc, char** argv) {
  // Test discovery runs the binary outside CTest's environment, without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Camera windows with sound play into nothing.
  if (qEnvironmentVariableIsEmpty("VEXILON_AUDIO")) qputenv("VEXILON_AUDIO", "null");
  ::testing::InitGoogleTest(&argc, argv);
  vexilon::TApplication app(argc, argv);
  vexilon::TDialogs::SetUnattended(true);
  return RUN_ALL_TESTS();
}
