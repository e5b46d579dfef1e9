#include "scan/rtf_codepage.h"

#include <unicode/unistr.h>

#include <utility>

#include "scan/plain_text.h"

namespace quorvale {
namespace {

std::string converterName(int codepage) {
  switch (codepage) {
    case 10000:
      return "macintosh";
    case 65001:
      return "UTF-8";
    default:
      return "cp" + std::to_string(codepage);
  }
}

}  // namespace

int codepageOfCharset(int charset) {
  static constexpr std::pair<int, int> kTable[] = {
      {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950},
      {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
      {204, 1251}, {222, 874},  {238, 1250}, {255, 437}};
  for (auto [set, page] : kTable) {
    if (set == charset) return page;
  }
  return 0;
}

UConverter* CodepageDecoder::converter(int codepage) {
  auto found = converters_.find(codepage);
  if (found != converters_.end()) return found->second.get();
  UErrorCode status = U_ZERO_ERROR;
  Converter opened(ucnv_open(converterName(codepage).c_str(), &status));
  if (U_FAILURE(status)) opened.reset();
  return converters_.emplace(codepage, std::move(opened)).first->second.get();
}

std::string CodepageDecoder::decode(std::string_view bytes, int codepage) {
  UConverter* open = converter(codepage);
  if (open == nullptr) return windows1252ToUtf8(bytes);
  ucnv_reset(open);
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text(bytes.data(), static_cast<int32_t>(bytes.size()), open, status);
  if (U_FAILURE(status)) return windows1252ToUtf8(bytes);
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace quorvale
