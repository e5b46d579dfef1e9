#include "passages/passage_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;
using testing::writeFile;

// A minimal PDF with one line of Helvetica text per page ("" for a blank page) and an exact
// cross-reference table.
std::string pdfWithPages(const std::vector<std::string>& pages) {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "",
                                      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
  std::string kids;
  for (const std::string& text : pages) {
    const std::size_t page = objects.size() + 1;
    kids += std::to_string(page) + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                      std::to_string(page + 1) + " 0 R /Resources << /Font << /F1 3 0 R >> >> >>");
    std::string stream = text.empty() ? "" : "BT /F1 12 Tf 72 720 Td (" + text + ") Tj ET";
    objects.push_back("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream +
                      "\nendstream");
  }
  objects[1] =
      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>";
  std::string pdf = "%PDF-1.4\n";
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

std::optional<PassageText::Read> readFile(const std::string& path, const std::string& ext,
                                          int maxChars = PassageText::kMaxChars) {
  return PassageText::read(path, ext, static_cast<int64_t>(testing::readFile(path).size()),
                           maxChars);
}

TEST(PassageTextTest, PdfPagesSkipBlanksAndKeepTheirNumbers) {
  TempDir dir;
  writeFile(dir / "a.pdf", pdfWithPages({"first page", "", "third page"}));
  std::optional<PassageText::Read> read = readFile(dir / "a.pdf", "PDF");
  ASSERT_TRUE(read && read->pages);
  EXPECT_EQ(*read->pages, (std::vector<PdfPageText>{{1, "first page"}, {3, "third page"}}));

  // Reading stops after the page that reaches the budget; pages are never cut.
  read = readFile(dir / "a.pdf", "pdf", 5);
  ASSERT_TRUE(read && read->pages);
  EXPECT_EQ(*read->pages, (std::vector<PdfPageText>{{1, "first page"}}));

  std::optional<ChunkedText> chunked = PassageText::chunks(dir / "a.pdf", "pdf", 1);
  ASSERT_TRUE(chunked);
  ASSERT_EQ(chunked->chunks.size(), 2u);
  EXPECT_EQ(chunked->chunks[1].page, 3);
}

TEST(PassageTextTest, PdfReadingStopsAtFourHundredPages) {
  TempDir dir;
  std::vector<std::string> pages;
  for (int i = 1; i <= 410; ++i) pages.push_back("page" + std::to_string(i));
  writeFile(dir / "long.pdf", pdfWithPages(pages));
  std::optional<PassageText::Read> read = readFile(dir / "long.pdf", "pdf");
  ASSERT_TRUE(read && read->pages);
  ASSERT_EQ(read->pages->size(), 400u);
  EXPECT_EQ(read->pages->back(), (PdfPageText{400, "page400"}));
}

TEST(PassageTextTest, PlainTextDecoding) {
  TempDir dir;
  writeFile(dir / "latin.txt", "caf\xE9 cr\xE8me");
  writeFile(dir / "utf8.md", "\xEF\xBB\xBF# Title\nbody");
  std::string binary = "text";
  binary += '\0';
  writeFile(dir / "binary.txt", binary + "more");
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
  EXPECT_TRUE(PassageText::isEligible("DOCX"));
  EXPECT_FALSE(PassageText::isEligible("exe"));
}

}  // namespace
}  // namespace quorvale
