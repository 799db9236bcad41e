#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

#include "platform/timer.h"
#include "platform/worker.h"

namespace tv::test {

// A worker behind a slow disk, on the virtual clock: each job takes `jobMs` of virtual
// time, one after the other in the order submitted, and its `done` follows as it
// completes. For tests and benches of work that falls behind the capture.
class SlowWorker : public Worker {
 public:
  SlowWorker(TimerQueue& timers, int jobMs);

  void submit(Job work, Job done) override;
  std::size_t pending() const override { return jobs_.size(); }
  // Completes the jobs that would be done within `limitMs`, as a wait of that long
  // would; the clock itself does not move.
  bool finish(std::int64_t limitMs) override;

  // The most jobs waiting at one time.
  std::size_t mostPending() const { return mostPending_; }

 private:
  void completeOne();

  int jobMs_;
  Timer timer_;
  std::deque<std::pair<Job, Job>> jobs_;
  std::size_t mostPending_ = 0;
};

}  // namespace tv::test
