#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/clock.h"

namespace tv {

// A clock the test moves by hand. Safe to read from a back end's thread while
// the test advances it.
class ManualClock : public Clock {
 public:
  std::int64_t monotonicMs() const override { return ms_.load(); }
  LocalDateTime localNow() const override;

  void advance(std::int64_t ms) { ms_ += ms; }
  void setLocal(const LocalDateTime& now);

 private:
  std::atomic<std::int64_t> ms_{0};
  mutable std::mutex mutex_;
  LocalDateTime local_;
};

}  // namespace tv
