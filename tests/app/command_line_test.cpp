#include "command_line.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "clipboard/clip_store.h"
#include "support/test_support.h"
#include "terminal_text.h"

namespace quorvale {
namespace {

using testing::TempDir;

int runQuorvale(std::vector<std::string> args) {
  args.insert(args.begin(), "quorvale");
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  return runCommandLine(static_cast<int>(argv.size()), argv.data());
}

// Runs the command line with the user's folders inside a scratch folder; returns what it printed.
class CommandLineTest : public ::testing::Test {
 protected:
  CommandLineTest() {
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("HOME", (dir / "home").c_str(), 1);
  }
  ~CommandLineTest() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
  }

  std::string run(std::vector<std::string> args, int* exitCode = nullptr) {
    ::testing::internal::CaptureStdout();
    int code = runQuorvale(std::move(args));
    if (exitCode) *exitCode = code;
    return ::testing::internal::GetCapturedStdout();
  }

  TempDir dir;
};

TEST_F(CommandLineTest, StatusPrintsTheCountOrUnavailableAndLoginItemSwitchesComeFirst) {
  EXPECT_EQ(run({"--status"}), "indexed=0 supportDir=" + (dir / "data/Quorvale") + "\n");
  std::filesystem::remove_all(dir / "data/Quorvale");
  testing::writeFile(dir / "data/Quorvale", "a file where the data folder should be");
  int code = -1;
  EXPECT_EQ(run({"--status"}, &code), "index unavailable\n");
  EXPECT_EQ(code, 0);

  // The login item switches come first, and write the autostart entry.
  EXPECT_EQ(run({"--status", "--enable-login-item"}), "login item enabled\n");
  EXPECT_NE(testing::readFile(dir / "config/autostart/quorvale.desktop").find("Exec="),
            std::string::npos);
  EXPECT_EQ(run({"--disable-login-item"}), "login item removed\n");
}

// Control characters in a name reach the terminal escaped, and JSON as they are.
TEST_F(CommandLineTest, ScanThenQueryPrintsRowsAsEscapedTextAndJson) {
  const std::string path = dir / "home/notes/harbour\tplan\x1b[2J.txt";
  testing::writeFile(path, "ferry timetable");
  EXPECT_EQ(run({"--scan", dir / "home/notes"}),
            "indexed=1 supportDir=" + (dir / "data/Quorvale") + "\n");

  std::string printed = run({"--query", "ferry"});
  EXPECT_EQ(printed.substr(0, printed.find('\n')),
            "harbour\\tplan\\x1B[2J.txt\t~/notes/harbour\\tplan\\x1B[2J.txt");
  auto rows = nlohmann::json::parse(run({"--query", "harbour", "--json"}));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0]["id"], "file-" + path);
  EXPECT_EQ(rows[0]["payload"], "file");
  EXPECT_EQ(run({"--query", "2+3"}), "5\tPress Return to copy\n");
}

TEST_F(CommandLineTest, ScanOfAFolderThatCannotBeOpenedFailsWithTheReason) {
  testing::writeFile(dir / "home/file.txt", "x");
  for (const auto& [folder, reason] :
       {std::pair<std::string, std::string>{dir / "home/does-not-exist",
                                            "No such file or directory"},
        {dir / "home/file.txt", "not a folder"}}) {
    int code = -1;
    ::testing::internal::CaptureStderr();
    std::string out = run({"--scan", folder}, &code);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 1) << folder;
    EXPECT_EQ(err, "quorvale: cannot scan " + folder + ": " + reason + "\n");
    EXPECT_EQ(out, "");
  }
}

TEST_F(CommandLineTest, ScanThatTheDatabaseRefusesExitsWithOne) {
  for (int i = 0; i < 300; ++i) {
    std::string words;
    for (int j = 0; j < 500; ++j) words += "w" + std::to_string(i) + "x" + std::to_string(j) + " ";
    testing::writeFile(dir / "home/notes/note" + std::to_string(i) + ".txt", words);
  }
  run({"--status"});  // creates the small empty index
  std::string errors = dir / "stderr.txt";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The files may not grow past 256 kB: the scan's writes find the disk full.
    struct rlimit limit = {256 * 1024, 256 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_IGN);
    if (!std::freopen(errors.c_str(), "w", stderr)) _exit(9);
    int code = runQuorvale({"--scan", dir / "home/notes"});
    std::fflush(nullptr);
    _exit(code);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(testing::readFile(errors).find("quorvale: the scan failed: "), std::string::npos)
      << testing::readFile(errors);
}

// A clipboard history of `count` unpinned copies made in 2025.
std::string clipHistory(int count) {
  ClipStore store;
  const ClipPolicy keepAll{.maxItems = count};
  for (int i = 0; i < count; ++i) {
    store.record("copy " + std::to_string(i), std::nullopt, {},
                 ClipDate{} + std::chrono::seconds(1'735'689'600 + i), keepAll);
  }
  return store.toJson();
}

// Commands that only read write no clipboard history, and unreadable settings never prune or
// rewrite it (the user may keep far more than the defaults allow).
TEST_F(CommandLineTest, ReadingCommandsAndUnreadableSettingsLeaveTheClipboardHistory) {
  const std::string clips = dir / "data/Quorvale/clips.json";
  const std::vector<std::vector<std::string>> reading{{"--status"}, {"--query", "clip"}};
  for (const auto& args : reading) {
    run(args);
    EXPECT_FALSE(std::filesystem::exists(clips)) << args[0];
  }
  const std::string few = clipHistory(3);
  testing::writeFile(clips, few);
  for (const auto& args : reading) {
    run(args);
    EXPECT_EQ(testing::readFile(clips), few) << args[0];
  }

  // The user keeps 1,000 copies for ten years; one field of the record has the wrong type.
  const std::string settings =
      R"({"quorvale.settings.v1":{"clipboard":{"enabled":true,"maxItems":1000,"maxAgeDays":3650},)"
      R"("roots":"~/Documents"}})";
  testing::writeFile(dir / "config/quorvale/defaults.json", settings);
  const std::string history = clipHistory(500);
  testing::writeFile(clips, history);
  testing::makeDirs(dir / "home/notes");
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--status"}, {"--query", "clip copy"}, {"--scan", dir / "home/notes"}}) {
    ::testing::internal::CaptureStderr();
    run(args);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::readFile(clips), history) << args[0];
    EXPECT_NE(said.find("The settings could not be read"), std::string::npos) << said;
    std::size_t at = said.find(dir / "config/quorvale/defaults.json.unreadable-");
    ASSERT_NE(at, std::string::npos) << said;
    std::string copy = said.substr(at, said.find_first_of("\n;", at) - at);
    EXPECT_EQ(testing::readFile(copy), settings);
  }
}

TEST(TerminalText, ControlCharactersAndBadBytesAreEscapedAndTheRestKept) {
  const std::pair<std::string, std::string> cases[] = {
      {"report.pdf", "report.pdf"},
      {"Crème brûlée – 日本.txt", "Crème brûlée – 日本.txt"},
      {"two\tfields\nand a line\r", "two\\tfields\\nand a line\\r"},
      {"\x1b]0;owned\x07\x1b[2J", "\\x1B]0;owned\\x07\\x1B[2J"},
      {"del\x7f", "del\\x7F"},
      {"csi \xc2\x9b"
       "31m",
       "csi \\u009B31m"},  // the 8-bit CSI, as UTF-8
      {"latin1 \xe9t\xe9", "latin1 \\xE9t\\xE9"},
      {"back\\slash\\t", "back\\\\slash\\\\t"},  // a literal "\t" stays apart from a tab
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(terminal_text::escaped(text), shown) << text;
}

}  // namespace
}  // namespace quorvale
