#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "core/imaging/Jpeg.h"

namespace vexilon {

// A plain bitmap that cannot be decoded; the message says why.
class EBmpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a Windows bitmap file ("BM", then an OS/2 or Windows information header of any
// version): 1, 4 and 8 bits with a colour table, uncompressed or (4 and 8 bits) run-length
// encoded, 16 and 32 bits with or without bit masks, 24 bits; rows bottom-up or top-down. The
// size limits of JPEG pictures apply. Answers the file's bits per pixel; throws EBmpError.
int DecodeBmp(const std::uint8_t* data, std::size_t size, TBitmap& out);

}  // namespace vexilon
