#include "util/unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvale::unicode {
namespace {

TEST(UnicodeTest, CountsCharactersScalarsAndUtf16Units) {
  struct Case {
    std::string text;
    std::size_t characters, scalars, utf16;
  };
  for (const auto& [text, characters, scalars, utf16] : {
           Case{"", 0, 0, 0},
           Case{"a\r\nb", 3, 4, 4},                            // CR LF is one character
           Case{"e\xCC\x81", 1, 2, 2},                         // e + combining acute
           Case{"\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", 1, 2, 4},  // a flag: two regional indicators
           Case{"\xF0\x9F\x98\x80!", 2, 2, 3},
       }) {
    EXPECT_EQ(characterCount(text), characters) << text;
    EXPECT_EQ(scalarCount(text), scalars) << text;
    EXPECT_EQ(utf16Count(text), utf16) << text;
  }
}

TEST(UnicodeTest, PrefixNeverSplitsACharacterAndInvalidUtf8IsRepaired) {
  EXPECT_EQ(prefixCharacters("e\xCC\x81xyz", 2), "e\xCC\x81x");
  EXPECT_EQ(prefixCharacters("ab\r\ncd", 3), "ab\r\n");
  EXPECT_EQ(prefixCharacters("short", 10), "short");
  EXPECT_EQ(characters("a\xCC\x81\xF0\x9F\x98\x80"),
            (std::vector<std::string>{"a\xCC\x81", "\xF0\x9F\x98\x80"}));
  // Invalid UTF-8 is repaired, not trusted.
  EXPECT_FALSE(isValidUtf8("ab\xFF"));
  EXPECT_FALSE(isValidUtf8("\xC3"));          // cut multi-byte sequence
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // a UTF-16 surrogate
  EXPECT_TRUE(isValidUtf8("caf\xC3\xA9"));
  EXPECT_EQ(toValidUtf8("a\xFF"
                        "b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(characterCount("a\xFF\xFE"), 3u);
  EXPECT_TRUE(isValidUtf8(prefixCharacters("\xFF\xFF\xFF\xFF", 2)));
}

TEST(UnicodeTest, TrimmingKeepsWhatEachCallerNeeds) {
  struct Case {
    std::string text;
    std::string whitespace, spaces, ascii;
  };
  for (const auto& [text, whitespace, spaces, ascii] : {
           Case{"", "", "", ""},
           Case{" \t a b \t ", "a b", "a b", "a b"},
           Case{"\n a \r\n", "a", "\n a \r\n", "\n a \r\n"},  // line breaks stay in `spaces`
           Case{"\xE2\x80\x83x\xC2\xA0", "x", "x", "\xE2\x80\x83x\xC2\xA0"},
           Case{" \xFF ", "\xFF", "\xFF", "\xFF"},  // a bad byte is content, never trimmed
           Case{"\xC3 ", "\xC3", "\xC3", "\xC3"},
       }) {
    EXPECT_EQ(trimmedWhitespace(text), whitespace) << text;
    EXPECT_EQ(trimmedSpaces(text), spaces) << text;
    EXPECT_EQ(trimmedAscii(text), ascii) << text;
  }
  EXPECT_EQ(trimmedAscii("..a.b..", "."), "a.b");
  EXPECT_EQ(trimmed(" \xFF "), "\xEF\xBF\xBD");
}

TEST(UnicodeTest, ForEachScalarGivesValuesAndTheirBytes) {
  std::u32string values;
  std::vector<std::string> bytes;
  std::string validity;
  forEachScalar("a\xC3\xA9\xFF\xF0\x9F\x98\x80\xE2\x82", [&](const ScalarRead& scalar) {
    values += scalar.value;
    bytes.emplace_back(scalar.bytes);
    validity += scalar.valid ? '1' : '0';
  });
  EXPECT_EQ(values, U"a\u00E9\uFFFD\U0001F600\uFFFD");
  EXPECT_EQ(bytes,
            (std::vector<std::string>{"a", "\xC3\xA9", "\xFF", "\xF0\x9F\x98\x80", "\xE2\x82"}));
  EXPECT_EQ(validity, "11010");
}

TEST(UnicodeTest, SpacedSplitsCamelCaseAndSeparators) {
  const std::pair<const char*, const char*> cases[] = {
      {"MyFile_v2.final-draft/notes", "My File v2 final draft notes"},
      {"HTMLParser", "HTMLParser"},
      {"parseHTTPRequest2", "parse HTTPRequest2"},
      {"ÉcoleÉtéNotes", "École Été Notes"},
  };
  for (auto [text, expected] : cases) {
    EXPECT_EQ(spaced(text), expected) << text;
  }
}

}  // namespace
}  // namespace quorvale::unicode
