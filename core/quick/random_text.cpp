#include "quick/random_text.h"

#include <openssl/rand.h>
#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <random>
#include <span>

#include "util/unicode.h"

namespace quorvale::quick {
namespace {

constexpr int kMaxRejections = 64;

// A system call costs microseconds here, so draws are fetched a block at a time.
constexpr std::size_t kBlockDraws = 32;

bool fromKernel(std::span<uint64_t> values) {
  auto* bytes = reinterpret_cast<unsigned char*>(values.data());
  const std::size_t size = values.size_bytes();
  std::size_t filled = 0;
  while (filled < size) {
    const ssize_t got = getrandom(bytes + filled, size - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    filled += static_cast<std::size_t>(got);
  }
  return true;
}

void fillSecurely(std::span<uint64_t> values) {
  if (fromKernel(values)) return;
  auto* bytes = reinterpret_cast<unsigned char*>(values.data());
  if (RAND_bytes(bytes, static_cast<int>(values.size_bytes())) == 1) return;
  std::random_device device;  // the last resort; both above failing means a broken system
  for (uint64_t& value : values) value = (uint64_t{device()} << 32) ^ device();
}

struct Block {
  std::array<uint64_t, kBlockDraws> draws{};
  std::size_t next = kBlockDraws;
};

}  // namespace

uint64_t secureRandom() {
  uint64_t value = 0;
  fillSecurely(std::span<uint64_t>(&value, 1));
  return value;
}

RandomSource secureRandomSource() {
  // Shared, so that copies of the source never hand out the same draws twice.
  auto block = std::make_shared<Block>();
  return [block]() {
    if (block->next == block->draws.size()) {
      fillSecurely(block->draws);
      block->next = 0;
    }
    const uint64_t draw = block->draws[block->next];
    block->draws[block->next++] = 0;  // a used draw does not linger in memory
    return draw;
  };
}

uint64_t uniformBelow(const RandomSource& random, uint64_t bound) {
  if (bound <= 1) return 0;
  // 2^64 mod bound: draws below it are the surplus that would make low results likelier.
  const uint64_t surplus = (0 - bound) % bound;
  uint64_t draw = random();
  for (int tries = 1; draw < surplus && tries < kMaxRejections; ++tries) draw = random();
  return draw % bound;
}

std::string password(long long length, const RandomSource& random) {
  const auto count = std::clamp<long long>(length, kShortestPassword, kLongestPassword);
  std::string out;
  out.reserve(static_cast<std::size_t>(count));
  for (long long i = 0; i < count; ++i) {
    out += kPasswordAlphabet[uniformBelow(random, kPasswordAlphabet.size())];
  }
  return out;
}

std::string newUuid(const RandomSource& random) {
  std::array<unsigned char, 16> bytes{};
  for (int half = 0; half < 2; ++half) {
    const uint64_t draw = random();
    for (int i = 0; i < 8; ++i) bytes[half * 8 + i] = static_cast<unsigned char>(draw >> (8 * i));
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 0xF];
  }
  return out;
}

std::string newUuidUpper(const RandomSource& random) {
  return unicode::uppercased(newUuid(random));
}

}  // namespace quorvale::quick
