#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/timer.h"

namespace tv::qt {
namespace {

class QtEventLoopTest : public ::testing::Test {
 protected:
  QtEventLoopTest() { loop.drive(&queue); }
  ~QtEventLoopTest() override { loop.drive(nullptr); }

  QtClock clock;
  TimerQueue queue{[this] { return clock.monotonicMs(); }};
  QtEventLoop loop;
};

TEST_F(QtEventLoopTest, TimersKeepRunningWhileATickWaitsInANestedLoop) {
  Timer fast(queue, "tmrFast", 10, true);
  Timer slow(queue, "tmrSlow", 20, true);
  int fastTicks = 0;
  int slowTicks = 0;
  int fastDuringSlow = 0;
  bool inSlow = false;
  bool reentered = false;
  fast.tick = [&] { ++fastTicks; };
  slow.tick = [&] {
    reentered = reentered || inSlow;
    inSlow = true;
    ++slowTicks;
    const int before = fastTicks;
    loop.delay(150);
    fastDuringSlow = fastTicks - before;
    slow.setEnabled(false);
    inSlow = false;
  };
  QElapsedTimer elapsed;
  elapsed.start();
  while (slowTicks == 0 || inSlow) {
    loop.waitAndDispatch();
    ASSERT_LT(elapsed.elapsed(), 3000);
  }
  EXPECT_GE(fastDuringSlow, 5);
  EXPECT_EQ(slowTicks, 1);
  EXPECT_FALSE(reentered) << "a timer's own tick is never re-entered";
}

TEST_F(QtEventLoopTest, BusyWaitWithDispatchPendingRunsTimers) {
  Timer timer(queue, "tmrPoll", 20, true);
  int ticks = 0;
  timer.tick = [&] { ++ticks; };
  QElapsedTimer elapsed;
  elapsed.start();
  while (ticks < 3 && elapsed.elapsed() < 3000) loop.dispatchPending();
  EXPECT_EQ(ticks, 3);
  EXPECT_GE(elapsed.elapsed(), 55);
}

TEST_F(QtEventLoopTest, WaitIsWokenByTheNextDueTimer) {
  Timer timer(queue, "tmrWake", 60, true);
  bool ticked = false;
  timer.tick = [&] { ticked = true; };
  QElapsedTimer elapsed;
  elapsed.start();
  while (!ticked && elapsed.elapsed() < 3000) loop.waitAndDispatch();
  EXPECT_TRUE(ticked);
  EXPECT_GE(elapsed.elapsed(), 58);
  EXPECT_LT(elapsed.elapsed(), 1000);
}

TEST_F(QtEventLoopTest, IntervalZeroNeverFiresAndANewIntervalRestarts) {
  Timer timer(queue, "tmrIdle", 0, true);
  int ticks = 0;
  timer.tick = [&] { ++ticks; };
  loop.delay(80);
  EXPECT_EQ(ticks, 0);

  timer.setInterval(30);
  QElapsedTimer elapsed;
  elapsed.start();
  while (ticks == 0 && elapsed.elapsed() < 3000) loop.waitAndDispatch();
  EXPECT_EQ(ticks, 1);
  EXPECT_GE(elapsed.elapsed(), 28);
}

TEST_F(QtEventLoopTest, QuitBeforeRunIsKept) {
  loop.quit(3);
  EXPECT_EQ(loop.run(), 3);
}

TEST_F(QtEventLoopTest, RunEndsWhenATickQuits) {
  QtEventLoop fresh;
  fresh.drive(&queue);
  Timer timer(queue, "tmrEnd", 20, true);
  timer.tick = [&] { fresh.quit(7); };
  EXPECT_EQ(fresh.run(), 7);
  fresh.drive(nullptr);
  loop.drive(&queue);
}

}  // namespace
}  // namespace tv::qt
