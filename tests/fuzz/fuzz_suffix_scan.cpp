// The scanning of pages fetched for suffix items (session keys, hash candidates, indexed
// integers) over untrusted bytes: answers are pieces of the page of the promised shape.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/net/SuffixItems.h"

using namespace vexilon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int length = data[0] % 40;
  const int generation = data[1];
  const int width = data[2] % 24;
  const std::string_view page(reinterpret_cast<const char*>(data + 3), size - 3);

  const std::string key = SuffixSessionKey(page);
  Check(key.find_first_not_of("0123456789") == std::string::npos);
  Check(key.size() <= kMaxSessionKey);
  Check(key.empty() || page.find(key) != std::string_view::npos);
  if (const auto hash = SuffixHashCandidate(page, length, generation)) {
    Check(int(hash->size()) == length);
    Check(hash->find_first_not_of("0123456789abcdef") == std::string::npos);
    Check(page.find(*hash) != std::string_view::npos);
  }
  const std::string number = SuffixIndexedInteger(page, width, generation % 64);
  Check(!number.empty() && int(number.size()) >= width);
  return 0;
}
