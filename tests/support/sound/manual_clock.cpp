#include "tests/support/sound/manual_clock.h"

namespace tv {

LocalDateTime ManualClock::localNow() const {
  std::lock_guard lock(mutex_);
  return local_;
}

void ManualClock::setLocal(const LocalDateTime& now) {
  std::lock_guard lock(mutex_);
  local_ = now;
}

}  // namespace tv
