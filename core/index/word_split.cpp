#include "index/word_split.h"

#include <unicode/uchar.h>

#include "util/unicode.h"

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
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    const bool word = scalar.value < 0x80
                          ? isAsciiWordByte(static_cast<unsigned char>(scalar.value))
                          : scalar.valid && isWordScalar(static_cast<UChar32>(scalar.value));
    if (word) {
      current.append(scalar.bytes);
    } else if (!current.empty()) {
      words.push_back(std::move(current));
      current.clear();
    }
  });
  if (!current.empty()) words.push_back(std::move(current));
  return words;
}

}  // namespace quorvale
