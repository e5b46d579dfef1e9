#include "passages/passage_text.h"

#include <gtest/gtest.h>

#include "scan/document_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;
using testing::writeFile;

std::optional<PassageText::Read> readFile(const std::string& path, const std::string& ext,
                                          int maxChars = PassageText::kMaxChars) {
  return PassageText::read(path, ext, static_cast<int64_t>(testing::readFile(path).size()),
                           maxChars);
}

TEST(PassageTextTest, PdfPagesSkipBlanksAndKeepTheirNumbers) {
  TempDir dir;
  writeFile(dir / "a.pdf", testing::makePdf({"first page", "", "third page"}));
  std::optional<PassageText::Read> read = readFile(dir / "a.pdf", "PDF");
  ASSERT_TRUE(read && read->pages);
  EXPECT_EQ(*read->pages, (std::vector<PdfPageText>{{1, "first page"}, {3, "third page"}}));

  // Reading stops after the page that reaches the budget; pages are never cut.
  read = readFile(dir / "a.pdf", "pdf", 5);
  ASSERT_TRUE(read && read->pages);
  EXPECT_EQ(*read->pages, (std::vector<PdfPageText>{{1, "first page"}}));
}

TEST(PassageTextTest, PdfReadingStopsAtFourHundredPages) {
  TempDir dir;
  std::vector<std::string> pages;
  for (int i = 1; i <= 410; ++i) pages.push_back("page" + std::to_string(i));
  writeFile(dir / "long.pdf", testing::makePdf(pages));
  std::optional<PassageText::Read> read = readFile(dir / "long.pdf", "pdf");
  ASSERT_TRUE(read && read->pages);
  ASSERT_EQ(read->pages->size(), 400u);
  EXPECT_EQ(read->pages->back(), (PdfPageText{400, "page400"}));
}

TEST(PassageTextTest, PlainTextDecoding) {
  TempDir dir;
  writeFile(dir / "latin.txt", "caf\xE9 cr\xE8me");
  writeFile(dir / "utf8.md", "\xEF\xBB\xBF# Title\nbody");
  writeFile(dir / "binary.txt", std::string("text\0more", 9));
  writeFile(dir / "long.txt", "abcdef");

  EXPECT_EQ(readFile(dir / "latin.txt", "txt")->text, "caf\u00E9 cr\u00E8me");
  EXPECT_EQ(readFile(dir / "utf8.md", "md")->text, "# Title\nbody");
  EXPECT_EQ(readFile(dir / "long.txt", "txt", 3)->text, "abc");
  EXPECT_FALSE(readFile(dir / "binary.txt", "txt"));
  EXPECT_EQ(PassageText::chunks(dir / "utf8.md", "md", 20)->chunks[0].heading, "Title");
}

TEST(PassageTextTest, RefusesWhatItMustNotRead) {
  TempDir dir;
  writeFile(dir / "notes.txt", "words");
  writeFile(dir / "id_rsa", "secret");
  writeFile(dir / "empty.txt", " \n ");
  writeFile(dir / "fake.pdf", "not a pdf");
  EXPECT_FALSE(PassageText::read(dir / "notes.txt", "txt", 3'000'000, 100));  // listed too big
  EXPECT_FALSE(PassageText::read(dir / "notes.txt", "csv", 5, 100));
  EXPECT_FALSE(PassageText::read(dir / "id_rsa", "txt", 6, 100));
  EXPECT_FALSE(PassageText::read(dir / "missing.txt", "txt", 5, 100));
  EXPECT_FALSE(PassageText::read(dir / "fake.pdf", "pdf", 9, 100));
  EXPECT_FALSE(PassageText::chunks(dir / "empty.txt", "txt", 3));
}

}  // namespace
}  // namespace quorvale
