#pragma once

#include <QElapsedTimer>

#include "platform/clock.h"

namespace tv::qt {

// The desktop's clocks: Qt's monotonic timer (the one QTimer uses) and local time.
class QtClock : public Clock {
 public:
  QtClock();

  std::int64_t monotonicMs() const override;
  LocalDateTime localNow() const override;

 private:
  QElapsedTimer elapsed_;
};

}  // namespace tv::qt
