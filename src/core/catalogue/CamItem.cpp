#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CommaText.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

std::string TCamGroup::GetDataText() const {
  return GetDataTextWithFlags(Flags);
}

std::string TCamGroup::GetDataTextWithFlags(int flags) const {
  std::string text = "TYPE=GROUP NAME=" + RecordQuote(Name);
  text += " AUTH=" + RecordQuote(Auth);
  text += " PREFIX=" + RecordQuote(Prefix);
  text += " SUFFIX=" + RecordQuote(Suffix);
  text += " FLAGS=" + std::to_string(flags);
  text += " SUBGROUP=" + RecordQuote(SubGroup);
  text += " HEADERS=" + RecordQuote(HeadersToCommaText(Headers));
  if (!AutoUpdate.empty()) text += " AUTOUPDATE=" + RecordQuote(AutoUpdate);
  return text;
}

void TCamGroup::SetDataText(std::string_view text) {
  TRecordFields fields(text);
  Name = fields.Value("NAME");
  Auth = fields.Value("AUTH");
  Prefix = fields.Value("PREFIX");
  Suffix = fields.Value("SUFFIX");
  Flags = fields.Int("FLAGS", 0);
  SubGroup = fields.Value("SUBGROUP");
  AutoUpdate = fields.Value("AUTOUPDATE");
  std::string storage;
  Headers = CommaTextToHeaders(fields.ValueView("HEADERS", storage));
}

TCamItem::TCamItem(TTreeNodes* nodes)
    : TCamBase(nodes),
      FVideo(std::make_unique<TVideoConnect>()),
      FAudio(std::make_unique<TAudioConnect>()) {}

TCamItem::~TCamItem() {
  DetachNode();
}

std::string TCamItem::GetDataText() const {
  std::string text = "TYPE=ITEM NAME=" + RecordQuote(Name);
  if (Flags != 0) text += " XFLAGS=" + std::to_string(Flags);
  text += ' ';
  text += FVideo->GetRecordText();
  if (FAudio->HasSound()) text += " AUDIO=(" + FAudio->GetRecordText() + ")";
  return text;
}

void TCamItem::SetDataText(std::string_view text) {
  TRecordFields fields(text);
  std::string storage;
  SetName(fields.ValueView("NAME", storage));
  Flags = fields.Int("XFLAGS", 0);
  FVideo->ReadFields(fields);
  FAudio->SetRecordText(fields.ValueView("AUDIO", storage));
}

}  // namespace vexilon
