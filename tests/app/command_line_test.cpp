#include "command_line.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <nlohmann/json.hpp>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

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
    args.insert(args.begin(), "quorvale");
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    ::testing::internal::CaptureStdout();
    int code = runCommandLine(static_cast<int>(argv.size()), argv.data());
    if (exitCode) *exitCode = code;
    return ::testing::internal::GetCapturedStdout();
  }

  TempDir dir;
};

TEST_F(CommandLineTest, StatusPrintsTheCountAndTheDataFolder) {
  EXPECT_EQ(run({"--status"}), "indexed=0 supportDir=" + (dir / "data/Quorvale") + "\n");
}

TEST_F(CommandLineTest, StatusReportsAnIndexThatCannotBeOpened) {
  testing::writeFile(dir / "data/Quorvale", "a file where the data folder should be");
  int code = -1;
  EXPECT_EQ(run({"--status"}, &code), "index unavailable\n");
  EXPECT_EQ(code, 0);
}

TEST_F(CommandLineTest, LoginItemSwitchesComeFirstAndWriteTheAutostartEntry) {
  EXPECT_EQ(run({"--status", "--enable-login-item"}), "login item enabled\n");
  EXPECT_NE(testing::readFile(dir / "config/autostart/quorvale.desktop").find("Exec="),
            std::string::npos);
  EXPECT_EQ(run({"--disable-login-item"}), "login item removed\n");
}

TEST_F(CommandLineTest, ScanThenQueryPrintsRowsAsTextAndJson) {
  testing::writeFile(dir / "home/notes/harbour-plan.txt", "ferry timetable");
  std::string scanned = run({"--scan", dir / "home/notes"});
  EXPECT_EQ(scanned, "indexed=1 supportDir=" + (dir / "data/Quorvale") + "\n");

  EXPECT_EQ(run({"--query", "ferry"}).substr(0, 36), "harbour-plan.txt\t~/notes/harbour-pla");
  auto rows = nlohmann::json::parse(run({"--query", "harbour", "--json"}));
  ASSERT_TRUE(rows.is_array());
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0]["id"], "file-" + (dir / "home/notes/harbour-plan.txt"));
  EXPECT_EQ(rows[0]["payload"], "file");
  EXPECT_EQ(run({"--query", "2+3"}), "5\tPress Return to copy\n");
}

TEST_F(CommandLineTest, DemoNeedsAFileAndOtherwiseFallsThrough) {
  int code = -1;
  EXPECT_EQ(run({"--demo", "out.png"}, &code), "demo failed\n");
  EXPECT_EQ(code, 1);
  EXPECT_EQ(run({"--demo"}, &code), "");
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace quorvale
