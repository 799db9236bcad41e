#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace tv {

class EventLoop;

// Slow work (the disk, a child process, a network peer) kept off the GUI thread. Jobs run
// one at a time in the order submitted; each job's `done` then runs on the GUI thread, at
// a turn of the event loop, in the same order. `work` must not touch the program's state:
// it gets what it needs by value and leaves its result for `done`, which may touch
// anything. Submit, pending and finish are called from the GUI thread only.
class Worker {
 public:
  using Job = std::function<void()>;

  virtual ~Worker() = default;

  virtual void submit(Job work, Job done = {}) = 0;

  // The typed form: `done` receives what `work` returned.
  template <class R>
  void run(std::function<R()> work, std::function<void(R)> done) {
    auto result = std::make_shared<std::optional<R>>();
    submit([result, work = std::move(work)] { result->emplace(work()); },
           [result, done = std::move(done)] {
             if (done && *result) done(std::move(**result));
           });
  }

  // Jobs submitted whose `done` has not run yet.
  virtual std::size_t pending() const = 0;

  // Waits at most `limitMs` for every submitted job, runs the `done` of those that
  // finished and returns whether none is left. For the end of the program.
  virtual bool finish(std::int64_t limitMs) = 0;
};

// Makes the worker for one kind of work ("filing", "commands"): kinds that must not wait
// for each other get workers of their own.
using WorkerFactory = std::function<std::unique_ptr<Worker>(std::string_view kind)>;

// Runs each job on the GUI thread itself, at the loop turn after it was submitted: the
// same order and the same "later, not now" as a thread, but deterministic. What a program
// gets when its platform names no factory (tests on the virtual clock).
std::unique_ptr<Worker> makeLoopWorker(EventLoop& loop);

// Runs the jobs on a thread of its own and reports back through the loop's post. Jobs
// still queued when it is destroyed are dropped; the one running is waited for.
std::unique_ptr<Worker> makeThreadWorker(EventLoop& loop);

}  // namespace tv
