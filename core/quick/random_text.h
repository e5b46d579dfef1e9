// Random text for the quick tools: version-4 UUIDs and passwords. The randomness comes from a
// source of 64-bit numbers that callers pass in; the default reads the kernel's cryptographically
// secure generator, and tests pass a predictable one. Pure functions given the source; the
// default source is safe on any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvale::quick {

using RandomSource = std::function<uint64_t()>;

// 64 bits from getrandom(2), else from OpenSSL's generator.
uint64_t secureRandom();
// A new source of the same numbers that fetches them 32 at a time: make one per answer (a
// password takes one draw per character), and let it go with the answer.
RandomSource secureRandomSource();

// A uniformly chosen number below `bound` (above 0). Draws that would favour the low numbers
// are rejected and drawn again; a source that never gives a usable draw (a broken test double)
// is used as it is after 64 tries rather than spun on for ever.
uint64_t uniformBelow(const RandomSource& random, uint64_t bound);

// 65 characters: no I, O, l, 0 or 1, which are easily mistaken for one another.
inline constexpr std::string_view kPasswordAlphabet =
    "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789-_.!?#$%";

inline constexpr int kShortestPassword = 8;
inline constexpr int kLongestPassword = 64;
inline constexpr int kDefaultPasswordLength = 20;

// `length` characters of the alphabet, clamped to 8 ... 64.
std::string password(long long length, const RandomSource& random);

// A random (version 4) UUID in its 36-character form, lower case.
std::string newUuid(const RandomSource& random);
// The same in upper case, as identifiers are stored.
std::string newUuidUpper(const RandomSource& random);

}  // namespace quorvale::quick
