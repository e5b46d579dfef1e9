#include "launch_mode.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(LaunchModeTest, ArgumentsChooseTheJob) {
  using Kind = LaunchMode::Kind;
  using Request = LaunchMode::Request;
  struct Case {
    std::vector<std::string> args;
    LaunchMode expected;
  };
  const Case cases[] = {
      {{}, {Kind::desktop, Request::start, ""}},
      {{"--demo"}, {Kind::desktop, Request::start, ""}},
      {{"--toggle"}, {Kind::desktop, Request::toggle, ""}},
      {{"--demo", "/tmp/p.png"}, {Kind::demo, Request::start, "/tmp/p.png"}},
      {{"--demo", "/tmp/p.png", "--status"}, {Kind::commandLine, Request::start, ""}},
      {{"--toggle", "--clip"}, {Kind::commandLine, Request::start, ""}},
      {{"--bogus"}, {Kind::commandLine, Request::start, ""}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LaunchMode::of(c.args), c.expected) << (c.args.empty() ? "" : c.args.front());
  }
}

}  // namespace
}  // namespace quorvale
