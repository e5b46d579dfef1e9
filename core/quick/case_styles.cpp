#include "quick/case_styles.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "util/unicode.h"

namespace quorvale::quick {
namespace {

// A character counts as a letter or number by its first scalar, so "e" with a combining accent
// is a letter.
bool isLetterOrNumber(char32_t first) {
  const auto c = static_cast<UChar32>(first);
  return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) ||
         u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

template <typename Visit>
void forEachCharacter(std::string_view text, Visit visit) {
  if (unicode::isAscii(text)) {
    for (std::size_t i = 0; i < text.size(); ++i) visit(text.substr(i, 1), char32_t(text[i]));
    return;
  }
  for (const std::string& character : unicode::characters(text)) {
    visit(std::string_view(character), unicode::scalars(character).front());
  }
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string out;
  for (const std::string& piece : pieces) {
    if (!out.empty()) out += separator;
    out += piece;
  }
  return out;
}

// The first character upper-cased, the rest as given.
std::string withFirstUpper(std::string_view word) {
  std::string first;
  forEachCharacter(word, [&](std::string_view character, char32_t) {
    if (first.empty()) first = std::string(character);
  });
  return unicode::uppercased(first) + std::string(word.substr(first.size()));
}

// Case-insensitive, accent-insensitive folding: decompose, drop the accents, recompose, fold.
std::string folded(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return unicode::lowercased(text);
  const icu::UnicodeString decomposed =
      nfd->normalize(icu::UnicodeString::fromUTF8(
                         icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))),
                     status);
  icu::UnicodeString bare;
  for (int32_t i = 0; i < decomposed.length();) {
    const UChar32 c = decomposed.char32At(i);
    if (u_charType(c) != U_NON_SPACING_MARK) bare.append(c);
    i += U16_LENGTH(c);
  }
  icu::UnicodeString composed = nfc->normalize(bare, status);
  if (U_FAILURE(status)) return unicode::lowercased(text);
  std::string out;
  composed.foldCase().toUTF8String(out);
  return out;
}

}  // namespace

std::vector<std::string> words(std::string_view text) {
  std::vector<std::string> out;
  std::string piece;
  forEachCharacter(unicode::spaced(text), [&](std::string_view character, char32_t first) {
    if (isLetterOrNumber(first)) {
      piece += character;
    } else if (!piece.empty()) {
      out.push_back(unicode::lowercased(piece));
      piece.clear();
    }
  });
  if (!piece.empty()) out.push_back(unicode::lowercased(piece));
  return out;
}

std::string titleCased(std::string_view text) {
  std::string out;
  bool letterSeen = false;  // in the current word
  forEachCharacter(text, [&](std::string_view character, char32_t first) {
    if (unicode::isWhitespace(first)) {
      letterSeen = false;
      out += character;
    } else if (!letterSeen && unicode::isLetter(first)) {
      letterSeen = true;
      out += unicode::uppercased(character);
    } else if (letterSeen) {
      out += unicode::lowercased(character);
    } else {
      out += character;  // marks and digits before the first letter stay as typed
    }
  });
  return out;
}

std::string slug(std::string_view text) {
  return joined(words(folded(text)), "-");
}
std::string snakeCased(std::string_view text) {
  return joined(words(text), "_");
}
std::string kebabCased(std::string_view text) {
  return joined(words(text), "-");
}

std::string camelCased(std::string_view text) {
  const std::vector<std::string> pieces = words(text);
  std::string out;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    out += i == 0 ? pieces[i] : withFirstUpper(pieces[i]);
  }
  return out;
}

std::size_t wordCount(std::string_view text) {
  std::size_t count = 0;
  bool inWord = false;
  for (char32_t c : unicode::scalars(text)) {
    const bool space = unicode::isWhitespace(c);
    if (!space && !inWord) ++count;
    inWord = !space;
  }
  return count;
}

std::size_t characterCount(std::string_view text) {
  return unicode::characterCount(text);
}

}  // namespace quorvale::quick
