#include "quick/epoch.h"

#include <gtest/gtest.h>

namespace quorvale::quick {
namespace {

struct Conversion {
  std::string text;
  std::string zone;
  std::optional<std::string> result;  // nothing: no conversion
  std::string_view label = kUnixToLocal;
};

class Epoch : public ::testing::TestWithParam<Conversion> {};

TEST_P(Epoch, InZone) {
  const Conversion& c = GetParam();
  const auto converted = epoch(c.text, LocalZone{c.zone});
  ASSERT_EQ(converted.has_value(), c.result.has_value()) << c.text << " in " << c.zone;
  if (!converted) return;
  EXPECT_EQ(converted->result, *c.result) << c.text << " in " << c.zone;
  EXPECT_EQ(converted->label, c.label) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Epoch,
    ::testing::Values(Conversion{"1720000000", "America/New_York", "2024-07-03 05:46:40 EDT"},
                      Conversion{"1700000000", "Asia/Kolkata", "2023-11-15 03:43:20 GMT+5:30"},
                      Conversion{"1700000000000", "UTC", "2023-11-14 22:13:20 UTC"},
                      Conversion{"-1000000000", "UTC", "1938-04-24 22:13:20 UTC"},
                      Conversion{"2024-01-31", "America/New_York", "1706677200", kLocalToUnix},
                      Conversion{"2024-01-31 10:30", "UTC", "1706697000", kLocalToUnix},
                      Conversion{"1969-12-31 23:59", "UTC", "-60", kLocalToUnix},
                      Conversion{"12345678", "UTC", std::nullopt},
                      Conversion{"253402300800", "UTC", std::nullopt},  // 10000-01-01
                      Conversion{"-62135596801", "UTC", std::nullopt},  // before the year 1
                      Conversion{"2024-02-30", "UTC", std::nullopt},
                      Conversion{"31/01/2024", "UTC", std::nullopt},
                      Conversion{"", "UTC", std::nullopt}));

// The first two rows of a converter that kept the first zone it saw would both read UTC.
TEST(Epoch, ZoneChangesBetweenCallsOnOneThread) {
  EXPECT_EQ(epoch("1700000000", LocalZone{"UTC"})->result, "2023-11-14 22:13:20 UTC");
  EXPECT_EQ(epoch("1700000000", LocalZone{"America/New_York"})->result, "2023-11-14 17:13:20 EST");
  EXPECT_EQ(epoch("1700000000", LocalZone{"UTC"})->result, "2023-11-14 22:13:20 UTC");
}

}  // namespace
}  // namespace quorvale::quick
