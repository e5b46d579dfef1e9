#include "wl_paste.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(WlPasteTest, TypesOneALine) {
  EXPECT_EQ(WlPaste::parseTypes("text/plain;charset=utf-8\nx-kde-passwordManagerHint\r\n\n"
                                "UTF8_STRING"),
            (std::vector<std::string>{"text/plain;charset=utf-8", "x-kde-passwordManagerHint",
                                      "UTF8_STRING"}));
  EXPECT_TRUE(WlPaste::parseTypes("").empty());
}

}  // namespace
}  // namespace quorvale
