#include "platform/qt/qt_clock.h"

#include <QDateTime>

namespace tv::qt {

QtClock::QtClock() {
  elapsed_.start();
}

std::int64_t QtClock::monotonicMs() const {
  return elapsed_.elapsed();
}

LocalDateTime QtClock::localNow() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

}  // namespace tv::qt
