#pragma once

#include <cstdint>

#include "platform/clock.h"

namespace tv::test {

// A clock that stands still until a test moves it. The wall clock starts at the date
// the test sets and moves with the monotonic count.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(LocalDateTime start = {2026, 12, 7, 10, 0, 0, 0});

  std::int64_t monotonicMs() const override { return now_; }
  LocalDateTime localNow() const override;

  void advance(std::int64_t ms) { now_ += ms; }
  void setMonotonic(std::int64_t ms) { now_ = ms; }
  // Sets the wall clock to `when` from now on.
  void setLocal(LocalDateTime when);

 private:
  std::int64_t now_ = 1'000'000;
  std::int64_t startMs_ = 1'000'000;
  LocalDateTime start_;
};

}  // namespace tv::test
