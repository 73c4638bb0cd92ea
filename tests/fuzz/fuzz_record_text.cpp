// Record text from untrusted bytes: key lookup (checked against the one-pass key index),
// quoting, and a whole catalogue read with SetRecordText and written back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CommaText.h"
#include "core/catalogue/RecordText.h"

using namespace vexilon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  TRecordFields fields(text);
  for (std::string_view key : {"DATA", "TYPE", "NAME", "CHILDREN", "CHILD1", "WEB", "FLAGS",
                               "HEADERS", "AUDIO", "A", ""}) {
    Check(RecordValue(text, key) == fields.Value(key));
  }
  // Every word before an "=" is a key worth asking for.
  for (std::size_t equals = text.find('='); equals != std::string_view::npos && equals < 4096;
       equals = text.find('=', equals + 1)) {
    std::size_t begin = text.find_last_of(" \"()", equals);
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    std::string_view key = text.substr(begin, equals - begin);
    Check(RecordValue(text, key) == fields.Value(key));
  }
  Check(RecordValue("X=1 K=" + RecordQuote(text) + " Y=2", "K") == text);
  CommaTextToHeaders(text);
  HeadersToCommaText(text);

  TCamRoot root(nullptr);
  root.SetRecordText(text);
  std::string written = root.GetRecordText();
  // What was written reads back to itself once it has passed through the model.
  TCamRoot again(nullptr);
  again.SetRecordText(written);
  std::string rewritten = again.GetRecordText();
  TCamRoot third(nullptr);
  third.SetRecordText(rewritten);
  Check(third.GetRecordText() == rewritten);
  return 0;
}
