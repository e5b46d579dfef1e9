#include "terminal_text.h"

#include <cstdint>
#include <cstdio>

#include "util/unicode.h"

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
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    const char32_t c = scalar.value;
    if (!scalar.valid) {  // not UTF-8: each byte of the bad sequence on its own
      for (char byte : scalar.bytes) appendHex(out, "\\x", static_cast<unsigned char>(byte), 2);
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
      out += scalar.bytes;
    }
  });
  return out;
}

}  // namespace quorvale::terminal_text
