#include "tests/support/virtual_loop.h"

namespace tv::test {

void VirtualLoop::post(std::function<void()> fn) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(fn));
}

bool VirtualLoop::runPosted() {
  bool ran = false;
  for (;;) {
    std::vector<std::function<void()>> batch;
    {
      std::lock_guard lock(postedMutex_);
      batch.swap(posted_);
    }
    if (batch.empty()) return ran;
    ran = true;
    for (auto& fn : batch) fn();
  }
}

void VirtualLoop::dispatchPending() {
  runPosted();
  if (timers_) timers_->runDue();
}

void VirtualLoop::waitAndDispatch() {
  if (whileWaiting) whileWaiting();
  if (runPosted()) return;
  if (!timers_) return;
  const std::int64_t due = timers_->nextDue();
  if (due < 0) return;  // nothing can ever happen: the waiter must not hang
  if (due > clock_.monotonicMs()) clock_.setMonotonic(due);
  timers_->runDue();
}

void VirtualLoop::runFor(std::int64_t ms) {
  const std::int64_t end = clock_.monotonicMs() + ms;
  if (!timers_) {
    clock_.setMonotonic(end);
    runPosted();
    return;
  }
  while (!quit_) {
    runPosted();
    const std::int64_t due = timers_->nextDue();
    if (due < 0 || due > end) break;
    if (due > clock_.monotonicMs()) clock_.setMonotonic(due);
    timers_->runDue();
  }
  if (clock_.monotonicMs() < end) clock_.setMonotonic(end);
  runPosted();
}

bool VirtualLoop::runUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  const std::int64_t end = clock_.monotonicMs() + limitMs;
  while (!done()) {
    if (runPosted()) continue;
    if (quit_ || !timers_) return done();
    const std::int64_t due = timers_->nextDue();
    if (due < 0 || due > end) {
      clock_.setMonotonic(end);
      return done();
    }
    if (due > clock_.monotonicMs()) clock_.setMonotonic(due);
    timers_->runDue();
  }
  return true;
}

int VirtualLoop::run() {
  runUntil([this] { return quit_; }, runLimitMs);
  return exitCode_;
}

void VirtualLoop::quit(int exitCode) {
  quit_ = true;
  exitCode_ = exitCode;
}

}  // namespace tv::test
