#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/event_loop.h"
#include "platform/timer.h"
#include "tests/support/virtual_clock.h"

namespace tv::test {

// The event loop of a test: nothing happens until the test lets time pass. Waiting
// jumps the virtual clock to the next timer that falls due.
class VirtualLoop : public EventLoop {
 public:
  explicit VirtualLoop(VirtualClock& clock) : clock_(clock) {}

  // The program's timers; set once the program (and its Ui) exists.
  void attach(TimerQueue& timers) { timers_ = &timers; }

  void dispatchPending() override;
  void waitAndDispatch() override;
  void delay(int ms) override { runFor(ms); }
  int run() override;
  void quit(int exitCode) override;
  // Posted calls run at the loop's next step, before the timers due then, in order.
  void post(std::function<void()> fn) override;
  // Runs what has been posted so far (and what that posts in turn); true if anything ran.
  bool runPosted();

  // Lets `ms` of virtual time pass, running every timer tick that falls due on the way.
  void runFor(std::int64_t ms);
  // Runs until `done` holds or `limitMs` of virtual time have passed; true if it held.
  bool runUntil(const std::function<bool()>& done, std::int64_t limitMs);

  bool quitRequested() const { return quit_; }
  int exitCode() const { return exitCode_; }
  // How long run() lets time pass before it gives up (a test's main loop must end).
  std::int64_t runLimitMs = 60'000;
  // Runs at the start of every waitAndDispatch: a nested wait (the installation window)
  // gets its answers here, as a user would give them while the program waits.
  std::function<void()> whileWaiting;

 private:
  VirtualClock& clock_;
  TimerQueue* timers_ = nullptr;
  bool quit_ = false;
  int exitCode_ = 0;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
};

}  // namespace tv::test
