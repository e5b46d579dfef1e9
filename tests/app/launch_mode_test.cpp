#include "launch_mode.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(LaunchModeTest, ArgumentsChooseTheJob) {
  using Kind = LaunchMode::Kind;
  using Request = LaunchMode::Request;
  const std::pair<std::vector<std::string>, LaunchMode> cases[] = {
      {{}, {Kind::desktop, Request::start, ""}},
      {{"--demo"}, {Kind::desktop, Request::start, ""}},
      {{"--toggle"}, {Kind::desktop, Request::toggle, ""}},
      {{"--demo", "/tmp/p.png"}, {Kind::demo, Request::start, "/tmp/p.png"}},
      {{"--demo", "/tmp/p.png", "--status"}, {Kind::commandLine, Request::start, ""}},
      {{"--toggle", "--clip"}, {Kind::commandLine, Request::start, ""}},
      {{"--bogus"}, {Kind::commandLine, Request::start, ""}},
  };
  for (const auto& [args, expected] : cases) {
    EXPECT_EQ(LaunchMode::of(args), expected) << (args.empty() ? "" : args.front());
  }
}

}  // namespace
}  // namespace quorvale
