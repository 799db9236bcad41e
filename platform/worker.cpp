#include "platform/worker.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/event_loop.h"

namespace tv {
namespace {

// A job that throws has failed; its `done` still runs and finds no result, rather than
// the exception ending the program from a thread no one watches.
void runGuarded(const Worker::Job& job) {
  if (!job) return;
  try {
    job();
  } catch (...) {
  }
}

class LoopWorker final : public Worker {
 public:
  explicit LoopWorker(EventLoop& loop) : loop_(loop), jobs_(std::make_shared<Jobs>()) {}

  void submit(Job work, Job done) override {
    jobs_->push_back({std::move(work), std::move(done)});
    std::weak_ptr<Jobs> weak = jobs_;
    loop_.post([weak] {
      if (auto jobs = weak.lock()) runOne(*jobs);
    });
  }

  std::size_t pending() const override { return jobs_->size(); }

  bool finish(std::int64_t) override {
    while (!jobs_->empty()) runOne(*jobs_);
    return true;
  }

 private:
  using Jobs = std::deque<std::pair<Job, Job>>;

  // One post per job and jobs taken from the front: a job finished early by finish()
  // leaves its post with nothing to do.
  static void runOne(Jobs& jobs) {
    if (jobs.empty()) return;
    auto [work, done] = std::move(jobs.front());
    jobs.pop_front();
    runGuarded(work);
    if (done) done();
  }

  EventLoop& loop_;
  std::shared_ptr<Jobs> jobs_;
};

class ThreadWorker final : public Worker {
 public:
  explicit ThreadWorker(EventLoop& loop) : loop_(loop), shared_(std::make_shared<Shared>()) {
    thread_ = std::thread([this, shared = shared_] { serve(shared); });
  }

  ~ThreadWorker() override {
    {
      std::lock_guard lock(shared_->mutex);
      shared_->stopping = true;
      shared_->queue.clear();
    }
    shared_->changed.notify_all();
    thread_.join();
  }

  void submit(Job work, Job done) override {
    ++shared_->pending;
    {
      std::lock_guard lock(shared_->mutex);
      shared_->queue.push_back({std::move(work), std::move(done)});
    }
    shared_->changed.notify_all();
  }

  std::size_t pending() const override { return shared_->pending; }

  bool finish(std::int64_t limitMs) override {
    {
      std::unique_lock lock(shared_->mutex);
      shared_->changed.wait_for(lock, std::chrono::milliseconds(limitMs),
                                [this] { return shared_->queue.empty() && !shared_->busy; });
    }
    reportBack(*shared_);
    return shared_->pending == 0;
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::pair<Job, Job>> queue;  // guarded by mutex
    std::deque<Job> finished;               // guarded by mutex
    bool busy = false;                      // guarded by mutex
    bool stopping = false;                  // guarded by mutex
    std::size_t pending = 0;                // the GUI thread's own count
  };

  void serve(const std::shared_ptr<Shared>& shared) {
    for (;;) {
      std::pair<Job, Job> job;
      {
        std::unique_lock lock(shared->mutex);
        shared->changed.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
        if (shared->stopping) return;
        job = std::move(shared->queue.front());
        shared->queue.pop_front();
        shared->busy = true;
      }
      runGuarded(job.first);
      {
        std::lock_guard lock(shared->mutex);
        shared->finished.push_back(std::move(job.second));
        shared->busy = false;
      }
      shared->changed.notify_all();
      std::weak_ptr<Shared> weak = shared;
      loop_.post([weak] {
        if (auto s = weak.lock()) reportBack(*s);
      });
    }
  }

  // On the GUI thread: the `done` of every job finished so far, in order.
  static void reportBack(Shared& shared) {
    for (;;) {
      Job done;
      {
        std::lock_guard lock(shared.mutex);
        if (shared.finished.empty()) return;
        done = std::move(shared.finished.front());
        shared.finished.pop_front();
      }
      --shared.pending;
      if (done) done();
    }
  }

  EventLoop& loop_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Worker> makeLoopWorker(EventLoop& loop) {
  return std::make_unique<LoopWorker>(loop);
}

std::unique_ptr<Worker> makeThreadWorker(EventLoop& loop) {
  return std::make_unique<ThreadWorker>(loop);
}

}  // namespace tv
