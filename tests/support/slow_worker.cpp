#include "tests/support/slow_worker.h"

#include <algorithm>

namespace tv::test {

SlowWorker::SlowWorker(TimerQueue& timers, int jobMs)
    : jobMs_(std::max(jobMs, 1)), timer_(timers, "slowWorker", jobMs_) {
  timer_.tick = [this] { completeOne(); };
}

void SlowWorker::submit(Job work, Job done) {
  jobs_.emplace_back(std::move(work), std::move(done));
  mostPending_ = std::max(mostPending_, jobs_.size());
  // The first job of an idle worker starts now; later ones after those before them.
  if (!timer_.enabled()) timer_.setEnabled(true);
}

void SlowWorker::completeOne() {
  if (jobs_.empty()) {
    timer_.setEnabled(false);
    return;
  }
  auto [work, done] = std::move(jobs_.front());
  jobs_.pop_front();
  if (jobs_.empty()) timer_.setEnabled(false);
  if (work) work();
  if (done) done();
}

bool SlowWorker::finish(std::int64_t limitMs) {
  // The job under way completes at the timer's next tick, each one after it a job's time
  // later; the running one is taken to have just begun.
  for (std::int64_t waited = jobMs_; !jobs_.empty() && waited <= limitMs; waited += jobMs_) {
    completeOne();
  }
  return jobs_.empty();
}

}  // namespace tv::test
