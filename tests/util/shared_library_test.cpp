#include "util/shared_library.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(SharedLibrary, OpensTheFirstNameThatLoadsAndResolvesItsSymbols) {
  const SharedLibrary missing({"", "libquorvale-no-such-library.so.9"});
  EXPECT_FALSE(missing.loaded());
  EXPECT_EQ(missing.symbol("cos"), nullptr);

  const SharedLibrary math({"libquorvale-no-such-library.so.9", "libm.so.6"});
  ASSERT_TRUE(math.loaded());
  double (*cosine)(double) = nullptr;
  ASSERT_TRUE(math.resolve(cosine, "cos"));
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_FALSE(math.resolve(cosine, "quorvale_no_such_symbol"));
}

}  // namespace
}  // namespace quorvale
