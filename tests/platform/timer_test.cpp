#include "platform/timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/virtual_clock.h"
#include "tests/support/virtual_loop.h"

namespace tv::test {
namespace {

struct TimerTest : testing::Test {
  TimerTest() { loop.attach(queue); }

  // Counts the ticks of `timer` and notes their times relative to the test's start.
  void count(Timer& timer, std::vector<std::int64_t>& at) {
    timer.tick = [this, &at] { at.push_back(clock.monotonicMs() - start); };
  }

  VirtualClock clock;
  VirtualLoop loop{clock};
  TimerQueue queue{[this] { return clock.monotonicMs(); }};
  const std::int64_t start = clock.monotonicMs();
  std::vector<std::string> order;
};

TEST_F(TimerTest, TicksRepeatOneIntervalApartWhileEnabled) {
  Timer t(queue, "t", 100, true);
  std::vector<std::int64_t> at;
  count(t, at);
  loop.runFor(350);
  EXPECT_EQ(at, (std::vector<std::int64_t>{100, 200, 300}));
}

TEST_F(TimerTest, IntervalZeroNeverFiresAndDoesNotKeepTheLoopBusy) {
  Timer t(queue, "t", 0, true);
  std::vector<std::int64_t> at;
  count(t, at);
  EXPECT_EQ(queue.nextDue(), -1);
  loop.runFor(10'000);
  loop.waitAndDispatch();  // must return: nothing can ever fall due
  EXPECT_TRUE(at.empty());
}

TEST_F(TimerTest, DisabledTimerDoesNotFireAndCountsFromBeingEnabled) {
  Timer t(queue, "t", 100, false);
  std::vector<std::int64_t> at;
  count(t, at);
  loop.runFor(250);
  EXPECT_TRUE(at.empty());
  t.setEnabled(true);
  loop.runFor(150);
  EXPECT_EQ(at, (std::vector<std::int64_t>{350}));
}

TEST_F(TimerTest, SettingTheIntervalRestartsTheCountEvenWithTheSameValue) {
  Timer t(queue, "t", 100, true);
  std::vector<std::int64_t> at;
  count(t, at);
  loop.runFor(60);
  t.setInterval(100);
  loop.runFor(60);  // the old count would have fired at 100
  EXPECT_TRUE(at.empty());
  loop.runFor(40);
  EXPECT_EQ(at, (std::vector<std::int64_t>{160}));
}

TEST_F(TimerTest, EnablingAnEnabledTimerKeepsItsCount) {
  Timer t(queue, "t", 100, true);
  std::vector<std::int64_t> at;
  count(t, at);
  loop.runFor(60);
  t.setEnabled(true);
  loop.runFor(40);
  EXPECT_EQ(at, (std::vector<std::int64_t>{100}));
}

TEST_F(TimerTest, LateTickIsNotCaughtUpInABurst) {
  Timer t(queue, "t", 100, true);
  std::vector<std::int64_t> at;
  count(t, at);
  clock.advance(1000);  // the loop was blocked for ten intervals
  loop.dispatchPending();
  loop.dispatchPending();
  EXPECT_EQ(at, (std::vector<std::int64_t>{1000}));
  loop.runFor(99);
  EXPECT_EQ(at.size(), 1u);
  loop.runFor(1);
  EXPECT_EQ(at, (std::vector<std::int64_t>{1000, 1100}));
}

TEST_F(TimerTest, TickWaitingInANestedLoopKeepsOtherTimersRunningAndIsNotReentered) {
  Timer slow(queue, "slow", 100, true);
  Timer fast(queue, "fast", 30, true);
  int depth = 0, deepest = 0, slowTicks = 0;
  std::vector<std::int64_t> fastAt;
  count(fast, fastAt);
  slow.tick = [&] {
    ++slowTicks;
    ++depth;
    deepest = std::max(deepest, depth);
    if (slowTicks == 1) {
      loop.runFor(500);  // a modal wait inside the tick
      loop.waitAndDispatch();
    }
    --depth;
  };
  loop.runFor(100);
  EXPECT_EQ(slowTicks, 1);
  EXPECT_EQ(deepest, 1);
  // 30, 60, 90 before; then every 30 ms through the nested wait up to 630.
  EXPECT_GE(fastAt.size(), 20u);
  EXPECT_EQ(fastAt.back(), 630);
  // Back from the wait the slow timer ticks once, not once per missed interval.
  const int before = slowTicks;
  loop.runFor(1);
  EXPECT_EQ(slowTicks, before + 1);
}

TEST_F(TimerTest, TimerDestroyedStoppedOrRestartedByAnEarlierTickOfTheSameRoundWaits) {
  // All fall due at the same instant; the killer was armed first, so it runs first.
  Timer killer(queue, "killer", 100, true);
  auto doomed = std::make_unique<Timer>(queue, "doomed", 100, true);
  Timer stopped(queue, "stopped", 100, true);
  Timer restarted(queue, "restarted", 100, true);
  doomed->tick = [&] { order.push_back("doomed"); };
  stopped.tick = [&] { order.push_back("stopped"); };
  restarted.tick = [&] { order.push_back("restarted"); };
  killer.tick = [&] {
    order.push_back("killer");
    if (!doomed) return;
    doomed.reset();
    stopped.setEnabled(false);
    restarted.setInterval(100);
  };
  loop.runFor(100);
  EXPECT_EQ(order, (std::vector<std::string>{"killer"}));
  loop.runFor(100);
  EXPECT_EQ(order, (std::vector<std::string>{"killer", "killer", "restarted"}));
}

TEST_F(TimerTest, TimerMayDestroyItselfInItsOwnTick) {
  auto self = std::make_unique<Timer>(queue, "self", 100, true);
  int ticks = 0;
  self->tick = [&] {
    ++ticks;
    self.reset();
  };
  loop.runFor(1000);
  EXPECT_EQ(ticks, 1);
}

TEST_F(TimerTest, TimersDueAtTheSameInstantFireInTheOrderTheyWereArmed) {
  Timer a(queue, "a", 100, true);
  Timer b(queue, "b", 100, true);
  a.tick = [&] { order.push_back("a"); };
  b.tick = [&] { order.push_back("b"); };
  loop.runFor(200);
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "a", "b"}));
  order.clear();
  b.setInterval(100);
  a.setInterval(100);
  loop.runFor(100);
  EXPECT_EQ(order, (std::vector<std::string>{"b", "a"}));
}

}  // namespace
}  // namespace tv::test
