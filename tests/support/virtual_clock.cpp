#include "tests/support/virtual_clock.h"

#include <chrono>

namespace tv::test {

namespace {
using namespace std::chrono;

std::int64_t toMs(const LocalDateTime& t) {
  const sys_days days = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                       day{static_cast<unsigned>(t.day)}};
  return duration_cast<milliseconds>(days.time_since_epoch()).count() +
         ((t.hour * 60 + t.minute) * 60 + t.second) * 1000LL + t.millisecond;
}

LocalDateTime fromMs(std::int64_t ms) {
  const sys_days days = floor<std::chrono::days>(sys_time<milliseconds>(milliseconds(ms)));
  const year_month_day ymd(days);
  std::int64_t rest = ms - duration_cast<milliseconds>(days.time_since_epoch()).count();
  LocalDateTime t;
  t.year = static_cast<int>(ymd.year());
  t.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  t.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
  t.millisecond = static_cast<int>(rest % 1000);
  rest /= 1000;
  t.second = static_cast<int>(rest % 60);
  rest /= 60;
  t.minute = static_cast<int>(rest % 60);
  t.hour = static_cast<int>(rest / 60);
  return t;
}
}  // namespace

VirtualClock::VirtualClock(LocalDateTime start) : start_(start) {}

LocalDateTime VirtualClock::localNow() const { return fromMs(toMs(start_) + (now_ - startMs_)); }

void VirtualClock::setLocal(LocalDateTime when) {
  start_ = when;
  startMs_ = now_;
}

}  // namespace tv::test
