#include "scan/default_extractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "scan/document_fixtures.h"
#include "support/test_support.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

using testing::writeFile;

class DefaultExtractorTest : public testing::ExtractorTest {};

TEST(SecretFiles, NamesAndExtensions) {
  auto secret = [](const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    return DefaultExtractor::isSecretFile(name, ext.empty() ? ext : ext.substr(1));
  };
  for (const char* name :
       {"Passwords.txt", ".env.local", ".env", "settings.env", "server.PEM", "id_rsa",
        "id_ed25519.pub", ".netrc", ".git-credentials", "Top Secret plan.md", "AWS_API_KEY.txt",
        "db-credentials.json", "keynote talk.key", "access_token.txt"}) {
    EXPECT_TRUE(secret(name)) << name;
  }
  for (const char* name :
       {"Secretary notes.txt", "notes.txt", "secretariat minutes.md", "README"}) {
    EXPECT_FALSE(secret(name)) << name;
  }
}

TEST_F(DefaultExtractorTest, TextByNameAndBytes) {
  const std::string page = "<html><body>Harbour timetable</body></html>";
  const std::tuple<const char*, std::string, std::optional<std::string>> cases[] = {
      {"Passwords.txt", "hunter2", std::nullopt},
      {"Secretary notes.txt", "Meeting at noon", "Meeting at noon"},
      {"notes.TXT", "\n\n  hello world \t\n", "hello world"},
      {"blank.md", " \n\t\n", std::nullopt},
      {"photo.png", "not really a picture", std::nullopt},
      {"page.HTM", page, page},
      {"data.txt", std::string("abc\0def", 7), std::nullopt},      // a zero byte means binary
      {"latin.txt", "caf\xE9 cr\xE8me \x80 5", "café crème € 5"},  // read as Windows-1252
      {"end.txt", "d\xE9j\xE0", "déjà"},  // a lone Latin-1 letter at the end is not a cut
      {"stray.txt", "naïve café \xFF résumé", "naïve café \uFFFD résumé"},
      {"bom.txt", "\xEF\xBB\xBFwith mark", "with mark"},
      {"letter.rtf", "{\\rtf1\\ansi Dear Bob,\\par See you.}", "Dear Bob,\nSee you."},
  };
  for (const auto& [name, bytes, expected] : cases)
    EXPECT_EQ(extract(name, bytes), expected) << name;
  extractor.maxFileSize = 100;
  EXPECT_FALSE(extract("long.rtf", "{\\rtf1 " + std::string(200, 'x') + "}"));
}

TEST_F(DefaultExtractorTest, LargeLogsAreSkippedAndSmallerOnesGiveTheirStart) {
  std::string line = "2024-05-01 12:00:00 service started ok\n";
  std::string threeMegabytes;
  while (threeMegabytes.size() < 3'000'000) threeMegabytes += line;
  std::string fiveMegabytes = threeMegabytes + threeMegabytes.substr(0, 2'000'000);

  EXPECT_FALSE(extract("big.log", fiveMegabytes));
  EXPECT_EQ(extract("medium.log", threeMegabytes),
            unicode::trimmed(threeMegabytes.substr(0, 6000)));
}

TEST_F(DefaultExtractorTest, ACharacterCutAtTheByteLimitIsDroppedNotTheWholeText) {
  // 5999 ASCII letters, then "é" (two bytes) straddling byte 6000.
  EXPECT_EQ(extract("cut.txt", std::string(5999, 'a') + "é and more"), std::string(5999, 'a'));

  std::string euros;
  for (int i = 0; i < 3000; ++i) euros += "€";  // three bytes each
  EXPECT_EQ(extract("euros.txt", "x" + euros), "x" + euros.substr(0, 1999 * 3));
}

TEST_F(DefaultExtractorTest, MaxBytesCountsCharactersInTheResult) {
  extractor.maxBytes = 3;
  // "e" plus a combining accent is one character of three bytes.
  EXPECT_EQ(extract("accents.rtf", R"({\rtf1 e\u769?e\u769?e\u769?e\u769?})"),
            "e\u0301e\u0301e\u0301");
  // Plain text is read only up to that many bytes.
  EXPECT_EQ(extract("accents.txt", "e\u0301e\u0301"), "e\u0301");
}

TEST_F(DefaultExtractorTest, FifosDevicesAndLinksAreNeverRead) {
  std::string fifo = dir / "pipe.txt";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_FALSE(extractor.text(fifo, "txt", 0));  // would block forever if opened for reading
  EXPECT_FALSE(extractor.text("/dev/zero", "txt", 0));
  EXPECT_FALSE(extractor.text(dir.path(), "txt", 0));
  writeFile(dir / "real.txt", "target text");  // links are not followed
  std::filesystem::create_symlink(dir / "real.txt", dir / "link.txt");
  EXPECT_FALSE(extractor.text(dir / "link.txt", "txt", 11));
}

TEST_F(DefaultExtractorTest, UnreadableFilesGiveNothing) {
  std::string secretPath = dir / "locked.txt";
  std::string openPath = dir / "open.txt";
  writeFile(secretPath, "private words");
  writeFile(openPath, "public words");
  chmod(secretPath.c_str(), 0000);
  chmod(openPath.c_str(), 0644);
  DefaultExtractor reader;
  EXPECT_TRUE(testing::asUnprivilegedUser([&] { return !reader.text(secretPath, "txt", 13); }));
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    return reader.text(openPath, "txt", 12) == std::optional<std::string>("public words");
  }));
}

TEST_F(DefaultExtractorTest, FilesChangedAfterListingGiveWhatIsThere) {
  std::string path = dir / "gone.txt";
  writeFile(path, "soon deleted");
  std::filesystem::remove(path);
  EXPECT_FALSE(extractor.text(path, "txt", 12));

  path = dir / "shrunk.txt";
  writeFile(path, std::string(100, 'a') + std::string(9000, 'b'));
  ASSERT_EQ(truncate(path.c_str(), 100), 0);
  EXPECT_EQ(extractor.text(path, "txt", 9100), std::string(100, 'a'));

  // Listed small, grown past the limit since: the size at opening counts.
  path = dir / "grown.log";
  writeFile(path, std::string(5'000'000, 'x'));
  EXPECT_FALSE(extractor.text(path, "log", 10));
}

}  // namespace
}  // namespace quorvale
