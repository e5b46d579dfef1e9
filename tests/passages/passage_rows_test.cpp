#include "passages/passage_rows.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/test_support.h"

namespace quorvale {
namespace {

PassageHit passage(const std::string& path, std::optional<int64_t> page = std::nullopt,
                   std::optional<std::string> heading = std::nullopt) {
  PassageHit hit;
  hit.path = path;
  hit.passage = "The notice\n period   is three months.";
  hit.page = page;
  hit.heading = std::move(heading);
  return hit;
}

Suggestion fileRow(const std::string& path) {
  return {.id = "file-" + path,
          .title = path,
          .subtitle = "",
          .payload = Payload::file(FileRecord::make({.path = path}))};
}

std::vector<std::string> ids(const std::vector<Suggestion>& rows) {
  return testing::mapped(rows, &Suggestion::id);
}

TEST(PassageRowsTest, OneRowPerExistingFileWithItsLocation) {
  std::vector<PassageHit> hits = {passage("/d/contract.pdf", 3, "Notice"),
                                  passage("/d/contract.pdf", 4),
                                  passage("/d/gone.md"),
                                  passage("/d/notes.md", std::nullopt, "Terms"),
                                  passage("/d/a.txt"),
                                  passage("/d/b.txt")};
  std::vector<Suggestion> rows =
      PassageRows::rows(hits, [](const std::string& path) { return path != "/d/gone.md"; });
  EXPECT_EQ(ids(rows), (std::vector<std::string>{"passage-/d/contract.pdf", "passage-/d/notes.md",
                                                 "passage-/d/a.txt"}));
  EXPECT_EQ(rows[0].title, "contract.pdf");
  EXPECT_EQ(rows[0].subtitle, "page 3, Notice: The notice period is three months.");
  EXPECT_EQ(rows[1].subtitle, "Terms: The notice period is three months.");
  EXPECT_EQ(rows[2].subtitle, "The notice period is three months.");
  EXPECT_EQ(rows[0].payload.as<FileRecord>()->path, "/d/contract.pdf");
}

TEST(PassageRowsTest, PlacesTheAnswerInFrontOfTheFileRowsInThreeWays) {
  std::vector<Suggestion> files = {fileRow("/d/a.txt"), fileRow("/d/x.txt"), fileRow("/d/y.txt")};
  std::vector<Suggestion> answer = PassageRows::rows({passage("/d/a.txt")}, nullptr);
  // What each case shows, the passage rows, whether the answer is weak, and the rows placed.
  const std::tuple<const char*, std::vector<Suggestion>, bool, std::vector<std::string>> cases[] = {
      {"no passage rows", {}, true, {"passage-none", "file-/d/a.txt", "file-/d/x.txt"}},
      {"weak: at least four rows",
       answer,
       true,
       {"passage-none", "passage-/d/a.txt", "file-/d/a.txt", "file-/d/x.txt"}},
      {"sure: the answered file leaves the file rows",
       answer,
       false,
       {"passage-/d/a.txt", "file-/d/x.txt", "file-/d/y.txt"}},
  };
  for (const auto& [name, passages, weak, expected] : cases) {
    EXPECT_EQ(ids(PassageRows::place(passages, weak, files, 3)), expected) << name;
  }
  std::vector<Suggestion> many =
      PassageRows::rows({passage("/d/1.md"), passage("/d/2.md"), passage("/d/3.md")}, nullptr);
  EXPECT_EQ(PassageRows::place(many, false, files, 2).size(), 3u);
}

}  // namespace
}  // namespace quorvale
