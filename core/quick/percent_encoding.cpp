#include "quick/percent_encoding.h"

#include <unicode/uchar.h>

#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isAsciiAlphanumeric(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendEscaped(std::string& out, std::string_view bytes) {
  for (unsigned char byte : bytes) {
    out += '%';
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0xF];
  }
}

}  // namespace

bool urlUnreserved(char32_t c) {
  return isAsciiAlphanumeric(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool queryAllowed(char32_t c) {
  if (c < 0x80) return urlUnreserved(c);
  // Letters, marks and numbers: a decomposed accented letter stays as readable as a composed one.
  constexpr uint32_t kMask = U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK;
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & kMask) != 0;
}

std::optional<std::string> percentEncoded(std::string_view text, AllowedCharacters allowed) {
  if (!unicode::isValidUtf8(text)) return std::nullopt;
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    if (allowed(scalar.value)) {
      out += scalar.bytes;
    } else {
      appendEscaped(out, scalar.bytes);
    }
  });
  return out;
}

std::optional<std::string> percentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (!unicode::isValidUtf8(out)) return std::nullopt;
  return out;
}

}  // namespace quorvale
