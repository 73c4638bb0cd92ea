#include "core/catalogue/WebConnect.h"

#include <algorithm>
#include <cctype>

#include "core/catalogue/CommaText.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

std::string TWebConnect::GetRecordText() const {
  std::string text = "WEB=" + RecordQuote(Web);
  text += " AUTH=" + RecordQuote(Auth);
  text += " PREFIX=" + RecordQuote(Prefix);
  text += " SUFFIX=" + RecordQuote(Suffix);
  text += " HEADERS=" + RecordQuote(HeadersToCommaText(Headers));
  text += " FLAGS=" + std::to_string(Flags);
  // Written only when set, so that files without it save as they were read.
  if (!CertPin.empty()) text += " CERTPIN=" + RecordQuote(CertPin);
  return text;
}

void TWebConnect::SetRecordText(std::string_view text) {
  ReadFields(TRecordFields(text));
}

void TWebConnect::ReadFields(const TRecordFields& fields) {
  Web = fields.Value("WEB");
  Auth = fields.Value("AUTH");
  Prefix = fields.Value("PREFIX");
  Suffix = fields.Value("SUFFIX");
  Flags = fields.Int("FLAGS", 0);
  CertPin = fields.Value("CERTPIN");
  std::string storage;
  Headers = CommaTextToHeaders(fields.ValueView("HEADERS", storage));
}

std::unique_ptr<TWebConnect> TWebConnect::CreateSame() const {
  return std::unique_ptr<TWebConnect>(new TWebConnect());
}

std::unique_ptr<TWebConnect> TWebConnect::Copy() const {
  std::unique_ptr<TWebConnect> copy = CreateSame();
  copy->SetRecordText(GetRecordText());
  return copy;
}

std::string TVideoConnect::GetRecordText() const {
  std::string text = TWebConnect::GetRecordText() + " WIDTH=" + std::to_string(Width) +
                     " HEIGHT=" + std::to_string(Height) + " INTERVAL=" + std::to_string(Interval);
  // Written only when set, so that files without it save as they were read.
  if (RtspUdp) text += " RTSPTRANSPORT=udp";
  return text;
}

void TVideoConnect::ReadFields(const TRecordFields& fields) {
  TWebConnect::ReadFields(fields);
  Width = fields.Int("WIDTH", 320);
  Height = fields.Int("HEIGHT", 240);
  Interval = fields.Int("INTERVAL", 250);
  // Anything but udp, in any case, is the default: TCP.
  RtspUdp = std::ranges::equal(fields.Value("RTSPTRANSPORT"), std::string_view("udp"),
                               [](char given, char wanted) {
                                 return std::tolower(static_cast<unsigned char>(given)) == wanted;
                               });
}

std::unique_ptr<TWebConnect> TVideoConnect::CreateSame() const {
  return std::make_unique<TVideoConnect>();
}

std::unique_ptr<TWebConnect> TAudioConnect::CreateSame() const {
  return std::make_unique<TAudioConnect>();
}

}  // namespace vexilon
