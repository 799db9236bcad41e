#pragma once

#include "platform/clock.h"

namespace tv {

// The machine's steady clock and local time.
class RealClock : public Clock {
 public:
  std::int64_t monotonicMs() const override;
  LocalDateTime localNow() const override;
};

}  // namespace tv
