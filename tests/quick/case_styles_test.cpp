#include "quick/case_styles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quorvale::quick {
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

}  // namespace
}  // namespace quorvale::quick
