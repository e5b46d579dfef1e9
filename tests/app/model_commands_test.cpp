// The model commands, run as `quorvale --install-model` and `quorvale --embed` would be.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>

#include "embed_command.h"
#include "install_model_command.h"
#include "support/model_files.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

class ModelCommandsTest : public ::testing::Test {
 protected:
  ModelCommandsTest() {
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  ~ModelCommandsTest() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
  }

  // What the command printed; its exit code goes to `code`.
  std::string run(const std::function<int()>& command) {
    ::testing::internal::CaptureStdout();
    code = command();
    return ::testing::internal::GetCapturedStdout();
  }

  testing::TempDir dir;
  int code = -1;
};

TEST_F(ModelCommandsTest, AnInstalledModelEmbedsTextAsAUnitVector) {
  EXPECT_EQ(run([] { return embedCommand("hello"); }), "");  // no model installed
  EXPECT_EQ(code, 1);
  EXPECT_EQ(installedModelFolder(), std::nullopt);

  testing::writeRandomModel(dir / "model", {.hidden = 8, .heads = 2});
  const std::string installed = dir / "data/Quorvale/Models/quorvale-embed-1/model";
  EXPECT_EQ(run([&] { return installModelCommand(dir / "model"); }),
            "model installed: quorvale-embed-1 (dimension 8) in " + installed + "\n");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(installedModelFolder(), installed);

  auto vector = nlohmann::json::parse(run([] {
                  return embedCommand("hello world");
                })).get<std::vector<float>>();
  EXPECT_EQ(code, 0);
  ASSERT_EQ(vector.size(), 8u);
  double length = 0;
  for (float v : vector) length += v * v;
  EXPECT_NEAR(std::sqrt(length), 1.0, 1e-5);
  EXPECT_EQ(run([] { return embedCommand("   "); }), "");
  EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace quorvale
