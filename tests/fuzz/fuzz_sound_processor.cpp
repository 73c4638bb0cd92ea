// Drives a sound processor with arbitrary input: the first byte picks the kind, then each
// control byte either writes the next few input bytes, reads, or seeks.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/audio/SoundProcessor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  vexilon::TSoundProcessor p(data[0] & 1 ? vexilon::TSoundKind::Au : vexilon::TSoundKind::Raw8);
  std::vector<uint8_t> out(70000);
  size_t at = 1;
  while (at < size) {
    const uint8_t control = data[at++];
    const size_t n = std::min<size_t>(size - at, (control >> 2) * (control >> 2) + 1);
    switch (control & 3) {
      case 0:
      case 1: {
        const int64_t before = p.Size();
        if (p.Write(data + at, n) != n) std::abort();
        if (p.Size() < before) std::abort();
        at += n;
        break;
      }
      case 2:
        try {
          p.Read(out.data(), std::min(out.size(), n * 64));
        } catch (const vexilon::ESoundRead&) {
          p.Seek(0, vexilon::TSeekOrigin::End);
        }
        break;
      default: {
        const int64_t offset = int64_t(int8_t(control)) * 97;
        p.Seek(offset, static_cast<vexilon::TSeekOrigin>(control % 3));
        break;
      }
    }
    if (p.Unread() > size_t(p.Size() - p.Position()) && p.Position() <= p.Size()) std::abort();
  }
  return 0;
}
