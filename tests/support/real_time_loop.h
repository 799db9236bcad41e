#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/event_loop.h"
#include "platform/timer.h"

namespace tv::test {

// An event loop that runs the program's timers and posted calls in real time, on the
// thread that drives it, for tests and benchmarks of what happens while time really
// passes (a disk that is slow, a worker thread). It notes its longest turn: how long the
// thread that owns the program was busy in one go, and so how long a user would have
// waited for an answer.
class RealTimeLoop : public EventLoop {
 public:
  void attach(TimerQueue& timers) { timers_ = &timers; }

  void dispatchPending() override;
  void waitAndDispatch() override;
  void delay(int ms) override;
  int run() override;
  void quit(int exitCode) override;
  void post(std::function<void()> fn) override;

  // Runs until `done` holds or `limitMs` have passed; true if it held.
  bool runUntil(const std::function<bool()>& done, std::int64_t limitMs);
  void runFor(std::int64_t ms);

  // The longest turn so far, in milliseconds; reset to 0 by resetLongestTurn().
  double longestTurnMs() const { return longestTurnMs_; }
  void resetLongestTurn() { longestTurnMs_ = 0; }

 private:
  TimerQueue* timers_ = nullptr;
  bool quit_ = false;
  int exitCode_ = 0;
  double longestTurnMs_ = 0;
  std::mutex postedMutex_;
  std::vector<std::function<void()>> posted_;
};

}  // namespace tv::test
