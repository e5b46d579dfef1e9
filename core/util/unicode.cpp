#include "util/unicode.h"

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

namespace quorvale::unicode {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

// Creating a break iterator loads rule data; each thread keeps one and re-targets it.
icu::BreakIterator* graphemeIterator() {
  thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return U_SUCCESS(status) ? std::move(made) : nullptr;
  }();
  return iterator.get();
}

// Byte offsets of the character boundaries of valid UTF-8, up to `limit` characters.
std::vector<std::size_t> characterBoundaries(std::string_view text, std::size_t limit) {
  std::vector<std::size_t> bounds{0};
  if (isAscii(text)) {
    std::size_t i = 0;
    while (i < text.size() && bounds.size() <= limit) {
      i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      bounds.push_back(i);
    }
    return bounds;
  }
  UErrorCode status = U_ZERO_ERROR;
  UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
  icu::BreakIterator* iterator = graphemeIterator();
  if (U_SUCCESS(status) && iterator != nullptr) {
    iterator->setText(utext, status);
    for (int32_t end = iterator->next(); end != icu::BreakIterator::DONE && bounds.size() <= limit;
         end = iterator->next()) {
      bounds.push_back(static_cast<std::size_t>(end));
    }
    iterator->setText(icu::UnicodeString());
  }
  utext_close(utext);
  return bounds;
}

constexpr std::size_t kAll = static_cast<std::size_t>(-1) - 1;

// The text without the scalars `isTrimmed` accepts at either end (a bad sequence reads as U+FFFD).
template <typename IsTrimmed>
std::string_view trimmedBy(std::string_view text, IsTrimmed isTrimmed) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto size = static_cast<int32_t>(text.size());
  int32_t begin = 0;
  while (begin < size) {
    int32_t next = begin;
    UChar32 c;
    U8_NEXT_OR_FFFD(bytes, next, size, c);
    if (!isTrimmed(static_cast<char32_t>(c))) break;
    begin = next;
  }
  int32_t end = size;
  while (end > begin) {
    int32_t previous = end;
    UChar32 c;
    U8_PREV_OR_FFFD(bytes, 0, previous, c);
    if (!isTrimmed(static_cast<char32_t>(c))) break;
    end = previous;
  }
  return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

}  // namespace

bool isAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool isValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    if (bytes[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string toValidUtf8(std::string_view text) {
  if (isValidUtf8(text)) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  forEachScalar(text, [&](const ScalarRead& s) { out += fromScalar(s.value); });
  return out;
}

std::size_t characterCount(std::string_view text) {
  // Plain ASCII needs no segmentation: every byte is a character, except that a carriage return
  // and the line feed after it make one.
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::size_t count = text.size();
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
      if (text[i] == '\r' && text[i + 1] == '\n') --count;
    }
    return count;
  }
  std::string valid = toValidUtf8(text);
  return characterBoundaries(valid, kAll).size() - 1;
}

std::string prefixCharacters(std::string_view text, std::size_t count) {
  std::string valid = toValidUtf8(text);
  // A character is at least one byte, so a text of at most `count` bytes fits whole.
  if (valid.size() <= count) return valid;
  valid.resize(characterBoundaries(valid, count).back());
  return valid;
}

std::vector<std::string> characters(std::string_view text) {
  std::string valid = toValidUtf8(text);
  auto bounds = characterBoundaries(valid, kAll);
  std::vector<std::string> out;
  out.reserve(bounds.size());
  for (std::size_t i = 1; i < bounds.size(); ++i) {
    out.emplace_back(valid.substr(bounds[i - 1], bounds[i] - bounds[i - 1]));
  }
  return out;
}

std::size_t scalarCount(std::string_view text) {
  std::size_t count = 0;
  forEachScalar(text, [&](const ScalarRead&) { ++count; });
  return count;
}

std::size_t utf16Count(std::string_view text) {
  std::size_t count = 0;
  forEachScalar(text, [&](const ScalarRead& s) { count += s.value > 0xFFFF ? 2 : 1; });
  return count;
}

std::u32string scalars(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  forEachScalar(text, [&](const ScalarRead& s) { out += s.value; });
  return out;
}

std::string fromScalar(char32_t scalar) {
  char buffer[4];
  int32_t length = 0;
  UBool error = false;
  U8_APPEND(reinterpret_cast<uint8_t*>(buffer), length, 4, static_cast<UChar32>(scalar), error);
  if (error) return "\xEF\xBF\xBD";
  return std::string(buffer, static_cast<std::size_t>(length));
}

std::string fromScalars(std::u32string_view scalars) {
  std::string out;
  out.reserve(scalars.size());
  for (char32_t c : scalars) out += fromScalar(c);
  return out;
}

bool isLetter(char32_t c) {
  return u_isalpha(static_cast<UChar32>(c));
}
bool isDigit(char32_t c) {
  return u_isdigit(static_cast<UChar32>(c));
}
bool isUpper(char32_t c) {
  return u_isUUppercase(static_cast<UChar32>(c));
}
bool isLower(char32_t c) {
  return u_isULowercase(static_cast<UChar32>(c));
}
bool isWhitespace(char32_t c) {
  return u_isUWhiteSpace(static_cast<UChar32>(c));
}
bool isLineBreak(char32_t c) {
  return c == '\n' || c == '\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

std::string lowercased(std::string_view text) {
  if (isAscii(text)) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  return toUtf8(toUnicode(text).toLower(icu::Locale::getRoot()));
}

std::string uppercased(std::string_view text) {
  return toUtf8(toUnicode(text).toUpper(icu::Locale::getRoot()));
}

std::string trimmed(std::string_view text) {
  return toValidUtf8(trimmedWhitespace(text));
}

std::string_view trimmedWhitespace(std::string_view text) {
  return trimmedBy(text, [](char32_t c) { return isWhitespace(c); });
}

std::string_view trimmedSpaces(std::string_view text) {
  return trimmedBy(text, [](char32_t c) { return isWhitespace(c) && !isLineBreak(c); });
}

std::string asciiLowercased(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string_view trimmedAscii(std::string_view text, std::string_view bytes) {
  const std::size_t first = text.find_first_not_of(bytes);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(bytes) - first + 1);
}

std::string spaced(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  bool previousLower = false;
  if (isAscii(text)) {
    for (char c : text) {
      bool upper = c >= 'A' && c <= 'Z';
      if (previousLower && upper) out += ' ';
      out += (c == '_' || c == '-' || c == '.' || c == '/') ? ' ' : c;
      previousLower = c >= 'a' && c <= 'z';
    }
    return out;
  }
  for (const std::string& character : characters(text)) {
    char32_t first = scalars(character).front();
    if (previousLower && isUpper(first)) out += ' ';
    if (character == "_" || character == "-" || character == "." || character == "/") {
      out += ' ';
    } else {
      out += character;
    }
    previousLower = isLower(first);
  }
  return out;
}

}  // namespace quorvale::unicode
