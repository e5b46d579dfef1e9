#include "index/word_split.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace quorvale {
namespace {

bool isWordScalar(UChar32 c) {
  return c >= 0 && (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

bool isAsciiWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::vector<std::string> Index_split(std::string_view text) {
  std::vector<std::string> words;
  std::string current;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  auto length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    int32_t start = i;
    bool word;
    if (bytes[i] < 0x80) {
      word = isAsciiWordByte(bytes[i]);
      ++i;
    } else {
      UChar32 c;
      U8_NEXT(bytes, i, length, c);  // c < 0 for an invalid sequence
      word = isWordScalar(c);
    }
    if (word) {
      current.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    } else if (!current.empty()) {
      words.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

}  // namespace quorvale
