#include "core/capture/RawCapture.h"

#include <gtest/gtest.h>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(RawCapture, AppendsChunksToAFreshFileAndRefusesAnImpossiblePath) {
  TTempDir folder;
  const std::string path = folder.File("raw.bin");
  WriteFileAtomically(path, "left over from before");
  {
    TRawCaptureFile file(path);
    file.Write("HTTP/1.0 200 OK\r\n", 17);
    file.Write("\0\1", 2);
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, std::string("HTTP/1.0 200 OK\r\n\0\1", 19));
  EXPECT_THROW(TRawCaptureFile(folder.File("missing/raw.bin")), EFileWrite);
}

}  // namespace
}  // namespace vexilon
