#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tv {

class TimerQueue;

// A window timer: an interval in milliseconds and an enabled flag. It ticks again and
// again while enabled. Setting the interval (even to the same value) or enabling it
// restarts the count; an interval of 0 never fires. A tick that is late is not caught
// up: one tick per expiry, the next one an interval after it ran.
class Timer {
 public:
  Timer(TimerQueue& queue, std::string name, int intervalMs = 0, bool enabled = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  const std::string& name() const { return name_; }
  int interval() const { return interval_; }
  void setInterval(int ms);
  bool enabled() const { return enabled_; }
  void setEnabled(bool on);

  std::function<void()> tick;

 private:
  friend class TimerQueue;
  void restart();

  TimerQueue& queue_;
  std::string name_;
  int interval_ = 0;
  bool enabled_ = false;
  bool firing_ = false;
  std::int64_t due_ = 0;
  std::uint64_t armSerial_ = 0;  // orders timers that fall due at the same instant
};

// All timers of one program. The loop driver (Qt, or a virtual loop in tests) asks for
// the next due time and runs what is due; the semantics live here, once.
class TimerQueue {
 public:
  explicit TimerQueue(std::function<std::int64_t()> now);

  // Earliest due time of an armed timer, or -1 when none is armed.
  std::int64_t nextDue() const;

  // Fires every armed timer due at `now` or earlier, each at most once, in due order.
  // A timer whose own tick is still running (a nested wait inside it) is skipped.
  // Returns the number of ticks run.
  int runDue();

  std::int64_t now() const { return now_(); }
  // True while a timer's tick runs: the program is acting on its own, not on input.
  bool ticking() const { return ticking_ > 0; }

  // Called whenever the schedule may have changed, so a driver can re-arm itself.
  std::function<void()> scheduleChanged;

 private:
  friend class Timer;
  void add(Timer* timer);
  void remove(Timer* timer);
  void changed();

  std::function<std::int64_t()> now_;
  std::vector<Timer*> timers_;
  std::uint64_t serial_ = 0;
  int ticking_ = 0;
};

}  // namespace tv
