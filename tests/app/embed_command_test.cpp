#include "embed_command.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "models/model_store.h"
#include "support/model_files.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

class EmbedCommandTest : public ::testing::Test {
 protected:
  EmbedCommandTest() { setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1); }
  ~EmbedCommandTest() override { unsetenv("XDG_DATA_HOME"); }

  std::string run(const std::string& text, int& code) {
    ::testing::internal::CaptureStdout();
    code = embedCommand(text);
    return ::testing::internal::GetCapturedStdout();
  }

  TempDir dir;
  ModelStore store{dir / "data/Quorvale/Models"};
};

TEST_F(EmbedCommandTest, PrintsTheVectorOfTheInstalledModelOrNothing) {
  int code = 0;
  EXPECT_EQ(run("hello", code), "");  // no model installed
  EXPECT_EQ(code, 1);
  EXPECT_EQ(installedModelFolder(), std::nullopt);

  testing::writeRandomModel(store.payload("quorvale-embed-1"), {.hidden = 8, .heads = 2});
  store.record({.id = "quorvale-embed-1", .version = "1", .sizeBytes = 1, .dimension = 8},
               std::chrono::system_clock::now());
  EXPECT_EQ(installedModelFolder(), dir / "data/Quorvale/Models/quorvale-embed-1/model");
  auto vector = nlohmann::json::parse(run("hello world", code)).get<std::vector<float>>();
  EXPECT_EQ(code, 0);
  ASSERT_EQ(vector.size(), 8u);
  double length = 0;
  for (float v : vector) length += v * v;
  EXPECT_NEAR(std::sqrt(length), 1.0, 1e-5);
  EXPECT_EQ(run("   ", code), "");
  EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace quorvale
