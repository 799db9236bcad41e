#pragma once

#include <chrono>
#include <cstdint>

namespace tv {

// Local civil date and time, as the wall clock of the user's desk shows it.
struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Two kinds of time: the monotonic count that drives timers and pacing, and the
// local wall-clock time that names recordings and schedules daily work. Both come
// from here so that a test can run a whole day in milliseconds.
class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since an arbitrary fixed start; never goes backwards.
  virtual std::int64_t monotonicMs() const = 0;

  virtual LocalDateTime localNow() const = 0;
};

}  // namespace tv
