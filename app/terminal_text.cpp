#include "terminal_text.h"

#include <unicode/utf8.h>

#include <cstdint>
#include <cstdio>

namespace quorvale::terminal_text {
namespace {

void appendHex(std::string& out, const char* prefix, unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%s%0*X", prefix, digits, value);
  out += text;
}

}  // namespace

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t at = 0; at < length;) {
    const int32_t start = at;
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) {  // not UTF-8: each byte of the bad sequence on its own
      for (int32_t i = start; i < at; ++i) appendHex(out, "\\x", bytes[i], 2);
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      appendHex(out, "\\x", static_cast<unsigned>(c), 2);
    } else if (c >= 0x80 && c <= 0x9F) {
      appendHex(out, "\\u", static_cast<unsigned>(c), 4);
    } else {
      out.append(
          text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)));
    }
  }
  return out;
}

}  // namespace quorvale::terminal_text
