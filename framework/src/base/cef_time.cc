// cef_time_* functions. Times are held as microseconds since 1601-01-01 UTC,
// where 0 is the "null" time: a time_t or double of 0 (or a NaN double)
// converts to it, it explodes as 1601-01-01 00:00:00.000, and it converts
// back to 0. Exploded times are always UTC.

#include <math.h>
#include <stdint.h>
#include <time.h>

#include <limits>

#include "include/internal/cef_time.h"

namespace {

constexpr int64_t kMicrosecondsPerMillisecond = 1000;
constexpr int64_t kMicrosecondsPerSecond = 1000000;
constexpr int64_t kSecondsPerDay = 86400;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochOffsetSeconds = INT64_C(11644473600);
constexpr int64_t kUnixEpochOffsetMicroseconds =
    kUnixEpochOffsetSeconds * kMicrosecondsPerSecond;
// Days from 0000-03-01 (proleptic Gregorian) to 1970-01-01.
constexpr int64_t kDaysFrom0000To1970 = 719468;

// Keeps the arithmetic far from int64 overflow: about +-29000 years.
constexpr int64_t kMaxAbsSeconds = INT64_C(900000000000);

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0)))
    --q;
  return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1..12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t mp = (m + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - kDaysFrom0000To1970;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
  z += kDaysFrom0000To1970;
  const int64_t era = FloorDiv(z, 146097);
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = yoe + era * 400 + (*m <= 2);
}

bool IsLeapYear(int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int64_t y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && IsLeapYear(y))
    return 29;
  return kDays[m - 1];
}

// Microseconds since 1601 of an exploded UTC time; false for fields out of
// range.
bool FromExploded(const cef_time_t& t, int64_t* us) {
  if (t.month < 1 || t.month > 12 || t.day_of_month < 1 ||
      t.day_of_month > DaysInMonth(t.year, t.month) || t.hour < 0 ||
      t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
      t.second > 60 || t.millisecond < 0 || t.millisecond > 999) {
    return false;
  }
  const int64_t days = DaysFromCivil(t.year, t.month, t.day_of_month);
  const int64_t seconds =
      days * kSecondsPerDay + t.hour * 3600 + t.minute * 60 + t.second;
  if (seconds > kMaxAbsSeconds || seconds < -kMaxAbsSeconds)
    return false;
  *us = (seconds + kUnixEpochOffsetSeconds) * kMicrosecondsPerSecond +
        t.millisecond * kMicrosecondsPerMillisecond;
  return true;
}

bool ToExploded(int64_t us, cef_time_t* out) {
  const int64_t unix_us = us - kUnixEpochOffsetMicroseconds;
  const int64_t seconds = FloorDiv(unix_us, kMicrosecondsPerSecond);
  if (seconds > kMaxAbsSeconds || seconds < -kMaxAbsSeconds)
    return false;
  const int64_t sub_us = unix_us - seconds * kMicrosecondsPerSecond;
  const int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const int64_t secs_of_day = seconds - days * kSecondsPerDay;
  int64_t y, m, d;
  CivilFromDays(days, &y, &m, &d);
  out->year = static_cast<int>(y);
  out->month = static_cast<int>(m);
  out->day_of_month = static_cast<int>(d);
  // 1970-01-01 was a Thursday.
  out->day_of_week = static_cast<int>(((days % 7) + 11) % 7);
  out->hour = static_cast<int>(secs_of_day / 3600);
  out->minute = static_cast<int>((secs_of_day % 3600) / 60);
  out->second = static_cast<int>(secs_of_day % 60);
  out->millisecond = static_cast<int>(sub_us / kMicrosecondsPerMillisecond);
  return true;
}

}  // namespace

extern "C" {

CEF_EXPORT int cef_time_to_timet(const cef_time_t* cef_time, time_t* time) {
  if (!cef_time || !time)
    return 0;
  int64_t us = 0;
  if (!FromExploded(*cef_time, &us))
    return 0;
  if (us == 0) {
    *time = 0;
    return 1;
  }
  *time = static_cast<time_t>(
      FloorDiv(us - kUnixEpochOffsetMicroseconds, kMicrosecondsPerSecond));
  return 1;
}

CEF_EXPORT int cef_time_from_timet(time_t time, cef_time_t* cef_time) {
  if (!cef_time)
    return 0;
  const int64_t seconds = static_cast<int64_t>(time);
  if (seconds > kMaxAbsSeconds || seconds < -kMaxAbsSeconds)
    return 0;
  const int64_t us = seconds == 0 ? 0
                                  : (seconds + kUnixEpochOffsetSeconds) *
                                        kMicrosecondsPerSecond;
  return ToExploded(us, cef_time) ? 1 : 0;
}

CEF_EXPORT int cef_time_to_doublet(const cef_time_t* cef_time, double* time) {
  if (!cef_time || !time)
    return 0;
  int64_t us = 0;
  if (!FromExploded(*cef_time, &us))
    return 0;
  if (us == 0) {
    *time = 0;
    return 1;
  }
  *time = static_cast<double>(us - kUnixEpochOffsetMicroseconds) /
          static_cast<double>(kMicrosecondsPerSecond);
  return 1;
}

CEF_EXPORT int cef_time_from_doublet(double time, cef_time_t* cef_time) {
  if (!cef_time)
    return 0;
  int64_t us = 0;
  if (time != 0 && !isnan(time)) {
    const double max_seconds = static_cast<double>(kMaxAbsSeconds);
    if (!(time < max_seconds && time > -max_seconds))
      return 0;  // +-Infinity or too far away
    us = static_cast<int64_t>(
             llround(time * static_cast<double>(kMicrosecondsPerSecond))) +
         kUnixEpochOffsetMicroseconds;
  }
  return ToExploded(us, cef_time) ? 1 : 0;
}

CEF_EXPORT int cef_time_now(cef_time_t* cef_time) {
  if (!cef_time)
    return 0;
  struct timespec now;
  if (clock_gettime(CLOCK_REALTIME, &now) != 0)
    return 0;
  const int64_t us =
      (static_cast<int64_t>(now.tv_sec) + kUnixEpochOffsetSeconds) *
          kMicrosecondsPerSecond +
      now.tv_nsec / 1000;
  return ToExploded(us, cef_time) ? 1 : 0;
}

CEF_EXPORT int cef_time_delta(const cef_time_t* cef_time1,
                              const cef_time_t* cef_time2,
                              long long* delta) {  // NOLINT(runtime/int)
  if (!cef_time1 || !cef_time2 || !delta)
    return 0;
  int64_t us1 = 0;
  int64_t us2 = 0;
  if (!FromExploded(*cef_time1, &us1) || !FromExploded(*cef_time2, &us2))
    return 0;
  *delta = (us2 - us1) / kMicrosecondsPerMillisecond;
  return 1;
}

}  // extern "C"
