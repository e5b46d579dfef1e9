#include "process_stamp.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quorvale {
namespace {

TEST(ProcessStampTest, AReusedProcessIdIsAnotherProcess) {
  testing::TempDir proc;
  auto stat = [&](const std::string& text) { testing::writeFile(proc / "42/stat", text); };
  // The command name may hold spaces and parentheses.
  stat("42 (my (odd) app) S 1 42 42 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5000 0 0\n");
  auto stamp = ProcessStamp::of(42, proc.path());
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->startTicks, 5000u);
  EXPECT_TRUE(stamp->running(proc.path()));
  stat("42 (other) S 1 42 42 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 9000 0 0\n");
  EXPECT_FALSE(stamp->running(proc.path()));
  stat("42 (my (odd) app) Z 1 42 42 0 -1 4194560 0 0 0 0 0 0 0 0 20 0 1 0 5000 0 0\n");
  EXPECT_FALSE(stamp->running(proc.path()));
  stat("42 (truncated");
  EXPECT_FALSE(stamp->running(proc.path()));
  EXPECT_FALSE(ProcessStamp::of(43, proc.path()));
}

}  // namespace
}  // namespace quorvale
