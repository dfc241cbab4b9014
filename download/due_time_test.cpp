#include <gtest/gtest.h>

#include <limits>

#include "download/wait_with_events.h"

namespace {

struct DueCase {
  int32_t delay;
  int unit;
  int64_t due;
};

TEST(RelativeDueTime, HundredNanosecondUnitsCountingBackwards) {
  const DueCase cases[] = {
      {10, kMilliseconds, -100000},
      {0, kMilliseconds, 0},
      {1, kSeconds, -10000000},
      {2, kMinutes, -1200000000},
      {1, kHours, -36000000000},
      {-3, kMilliseconds, 30000},
      {std::numeric_limits<int32_t>::max(), kMinutes, -1288490188200000000},
      // Beyond 2^63: the most negative value, as the processor's conversion gives.
      {std::numeric_limits<int32_t>::max(), kHours, std::numeric_limits<int64_t>::min()},
      {7, 9, -70000},  // an unknown unit counts as milliseconds
  };
  for (const DueCase& c : cases) EXPECT_EQ(RelativeDueTime(c.delay, c.unit), c.due) << c.delay << " " << c.unit;
}

}  // namespace
