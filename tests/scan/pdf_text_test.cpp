#include "scan/pdf_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "scan/document_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::makePdf;

class PdfTextTest : public testing::ExtractorTest {};

TEST_F(PdfTextTest, ReadsTheFirstThreePagesUnlessListedTooLarge) {
  EXPECT_EQ(extract("two.pdf", makePdf({"Quarterly report", "Second (page)"})),
            "Quarterly report\nSecond (page)");
  // Listed as larger than the limit: not opened at all.
  EXPECT_FALSE(extractor.text(dir / "two.pdf", "pdf", PdfText::kMaxFileSize + 1));
  EXPECT_EQ(extract("five.pdf",
                    makePdf({"page one", "page two", "page three", "page four", "page five"})),
            "page one\npage two\npage three");
}

TEST_F(PdfTextTest, DamagedFilesGiveNothingOrWhatIsLegible) {
  EXPECT_FALSE(extract("empty.pdf", ""));
  EXPECT_FALSE(extract("garbage.pdf", std::string(5000, '\x07')));
  std::string pdf = makePdf({"legible words", "more"});
  // A truncated file may still be legible in part; it must simply not crash.
  std::optional<std::string> truncated = extract("truncated.pdf", pdf.substr(0, pdf.size() / 2));
  if (truncated) {
    EXPECT_EQ(truncated->find("more"), std::string::npos);
  }
}

TEST_F(PdfTextTest, PasswordLockedDocumentsGiveNothing) {
  if (access("/usr/bin/qpdf", X_OK) != 0) GTEST_SKIP() << "qpdf is not installed";
  std::string plain = dir / "plain.pdf";
  std::string locked = dir / "locked.pdf";
  testing::writeFile(plain, makePdf({"confidential"}));
  std::string command =
      "/usr/bin/qpdf --encrypt user owner 256 -- '" + plain + "' '" + locked + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_FALSE(PdfText::text(locked, 1000, 6000));
  EXPECT_FALSE(extractor.text(locked, "pdf", 1000));
}

}  // namespace
}  // namespace quorvale
