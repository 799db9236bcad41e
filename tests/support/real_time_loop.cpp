#include "tests/support/real_time_loop.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tv::test {
namespace {

using Steady = std::chrono::steady_clock;

double msSince(Steady::time_point start) {
  return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

}  // namespace

void RealTimeLoop::dispatchPending() {
  const auto start = Steady::now();
  std::vector<std::function<void()>> posted;
  {
    std::lock_guard lock(postedMutex_);
    posted.swap(posted_);
  }
  for (auto& fn : posted) fn();
  if (timers_) timers_->runDue();
  longestTurnMs_ = std::max(longestTurnMs_, msSince(start));
}

void RealTimeLoop::waitAndDispatch() {
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  dispatchPending();
}

void RealTimeLoop::delay(int ms) {
  runFor(ms);
}

int RealTimeLoop::run() {
  while (!quit_) waitAndDispatch();
  return exitCode_;
}

void RealTimeLoop::quit(int exitCode) {
  quit_ = true;
  exitCode_ = exitCode;
}

void RealTimeLoop::post(std::function<void()> fn) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(fn));
}

bool RealTimeLoop::runUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  const auto end = Steady::now() + std::chrono::milliseconds(limitMs);
  while (!done()) {
    if (Steady::now() >= end) return false;
    waitAndDispatch();
  }
  return true;
}

void RealTimeLoop::runFor(std::int64_t ms) {
  const auto end = Steady::now() + std::chrono::milliseconds(ms);
  while (Steady::now() < end) waitAndDispatch();
}

}  // namespace tv::test
