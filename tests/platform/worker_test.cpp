#include "platform/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/virtual_clock.h"
#include "tests/support/virtual_loop.h"

namespace tv::test {
namespace {

struct WorkerTest : testing::Test {
  VirtualClock clock;
  VirtualLoop loop{clock};
  std::vector<std::string> events;

  // Lets the loop run its posted calls until `done` or a second of real time.
  void turnUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < end) {
      loop.runPosted();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
};

TEST_F(WorkerTest, OnTheLoopJobsRunLaterInOrderAndReportTheirResults) {
  auto worker = makeLoopWorker(loop);
  worker->run<int>([] { return 7; },
                   [this](int v) { events.push_back("first " + std::to_string(v)); });
  worker->submit([this] { events.push_back("second work"); },
                 [this] { events.push_back("second done"); });
  EXPECT_TRUE(events.empty()) << "nothing runs inside submit";
  EXPECT_EQ(worker->pending(), 2u);
  loop.runFor(0);
  EXPECT_EQ(events, (std::vector<std::string>{"first 7", "second work", "second done"}));
  EXPECT_EQ(worker->pending(), 0u);
}

TEST_F(WorkerTest, OnTheLoopFinishRunsWhatIsLeftAtOnce) {
  auto worker = makeLoopWorker(loop);
  worker->submit([this] { events.push_back("work"); }, [this] { events.push_back("done"); });
  EXPECT_TRUE(worker->finish(0));
  EXPECT_EQ(events, (std::vector<std::string>{"work", "done"}));
  loop.runFor(0);
  EXPECT_EQ(events.size(), 2u) << "the job's own turn finds nothing left to do";
}

TEST_F(WorkerTest, OnAThreadWorkLeavesTheCallerAndResultsComeBackThroughTheLoop) {
  const auto gui = std::this_thread::get_id();
  auto worker = makeThreadWorker(loop);
  std::vector<bool> workOnGui, doneOnGui;
  std::vector<int> results;
  for (int i = 0; i < 20; ++i) {
    worker->run<int>(
        [&, i] {
          workOnGui.push_back(std::this_thread::get_id() == gui);
          return i;
        },
        [&](int v) {
          doneOnGui.push_back(std::this_thread::get_id() == gui);
          results.push_back(v);
        });
  }
  turnUntil([&] { return results.size() == 20; });
  ASSERT_EQ(results.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(results[static_cast<std::size_t>(i)], i);
  for (bool b : workOnGui) EXPECT_FALSE(b);
  for (bool b : doneOnGui) EXPECT_TRUE(b);
  EXPECT_EQ(worker->pending(), 0u);
}

TEST_F(WorkerTest, OnAThreadFinishWaitsNoLongerThanItsLimit) {
  auto worker = makeThreadWorker(loop);
  std::atomic<bool> release{false};
  bool done = false;
  worker->submit(
      [&] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      },
      [&] { done = true; });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(worker->finish(50));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(done);
  release = true;
  EXPECT_TRUE(worker->finish(5000));
  EXPECT_TRUE(done) << "finish runs the reports itself";
}

TEST_F(WorkerTest, AJobThatThrowsStillReportsAndTheWorkerCarriesOn) {
  for (auto make : {makeLoopWorker, makeThreadWorker}) {
    auto worker = make(loop);
    bool reported = false, next = false;
    worker->run<int>([]() -> int { throw std::runtime_error("disk"); },
                     [&](int) { reported = true; });
    worker->submit([] {}, [&] { next = true; });
    EXPECT_TRUE(worker->finish(5000));
    EXPECT_FALSE(reported) << "a typed report needs a result";
    EXPECT_TRUE(next);
  }
}

TEST_F(WorkerTest, DestroyingAThreadWorkerDropsQueuedJobsWithoutWaitingForThem) {
  std::atomic<int> ran{0};
  {
    auto worker = makeThreadWorker(loop);
    worker->submit([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ++ran;
    });
    for (int i = 0; i < 100; ++i)
      worker->submit([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ++ran;
      });
  }
  EXPECT_LT(ran.load(), 10);
  loop.runFor(0);  // reports posted by the gone worker find nothing
}

}  // namespace
}  // namespace tv::test
