// cef_time_* and CefTime: UTC explosion, the null time, and bad input.

#include <limits>

#include "gtest/gtest.h"
#include "include/internal/cef_types_wrappers.h"

namespace {

TEST(TimeTest, ExplodesAsUtcAndRoundTrips) {
  // 2000-02-29 12:34:56 UTC, a Tuesday.
  const time_t leap_day = 951827696;
  CefTime t(leap_day);
  EXPECT_EQ(2000, t.year);
  EXPECT_EQ(2, t.month);
  EXPECT_EQ(29, t.day_of_month);
  EXPECT_EQ(2, t.day_of_week);
  EXPECT_EQ(12, t.hour);
  EXPECT_EQ(34, t.minute);
  EXPECT_EQ(56, t.second);
  EXPECT_EQ(leap_day, t.GetTimeT());

  // Before 1970, with milliseconds.
  CefTime before(-1.25);
  EXPECT_EQ(1969, before.year);
  EXPECT_EQ(12, before.month);
  EXPECT_EQ(31, before.day_of_month);
  EXPECT_EQ(23, before.hour);
  EXPECT_EQ(59, before.minute);
  EXPECT_EQ(58, before.second);
  EXPECT_EQ(750, before.millisecond);
  EXPECT_DOUBLE_EQ(-1.25, before.GetDoubleT());

  CefTime a(10.0), b(12.5);
  EXPECT_EQ(2500, a.Delta(b));
  EXPECT_EQ(-2500, b.Delta(a));
}

TEST(TimeTest, ZeroAndNanAreTheNullTime) {
  for (double value : {0.0, std::numeric_limits<double>::quiet_NaN()}) {
    CefTime t(value);
    EXPECT_EQ(1601, t.year);
    EXPECT_EQ(1, t.month);
    EXPECT_EQ(1, t.day_of_month);
    EXPECT_EQ(0.0, t.GetDoubleT());
    EXPECT_EQ(0, t.GetTimeT());
  }
}

TEST(TimeTest, BadInputFailsWithoutGarbage) {
  cef_time_t out = {};
  EXPECT_EQ(
      0, cef_time_from_doublet(std::numeric_limits<double>::infinity(), &out));
  EXPECT_EQ(0, cef_time_from_doublet(1e300, &out));
  EXPECT_EQ(0, cef_time_from_timet(0, NULL));

  cef_time_t bad = {2001, 2, 0, 29, 0, 0, 0, 0};  // 2001 is not a leap year
  time_t as_time = 123;
  EXPECT_EQ(0, cef_time_to_timet(&bad, &as_time));
  cef_time_t month13 = {2001, 13, 0, 1, 0, 0, 0, 0};
  double as_double = 0;
  EXPECT_EQ(0, cef_time_to_doublet(&month13, &as_double));
  long long delta = 0;  // NOLINT(runtime/int)
  cef_time_t good = {2001, 1, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(0, cef_time_delta(&good, &bad, &delta));
  EXPECT_EQ(1, cef_time_delta(&good, &good, &delta));
  EXPECT_EQ(0, delta);
  // A zero-filled CefTime is not a valid date.
  CefTime empty;
  EXPECT_EQ(0, empty.GetTimeT());
}

TEST(TimeTest, NowIsCurrent) {
  CefTime now;
  now.Now();
  const double seconds = now.GetDoubleT();
  EXPECT_NEAR(static_cast<double>(time(NULL)), seconds, 5.0);
}

}  // namespace
