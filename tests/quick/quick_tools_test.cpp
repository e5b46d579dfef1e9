// The quick tools, and the case styles and random texts they are made of.
#include "quick/quick_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "quick/case_styles.h"
#include "quick/display_case.h"
#include "quick/random_text.h"

namespace quorvale {
namespace {

constexpr quick::Seconds kNow = 1700000000.5;
const quick::LocalZone kUtc{"UTC"};

// A predictable source: 0, 1, 2, ...
quick::RandomSource counting() {
  return [n = uint64_t{0}]() mutable { return n++; };
}

std::optional<QuickTool> answer(const std::string& text) {
  return QuickTools::answer(text, kNow, counting(), kUtc);
}

struct Expected {
  std::string text;
  std::string copy;
  std::string subtitle;
};

class QuickToolsAnswers : public ::testing::TestWithParam<Expected> {};

TEST_P(QuickToolsAnswers, CopyAndSubtitle) {
  const Expected& expected = GetParam();
  const auto tool = answer(expected.text);
  ASSERT_TRUE(tool) << expected.text;
  EXPECT_EQ(tool->copy, expected.copy) << expected.text;
  EXPECT_EQ(tool->subtitle, expected.subtitle) << expected.text;
  EXPECT_FALSE(tool->secret);
}

INSTANTIATE_TEST_SUITE_P(
    Table, QuickToolsAnswers,
    ::testing::Values(
        Expected{"#fff", "rgb(255, 255, 255)", "Hex #ffffff as RGB · Return to copy"},
        Expected{"rgb(255, 128, 0)", "#ff8000", "RGB as hex · Return to copy"},
        Expected{"base64 héllo wörld", "aMOpbGxvIHfDtnJsZA==", "Base64 encoded · Return to copy"},
        Expected{"base64 decode aGVsbG8", "hello", "Base64 decoded · Return to copy"},
        Expected{"base64 decode", "ZGVjb2Rl", "Base64 encoded · Return to copy"},
        Expected{"urlencode a b&c", "a%20b%26c", "URL encoded · Return to copy"},
        Expected{"urldec a+b%2B%C3%A9", "a+b+é", "URL decoded · Return to copy"},
        Expected{"urldecode %zz", "%zz", "URL decoded · Return to copy"},
        Expected{"md5 abc", "900150983cd24fb0d6963f7d28e17f72", "MD5 of the text · Return to copy"},
        Expected{"sha512 abc",
                 "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a8"
                 "36ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f",
                 "SHA512 of the text · Return to copy"},
        Expected{"unix", "1700000000", "Unix time now · Return to copy"},
        Expected{"epoch 1700000000", "2023-11-14 22:13:20 UTC",
                 "Unix time to local date · Return to copy"},
        Expected{"unix 2024-01-31", "1706659200", "Local date to Unix time · Return to copy"},
        Expected{"upper straße", "STRASSE", "Uppercase · Return to copy"},
        Expected{"title hello wORLD  again", "Hello World  Again", "Title case · Return to copy"},
        Expected{"slug Crème Brûlée: the Recipe!", "creme-brulee-the-recipe",
                 "URL slug · Return to copy"},
        Expected{"snake MyFile and two", "my_file_and_two", "snake_case · Return to copy"},
        Expected{"kebab my_file.name", "my-file-name", "kebab-case · Return to copy"},
        Expected{"camel hello world", "helloWorld", "camelCase · Return to copy"},
        Expected{"count hello world", "hello world", "Return to copy the text back"}));

TEST(QuickTools, Base64DecodeFailureRow) {
  const QuickTool invalid{.title = "Not valid base64", .subtitle = "Nothing to copy", .copy = ""};
  for (const char* text : {"base64 d //79", "base64 d ###", "b64 decode a", "b64 d aGk=aGk="}) {
    EXPECT_EQ(answer(text), invalid) << text;
  }
}

TEST(QuickTools, CountTitleAndPreviews) {
  EXPECT_EQ(answer("count hello world")->title, "2 words, 11 characters");
  EXPECT_EQ(answer("count one")->title, "1 word, 3 characters");
  EXPECT_EQ(answer("count a\n\n b\tc")->title, "3 words, 7 characters");
  // Previews replace line breaks and cut titles to ninety characters.
  const auto digest = answer("sha512 abc");
  EXPECT_EQ(digest->title, digest->copy.substr(0, 89) + "…");
  EXPECT_EQ(preview("a\nb\r\nc"), "a  b  c");
  EXPECT_EQ(preview(std::string(90, 'x')), std::string(90, 'x'));
  EXPECT_EQ(preview(std::string(91, 'x')), std::string(89, 'x') + "…");
  EXPECT_EQ(preview(repeat("e\u0301", 91)), repeat("e\u0301", 89) + "…");
}

// The count or length is clamped to its range; what is not a number gives the default.
TEST(QuickTools, UuidCountsAndPasswordLengths) {
  const std::string password = "-character password, made on this computer · Return to copy";
  const std::pair<std::string, std::string> subtitles[] = {
      {"uuid", "New UUID · Return to copy"},
      {"GUID 3", "3 new UUIDs · Return to copy"},
      {"uuid 99999999999999999999", "10 new UUIDs · Return to copy"},
      {"pw many", "Random 20" + password},
      {"password 4", "Random 8" + password},
      {"pw 100", "Random 64" + password},
  };
  for (const auto& [text, subtitle] : subtitles) {
    EXPECT_EQ(answer(text)->subtitle, subtitle) << text;
  }
  EXPECT_EQ(answer("uuid 99999999999999999999")->copy.size(), 10u * 37 - 1);  // lines of 36
  const auto longest = QuickTools::answer("pw 100", kNow);                    // the real generator
  EXPECT_TRUE(longest->secret);
  EXPECT_EQ(longest->title, longest->copy);
  EXPECT_EQ(longest->copy.size(), 64u);
  EXPECT_EQ(longest->copy.find_first_not_of(quick::kPasswordAlphabet), std::string::npos);
  // Draws below 2^64 mod 65 = 16 are rejected, so the first character comes from 16.
  EXPECT_EQ(answer("pw 8")->copy, "STUVWXYZ");
}

// A tool word without its argument, values out of range, base64 that decodes to bytes that are
// not UTF-8, and text of no tool.
TEST(QuickTools, BadInputGivesNoRow) {
  for (const char* text :
       {"", "hello world", "uuidx", "base64", "sha256 ", "unbase64 ###", "unbase64 _-8",
        "unbase64 //79", "#ggg", "#ffff", "rgb(256,0,0)", "rgb(1,2)",
        "rgb 99999999999999999999 0 0", "unix 1e30", "camel ...", "count"}) {
    EXPECT_FALSE(answer(text)) << text;
  }
}

TEST(QuickTools, InvalidUtf8IsReadWithReplacementCharacters) {
  const auto tool = answer("md5 \xff");
  ASSERT_TRUE(tool);
  // The digest of U+FFFD.
  EXPECT_EQ(tool->copy, answer("md5 \xEF\xBF\xBD")->copy);
  EXPECT_FALSE(answer("\xC3"));
  EXPECT_EQ(answer("upper a\xE2\x82")->copy, "A\xEF\xBF\xBD");
}

TEST(QuickTools, TextLongerThanTwentyThousandCharacters) {
  const std::string body(QuickTools::kMaxCharacters - 4, 'a');
  EXPECT_TRUE(answer("md5 " + body));
  EXPECT_FALSE(answer("md5 " + body + "a"));
  // Bytes are not characters: 20000 accented letters are still answered.
  EXPECT_TRUE(answer("md5 " + repeat("e\u0301", QuickTools::kMaxCharacters - 4)));
}

TEST(QuickTools, BrokenClockOrRandomSourceGivesNoRowForWhatNeedsThem) {
  for (double now : {std::nan(""), 1e300, -1e300}) {
    EXPECT_FALSE(QuickTools::answer("unix", now, counting(), kUtc)) << now;
  }
  EXPECT_EQ(QuickTools::answer("unix", -1.5, counting(), kUtc)->copy, "-1");
  const quick::RandomSource broken = []() -> uint64_t { throw std::runtime_error("no entropy"); };
  EXPECT_FALSE(QuickTools::answer("pw", kNow, broken, kUtc));
  EXPECT_TRUE(QuickTools::answer("md5 a", kNow, broken, kUtc));
}

}  // namespace

namespace quick {
namespace {
struct Styles {
  std::string text;
  std::string snake;
  std::string camel;
};

class CaseStyles : public ::testing::TestWithParam<Styles> {};

// The words come from the file-name splitter (tested with `unicode::spaced`); these rows check
// what the styles do with them.
TEST_P(CaseStyles, SnakeAndCamel) {
  const Styles& s = GetParam();
  EXPECT_EQ(snakeCased(s.text), s.snake) << s.text;
  EXPECT_EQ(camelCased(s.text), s.camel) << s.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaseStyles,
    ::testing::Values(Styles{"MyFile and two", "my_file_and_two", "myFileAndTwo"},
                      Styles{"file2Name v10", "file2name_v10", "file2nameV10"},
                      Styles{"  don't  stop!! ", "don_t_stop", "donTStop"},
                      Styles{"ÉcoleNormale", "école_normale", "écoleNormale"},
                      Styles{"e\u0301te\u0301 x", "e\u0301te\u0301_x", "e\u0301te\u0301X"},
                      Styles{"٣ items", "٣_items", "٣Items"}, Styles{"!!!", "", ""}));

// Words split at white space only; the first letter is raised, not the first character.
TEST(CaseStyles, TitleCase) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"hello wORLD", "Hello World"},      {"o'neil mcDONALD-smith", "O'neil Mcdonald-smith"},
      {"ßtraße\téCOLE", "SStraße\tÉcole"}, {" two  spaces ", " Two  Spaces "},
      {"'hello world", "'Hello World"},    {"(draft) NOTES", "(Draft) Notes"},
      {"«élan» vital", "«Élan» Vital"},    {"--- 42", "--- 42"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(titleCased(text), expected) << text;
}

TEST(CaseStyles, SlugFoldsCaseAndAccents) {
  EXPECT_EQ(slug("Straße nach Köln"), "strasse-nach-koln");
  EXPECT_EQ(slug("MyFile 2024"), "myfile-2024");  // folded before the split: no humps left
  EXPECT_EQ(slug("?!"), "");
}

RandomSource sequence(std::vector<uint64_t> values) {
  return [values = std::move(values), i = std::size_t{0}]() mutable {
    return values[std::min(i++, values.size() - 1)];
  };
}

TEST(RandomText, DrawsThatWouldBiasAreRejectedAndUuidsKeepTheirLayout) {
  // 2^64 mod 65 = 16: the draws 0 to 15 are surplus.
  EXPECT_EQ(uniformBelow(sequence({15, 0, 16}), 65), 16u);
  EXPECT_EQ(uniformBelow(sequence({UINT64_MAX}), 65), UINT64_MAX % 65);
  EXPECT_EQ(uniformBelow(sequence({7}), 1), 0u);
  // A source stuck on a rejected draw does not hang.
  EXPECT_EQ(uniformBelow(sequence({3}), 65), 3u);
  EXPECT_EQ(password(8, sequence({0})).size(), 8u);
  // UUIDs carry their version and variant bits whatever the draws.
  EXPECT_EQ(newUuid(sequence({0, 0})), "00000000-0000-4000-8000-000000000000");
  EXPECT_EQ(newUuid(sequence({UINT64_MAX, UINT64_MAX})), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  EXPECT_EQ(newUuidUpper(sequence({UINT64_MAX, UINT64_MAX})),
            "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
}

TEST(RandomText, CopiesOfABufferedSourceNeverRepeatADraw) {
  const RandomSource first = secureRandomSource();
  const RandomSource copy = first;
  std::set<uint64_t> draws;
  for (int i = 0; i < 100; ++i) {
    draws.insert(first());
    draws.insert(copy());
  }
  EXPECT_EQ(draws.size(), 200u);
}

}  // namespace
}  // namespace quick
}  // namespace quorvale
