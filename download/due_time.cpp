#include <limits>

#include "download/wait_with_events.h"

int64_t RelativeDueTime(int32_t delay, int unit) {
  double multiplier = 1.0;
  if (unit == kSeconds) multiplier = 1000.0;
  if (unit == kMinutes) multiplier = 60000.0;
  if (unit == kHours) multiplier = 3600000.0;
  // 10,000 units of 100 ns per millisecond; negative, because the wait is relative.
  const double due = static_cast<double>(delay) * multiplier * -10000.0;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(due > -kLimit && due < kLimit)) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(due);
}
