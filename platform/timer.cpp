#include "platform/timer.h"

#include <algorithm>

namespace tv {

Timer::Timer(TimerQueue& queue, std::string name, int intervalMs, bool enabled)
    : queue_(queue), name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {
  queue_.add(this);
  restart();
}

Timer::~Timer() { queue_.remove(this); }

void Timer::setInterval(int ms) {
  interval_ = ms < 0 ? 0 : ms;
  restart();
}

void Timer::setEnabled(bool on) {
  if (on == enabled_) return;  // enabling an enabled timer does not restart its count
  enabled_ = on;
  restart();
}

void Timer::restart() {
  due_ = queue_.now() + interval_;
  armSerial_ = ++queue_.serial_;
  queue_.changed();
}

TimerQueue::TimerQueue(std::function<std::int64_t()> now) : now_(std::move(now)) {}

void TimerQueue::add(Timer* timer) { timers_.push_back(timer); }

void TimerQueue::remove(Timer* timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
  changed();
}

void TimerQueue::changed() {
  if (scheduleChanged) scheduleChanged();
}

std::int64_t TimerQueue::nextDue() const {
  std::int64_t best = -1;
  for (const Timer* t : timers_) {
    if (!t->enabled_ || t->interval_ <= 0 || t->firing_) continue;
    if (best < 0 || t->due_ < best) best = t->due_;
  }
  return best;
}

int TimerQueue::runDue() {
  const std::int64_t now = now_();
  // Collect first: a tick may create, destroy or re-arm timers.
  std::vector<std::pair<Timer*, std::uint64_t>> due;
  for (Timer* t : timers_) {
    if (t->enabled_ && t->interval_ > 0 && !t->firing_ && t->due_ <= now)
      due.emplace_back(t, t->armSerial_);
  }
  std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
    if (a.first->due_ != b.first->due_) return a.first->due_ < b.first->due_;
    return a.second < b.second;
  });
  int ran = 0;
  for (auto [timer, serial] : due) {
    // Skip a timer that an earlier tick in this round destroyed, stopped or re-armed.
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
    if (!timer->enabled_ || timer->interval_ <= 0 || timer->armSerial_ != serial) continue;
    timer->due_ = now_() + timer->interval_;
    timer->armSerial_ = ++serial_;
    timer->firing_ = true;
    ++ran;
    ++ticking_;
    if (timer->tick) timer->tick();
    --ticking_;
    // The tick may have destroyed its own timer (a form torn down in a test).
    if (std::find(timers_.begin(), timers_.end(), timer) != timers_.end()) timer->firing_ = false;
  }
  if (ran) changed();
  return ran;
}

}  // namespace tv
