#include "scan/office_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>

#include "scan/document_fixtures.h"
#include "scan/regular_file.h"
#include "scan/zip_parts.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::writeZip;

TEST(OfficeXml, PlainText) {
  // What each case shows, the XML, and its text.
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"escaped entity stays escaped once", "<w:t>a&amp;lt;b</w:t>", "a&lt;b"},
      {"entities", "&lt;&gt;&quot;&apos;&amp; &nbsp;", "<>\"'& &nbsp;"},
      {"word paragraphs", "<w:p><w:r><w:t>One</w:t></w:r></w:p><w:p><w:t>Two</w:t></w:p>",
       "One\nTwo"},
      {"word tab and break", "<w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t>", "a b\nc"},
      {"blank paragraphs dropped", "<w:p></w:p><w:p> \t </w:p><w:p><w:t>x</w:t></w:p>", "x"},
      {"open document", "<text:h>Title</text:h><text:p>a<text:tab/>b<text:line-break/>c</text:p>",
       "Title\na b\nc"},
      {"stray angle brackets", "a <> b < c", "a <> b < c"},
  };
  for (const auto& [what, xml, text] : cases) {
    EXPECT_EQ(OfficeText::plainText(xml), text) << what;
  }
}

class OfficeTextTest : public testing::ExtractorTest {};

TEST_F(OfficeTextTest, WordDocumentAndSpreadsheet) {
  writeZip(dir / "letter.docx",
           {{"[Content_Types].xml", "<Types/>"},
            {"word/document.xml", testing::wordDocumentXml({"Dear Ana,", "Fish &amp; chips."})}});
  EXPECT_EQ(extract("letter.docx"), "Dear Ana,\nFish & chips.");
  // A spreadsheet gives one shared string per line.
  writeZip(dir / "book.xlsx",
           {{"xl/sharedStrings.xml",
             "<sst count=\"3\"><si><t>Revenue</t></si><si><t>Costs</t></si>"
             "<si><r><t>Net</t></r><r><t xml:space=\"preserve\"> margin</t></r></si></sst>"}});
  EXPECT_EQ(extract("book.xlsx"), "Revenue\nCosts\nNet margin");
}

TEST_F(OfficeTextTest, PresentationGivesItsFirstTwelveSlides) {
  std::vector<testing::ZipMember> members;
  for (int i = 1; i <= 13; ++i) {
    members.push_back({"ppt/slides/slide" + std::to_string(i) + ".xml",
                       testing::slideXml("Slide number " + std::to_string(i))});
  }
  writeZip(dir / "deck.pptx", members);
  std::optional<std::string> text = extract("deck.pptx");
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->starts_with("Slide number 1\nSlide number 2\n"));
  EXPECT_TRUE(text->ends_with("Slide number 12"));
  EXPECT_EQ(text->find("Slide number 13"), std::string::npos);
}

TEST_F(OfficeTextTest, OpenDocumentFormats) {
  for (const char* ext : {"odt", "ods", "odp"}) {
    std::string name = std::string("doc.") + ext;
    writeZip(dir / name, {{"mimetype", "application/vnd.oasis.opendocument"},
                          {"content.xml", "<office:text><text:p>Hello from " + std::string(ext) +
                                              "</text:p></office:text>"}});
    EXPECT_EQ(extract(name), "Hello from " + std::string(ext));
  }
}

TEST_F(OfficeTextTest, MissingPartsAndNonArchivesGiveNothing) {
  writeZip(dir / "hollow.docx", {{"word/styles.xml", "<w:styles/>"}});
  EXPECT_FALSE(extract("hollow.docx"));
  EXPECT_FALSE(extract("fake.xlsx", "this is not a zip archive"));
}

TEST_F(OfficeTextTest, ZipBombCostsAtMostThePartCap) {
  // A member of three times the cap, packed to a few kilobytes.
  writeZip(dir / "bomb.docx",
           {{"word/document.xml", std::string(3 * OfficeText::kPartLimit, 'A')}});

  std::optional<RegularFile> file = RegularFile::open(dir / "bomb.docx");
  ASSERT_TRUE(file);
  std::optional<ZipParts> archive = ZipParts::open(file->fd());
  ASSERT_TRUE(archive);
  std::optional<std::string> part =
      archive->read("word/document.xml", OfficeText::kPartLimit, OfficeText::kPartTimeout);
  ASSERT_TRUE(part);
  EXPECT_EQ(*part, std::string(OfficeText::kPartLimit, 'A'));

  EXPECT_EQ(extract("bomb.docx"), std::string(6000, 'A'));
  writeZip(dir / "bomb.xlsx", {{"xl/sharedStrings.xml", std::string(8'000'000, 'B')}});
  EXPECT_EQ(extract("bomb.xlsx"), std::string(6000, 'B'));
}

TEST_F(OfficeTextTest, OfficeFilesOverTheLimitAreNotOpened) {
  writeZip(dir / "small.docx", {{"word/document.xml", testing::wordDocumentXml({"words"})}});
  EXPECT_FALSE(
      extractor.text(dir / "small.docx", "docx", DefaultExtractor::kMaxOfficeFileSize + 1));
  EXPECT_FALSE(OfficeText::text(dir / "small.docx", "docx", 6000, 10, 1000));
}

// Old Word files go to a converter, which reads the file however Word saved it. This one holds
// RTF, as many .doc files do: the converter's reading of Word's binary format is its own.
TEST_F(OfficeTextTest, OldWordDocument) {
  if (access("/usr/bin/catdoc", X_OK) != 0) GTEST_SKIP() << "catdoc is not installed";
  EXPECT_EQ(extract("minutes.doc",
                    R"({\rtf1\ansi Minutes of the caf\'e9 meeting.\par Second paragraph.})"),
            "Minutes of the café meeting.\nSecond paragraph.");
}

}  // namespace
}  // namespace quorvale
