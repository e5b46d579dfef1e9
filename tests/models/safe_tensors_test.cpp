#include "models/safe_tensors.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <tuple>

#include "support/model_files.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using Kind = SafeTensors::Failure::Kind;

std::string lengthPrefix(std::uint64_t length) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes += static_cast<char>((length >> (8 * i)) & 0xFF);
  return bytes;
}

// A file of the header text and `dataBytes` zero bytes behind it.
std::string withHeader(const std::string& header, std::size_t dataBytes = 16) {
  return lengthPrefix(header.size()) + header + std::string(dataBytes, '\0');
}

class SafeTensorsTest : public ::testing::Test {
 protected:
  std::string write(const std::string& bytes) {
    std::string path = dir / ("file" + std::to_string(files++) + ".safetensors");
    testing::writeFile(path, bytes);
    return path;
  }

  testing::TempDir dir;
  int files = 0;
};

// A header of one tensor "w" with the given fields, as JSON text.
std::string tensorW(const std::string& dtype, const std::string& shape,
                    const std::string& offsets) {
  return withHeader(R"({"w":{"dtype":)" + dtype + R"(,"shape":)" + shape + R"(,"data_offsets":)" +
                    offsets + "}}");
}

// Opens the file and returns the failure's kind and text.
std::pair<Kind, std::string> failureOf(const std::string& path) {
  try {
    SafeTensors file(path);
  } catch (const SafeTensors::Failure& failure) {
    return {failure.kind(), failure.what()};
  }
  return {Kind::cannotOpen, "opened"};
}

// One file per distinct failure text; the fuzz target feeds the header parser the variants.
TEST_F(SafeTensorsTest, DamagedFilesFailWithTheirReason) {
  const std::string w = "w", range = "range of w";
  // What is damaged, the file's bytes, and the failure's kind and reason.
  const std::tuple<const char*, std::string, Kind, std::string> rows[] = {
      {"empty file", "", Kind::badHeader, "file too small"},
      {"header length 2^64-1", lengthPrefix(std::numeric_limits<std::uint64_t>::max()) + "{}",
       Kind::badHeader, "length"},
      {"not JSON", withHeader("{\"a\":"), Kind::badHeader, "json"},
      {"entry not an object", withHeader(R"({"w":[1]})"), Kind::badHeader, w},
      {"F64", tensorW(R"("F64")", "[1]", "[0,8]"), Kind::unsupportedDType, "F64"},
      {"range past the end", tensorW(R"("F32")", "[5]", "[0,20]"), Kind::badHeader, range},
      {"offsets that overflow when added", tensorW(R"("F32")", "[1]", "[0,9223372036854775807]"),
       Kind::badHeader, range},
      {"shape whose product overflows", tensorW(R"("F32")", "[4294967296,4294967296,4]", "[0,0]"),
       Kind::badHeader, w},
      {"fewer bytes than the shape needs", tensorW(R"("F32")", "[4]", "[0,8]"), Kind::badHeader, w},
  };
  for (const auto& [label, bytes, kind, reason] : rows) {
    std::string expected = kind == Kind::unsupportedDType ? "unsupported dtype " + reason
                                                          : "bad safetensors header: " + reason;
    EXPECT_EQ(failureOf(write(bytes)), std::pair(kind, expected)) << label;
  }
  std::string absent = dir / "absent.safetensors";
  EXPECT_EQ(failureOf(absent), std::pair(Kind::cannotOpen, "cannot open " + absent));
}

TEST_F(SafeTensorsTest, MetadataOnlyHeaderAndEmptyRangesAreAccepted) {
  SafeTensors file(write(withHeader(R"({"__metadata__":{"format":"pt"}})", 0)));
  EXPECT_TRUE(file.tensors().empty());
  EXPECT_THROW(file.floats("w"), SafeTensors::Failure);  // "missing tensor w"
  SafeTensors empty(write(tensorW(R"("F16")", "[0]", "[4,4]")));
  EXPECT_EQ(empty.info("w").length, 0);
  EXPECT_TRUE(empty.floats("w").empty());
}

// Half precision is checked bit pattern by bit pattern below.
TEST_F(SafeTensorsTest, ConvertsTheOtherElementTypes) {
  std::vector<testing::TensorSpec> tensors = {
      {"brain", "BF16", {2}, testing::encodeFloats({1.0f, -3.0f}, "BF16")},
      {"single", "F32", {2}, testing::encodeFloats({1.5f, -2.25f}, "F32")},
      {"scalar", "F32", {}, testing::encodeFloats({7.0f}, "F32")},
      {"empty", "F32", {3, 0}, ""},
  };
  SafeTensors file(write(testing::safetensorsBytes(tensors, R"({"format":"pt"})")));
  EXPECT_EQ(file.floats("brain"), (std::vector<float>{1.0f, -3.0f}));
  EXPECT_EQ(file.floats("single"), (std::vector<float>{1.5f, -2.25f}));
  EXPECT_EQ(file.floats("scalar"), std::vector<float>{7.0f});
  EXPECT_TRUE(file.floats("empty").empty());
}

// Every half-precision bit pattern, converted by rows and whole, against the compiler's own
// widening of _Float16 (exact in IEEE arithmetic, subnormals included).
TEST_F(SafeTensorsTest, EveryHalfConvertsLikeTheCompiler) {
  std::string all;
  for (std::uint32_t bits = 0; bits < 65536; ++bits) {
    all += static_cast<char>(bits & 0xFF);
    all += static_cast<char>(bits >> 8);
  }
  SafeTensors file(write(testing::safetensorsBytes({{"t", "F16", {256, 256}, all}})));
  auto whole = file.floats("t");
  std::vector<float> row(256);
  for (std::uint32_t r = 0; r < 256; ++r) {
    file.copyRow(file.info("t"), r, row.data());
    for (std::uint32_t c = 0; c < 256; ++c) {
      auto expected =
          static_cast<float>(std::bit_cast<_Float16>(static_cast<std::uint16_t>(r * 256 + c)));
      for (float actual : {row[c], whole[r * 256 + c]}) {
        if (std::isnan(expected)) {
          ASSERT_TRUE(std::isnan(actual)) << r * 256 + c;
        } else {
          ASSERT_EQ(std::bit_cast<std::uint32_t>(actual), std::bit_cast<std::uint32_t>(expected))
              << r * 256 + c;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvale
