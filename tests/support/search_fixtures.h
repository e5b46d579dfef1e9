// What the search tests share: the calendar the query parser reads dates with, and a
// deterministic generator for the corpora they build.
#pragma once

#include <unicode/gregocal.h>

#include <cstdint>
#include <memory>

namespace quorvale::testing {

// A Gregorian calendar in the named time zone.
inline std::unique_ptr<icu::Calendar> calendarIn(const char* zone = "UTC") {
  UErrorCode status = U_ZERO_ERROR;
  return std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone(zone), status);
}

// A 64-bit linear congruential generator: the same numbers on every machine and every run.
class Lcg {
 public:
  explicit Lcg(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_ >> 33;
  }

 private:
  uint64_t state_;
};

}  // namespace quorvale::testing
