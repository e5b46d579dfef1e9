#include "util/uuid.h"

#include <array>
#include <cstdint>
#include <random>

namespace quorvale::uuid {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool isDashPosition(std::size_t i) {
  return i == 8 || i == 13 || i == 18 || i == 23;
}

}  // namespace

std::string random() {
  // One device per thread: std::random_device reads the kernel's random source on each call.
  thread_local std::random_device device;
  std::array<std::uint8_t, 16> bytes{};
  for (std::size_t i = 0; i < bytes.size(); i += 4) {
    std::uint32_t word = device();
    for (std::size_t j = 0; j < 4; ++j) bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kHex[bytes[i] >> 4]);
    text.push_back(kHex[bytes[i] & 0x0F]);
  }
  return text;
}

std::optional<std::string> canonical(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  std::string upper(text);
  for (std::size_t i = 0; i < upper.size(); ++i) {
    char& c = upper[i];
    if (isDashPosition(i)) {
      if (c != '-') return std::nullopt;
    } else if (c >= 'a' && c <= 'f') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
      return std::nullopt;
    }
  }
  return upper;
}

}  // namespace quorvale::uuid
