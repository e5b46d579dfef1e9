#include "scan/plain_text.h"

#include <array>

#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The length of the bytes without a multi-byte sequence that is cut off at the end.
std::size_t withoutCutCharacter(std::string_view bytes) {
  const std::size_t size = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    auto byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    std::size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? size - back : size;
  }
  return size;
}

struct Utf8Census {
  std::size_t multiByte = 0;  // well-formed characters of two or more bytes
  std::size_t invalid = 0;    // malformed sequences
};

Utf8Census census(std::string_view text) {
  Utf8Census counts;
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    if (!scalar.valid) {
      ++counts.invalid;
    } else if (scalar.bytes.size() > 1) {
      ++counts.multiByte;
    }
  });
  return counts;
}

constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string decodeUtf8Prefix(std::string_view bytes) {
  return unicode::toValidUtf8(bytes.substr(0, withoutCutCharacter(bytes)));
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char byte : bytes) {
    if (byte < 0x80) {
      out += static_cast<char>(byte);
    } else if (byte < 0xA0) {
      out += unicode::fromScalar(kWindows1252High[byte - 0x80]);
    } else {
      out += unicode::fromScalar(byte);
    }
  }
  return out;
}

bool holdsCharacters(std::string_view text, std::size_t count) {
  // Characters never outnumber bytes.
  if (text.size() < count) return false;
  // A prefix of `count` characters that stops short of the end proves there are that many.
  if (unicode::prefixCharacters(text, count).size() < unicode::toValidUtf8(text).size())
    return true;
  return unicode::characterCount(text) >= count;
}

std::optional<std::string> decodePlainText(std::string_view bytes, bool cutShort) {
  if (bytes.find('\0') != std::string_view::npos) return std::nullopt;
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  std::string_view text = cutShort ? bytes.substr(0, withoutCutCharacter(bytes)) : bytes;
  if (unicode::isValidUtf8(text)) return std::string(text);
  Utf8Census counts = census(text);
  if (counts.multiByte > counts.invalid) return unicode::toValidUtf8(text);
  // The cut-off check above only applies to UTF-8; a single-byte encoding keeps every byte.
  return windows1252ToUtf8(bytes);
}

}  // namespace quorvale
