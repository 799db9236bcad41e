#include <gtest/gtest.h>

#include "tests/transmit/on_air.h"

namespace tv::test {
namespace {

// Each test begins at 10:00:00; nextHour() lets 50 minutes pass (no two announcements
// come closer than that) and puts the wall clock at 11:00:00.
struct Schedule : OnAir {
  void nextHour() {
    run(3'000'000);
    s.t.clock.setLocal({2026, 12, 7, 11, 0, 0, 0});
  }
};

// 1 s, the pause of 275 ms and 1 s, each end seen by a look every 50 ms.
constexpr std::int64_t kAnnouncementMs = 2'275;
constexpr std::int64_t kLooks = 150;

TEST_F(Schedule, AMomentInsideARepetitionGoesOutInItsPauseAndLengthensIt) {
  schedule("00:05", 1'000, 1'000);
  start();
  send(cqFile(12'350));
  run(30'000);
  const std::vector<Span> keyed = spans();
  ASSERT_GE(keyed.size(), 3u);
  EXPECT_NEAR(keyed[0].to - keyed[0].from, 12'350, 50);
  // At once after the repetition, for both files, and the pause follows it whole.
  EXPECT_EQ(keyed[1].from, keyed[0].to);
  EXPECT_NEAR(keyed[1].to - keyed[1].from, kAnnouncementMs, kLooks);
  EXPECT_NEAR(keyed[2].from - keyed[1].to, 6'000, 50);
  EXPECT_TRUE(logged("release: auto-tx (end of sound)"));
  EXPECT_TRUE(logged("grant: schedule"));
  EXPECT_TRUE(logged("release: schedule (end of sound)"));
}

TEST_F(Schedule, APauseEndingDuringTheAnnouncementWaitsForIt) {
  schedule("00:04", 3'000, 3'000);
  start();
  send(cqFile(2'000));
  run(20'000);
  const std::vector<Span> keyed = spans();
  ASSERT_GE(keyed.size(), 3u);
  EXPECT_EQ(keyed[1].from, startedAt + 4'000);
  EXPECT_NEAR(keyed[1].to - keyed[1].from, 6'275, kLooks);
  // The pause ended at 8 s; the repetition followed the announcement's end.
  EXPECT_EQ(keyed[2].from, keyed[1].to);
  EXPECT_NEAR(keyed[2].to - keyed[2].from, 2'000, 50);
}

TEST_F(Schedule, TheUsersPlayAndTxAreRefusedAndTxOrStopEndsIt) {
  schedule("00:02", 2'000, 2'000);
  start();
  p().player.selectedFile = wave("recording.wav", 20'000);
  p().player.ShowLoadedWave();
  run(2'500);
  ASSERT_TRUE(keyed());
  window().lblFreqNorm.mouseDown(L, 0, 0, 0);
  window().lblFreqNorm.mouseUp(L, 0, 0, 0);
  EXPECT_FALSE(p().player.playing);
  EXPECT_TRUE(s.t.noticed("playback and TX are locked"));
  ASSERT_EQ(window().lbl_TX.borderStyle(), Look::On);
  window().lbl_TX.click();
  EXPECT_FALSE(keyed());
  EXPECT_FALSE(p().recorder.timedTransmission.busy());
  EXPECT_TRUE(logged("release: schedule (TX button)"));

  // An hour later the Stop button does the same.
  nextHour();
  run(2'500);
  ASSERT_TRUE(keyed());
  window().cmdStop.click();
  EXPECT_FALSE(keyed());
  EXPECT_TRUE(logged("release: schedule (stop)"));
}

TEST_F(Schedule, TheAutoTxButtonEndsTheAnnouncementOnTheAir) {
  schedule("00:02", 2'000, 2'000);
  start();
  run(2'500);
  ASSERT_TRUE(keyed());
  main().lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_FALSE(keyed());
  EXPECT_FALSE(p().recorder.timedTransmission.busy());
  run(10'000);
  EXPECT_FALSE(keyed()) << "the rest of the announcement does not come back";
  EXPECT_EQ(spans().size(), 1u);
}

TEST_F(Schedule, TheSendKeyHoldsItOffEndsItAndSkipsTheHourAfterTheWait) {
  schedule("00:02", 1'000, 1'000);
  start();
  s.port().setInputLine(modemDcdOn, true);
  run(11'000);
  EXPECT_TRUE(p().recorder.timedTransmission.waiting());
  run(2'000);  // 10 s after the moment, line 40 being 0
  EXPECT_FALSE(p().recorder.timedTransmission.busy());
  EXPECT_TRUE(s.t.noticed("is skipped"));
  s.port().setInputLine(modemDcdOn, false);
  run(10'000);
  EXPECT_TRUE(spans().empty());

  // Let go within the wait: it goes out then.
  nextHour();
  s.port().setInputLine(modemDcdOn, true);
  run(5'000);
  EXPECT_FALSE(keyed());
  s.port().setInputLine(modemDcdOn, false);
  const std::int64_t letGo = now();
  ASSERT_TRUE(runUntil([&] { return keyed(); }, 1'000));
  EXPECT_LE(now() - letGo, 50);
  // Pressed while it is on the air: it ends at once.
  run(500);
  s.port().setInputLine(modemDcdOn, true);
  ASSERT_TRUE(runUntil([&] { return !keyed(); }, 100));
  EXPECT_TRUE(logged("release: schedule (send key)"));
}

TEST_F(Schedule, ATransmissionByHandHoldsItOffAndAListeningPlaybackGivesWay) {
  schedule("00:02", 1'000, 1'000);
  start();
  run(1'000);
  window().lbl_TX.click();
  ASSERT_TRUE(keyed());
  run(2'000);
  EXPECT_TRUE(p().recorder.timedTransmission.waiting());
  window().lbl_TX.click();  // released: the announcement takes the transmitter at once
  EXPECT_TRUE(keyed());
  EXPECT_TRUE(logged("release: manual (TX button)"));
  run(3'000);
  EXPECT_FALSE(keyed());
  ASSERT_EQ(spans().size(), 2u);

  // An hour later a recording only plays, with TX off: it stops and the hour is sent.
  p().player.selectedFile = wave("recording.wav", 20'000);
  p().player.ShowLoadedWave();
  nextHour();
  window().lblFreqNorm.mouseDown(L, 0, 0, 0);
  window().lblFreqNorm.mouseUp(L, 0, 0, 0);
  ASSERT_TRUE(p().player.playing);
  run(2'500);
  EXPECT_FALSE(p().player.playing);
  EXPECT_TRUE(keyed());
  EXPECT_TRUE(s.t.noticed("Playback was stopped"));
}

TEST_F(Schedule, ItsKeyingEndsWithItsSoundOrIsNeverKeyedWithoutOne) {
  schedule("00:02", 3'000, 3'000);
  s.sound.playbackScript.stallAtMs = 1'000;
  start();
  run(10'000);
  ASSERT_EQ(spans().size(), 1u);
  EXPECT_LE(spans()[0].to - spans()[0].from, 1'000 + 1'000 + 100);
  EXPECT_TRUE(s.t.noticed("stood still"));

  s.sound.playbackScript = {std::nullopt, 500};
  nextHour();
  run(10'000);
  ASSERT_EQ(spans().size(), 2u);
  EXPECT_LE(spans()[1].to - spans()[1].from, 500 + 100);
  EXPECT_TRUE(s.t.noticed("unplugged"));
}

TEST_F(Schedule, WithoutASoundOutputNothingIsKeyed) {
  s.noOutput = true;
  schedule("00:02", 1'000, 1'000);
  start();
  run(10'000);
  EXPECT_TRUE(spans().empty());
  EXPECT_TRUE(s.t.noticed("no sound output"));
}

}  // namespace
}  // namespace tv::test

namespace tv::test {
namespace {

using Clock = OnAir;

TEST_F(Clock, AMomentSteppedOverIsSkippedAndTheNextHourSends) {
  schedule("00:05", 1'000, 1'000);
  start();
  run(3'000);
  s.t.clock.setLocal({2026, 12, 7, 10, 30, 3, 0});  // awake after suspend
  run(60'000);
  EXPECT_TRUE(spans().empty());
  EXPECT_TRUE(s.t.noticed("10:00:05 is skipped: the clock came 1799 s past"));
  s.t.clock.setLocal({2026, 12, 7, 11, 0, 0, 0});
  run(10'000);
  EXPECT_EQ(spans().size(), 1u);
}

TEST_F(Clock, ATickThreeSecondsLateSendsAndEightSecondsLateSkips) {
  schedule("00:05", 1'000, 1'000);
  start();
  run(3'000);
  s.t.clock.setLocal({2026, 12, 7, 10, 0, 7, 0});
  run(1'000);  // 10:00:08
  EXPECT_TRUE(keyed());
  run(3'100'000);
  s.t.clock.setLocal({2026, 12, 7, 11, 0, 12, 0});
  run(1'000);  // 11:00:13
  EXPECT_FALSE(keyed());
  EXPECT_TRUE(s.t.noticed("11:00:05 is skipped: the clock came 8 s past"));
  EXPECT_EQ(spans().size(), 1u);
}

TEST_F(Clock, ClockSetBackSendsOncePerRealHour) {
  schedule("00:05", 1'000, 1'000);
  start();
  run(20'000);
  ASSERT_EQ(spans().size(), 1u);
  // A small correction back over the moment: not twice within the hour.
  s.t.clock.setLocal({2026, 12, 7, 10, 0, 0, 0});
  run(30'000);
  EXPECT_EQ(spans().size(), 1u);
  EXPECT_TRUE(s.t.noticed("only 20 s ago"));
  // An hour back (the autumn change) at half past: one per real hour goes on.
  run(30 * 60'000 - 50'000);
  s.t.clock.setLocal({2026, 12, 7, 9, 30, 0, 0});
  run(3 * 3'600'000);
  const std::vector<Span> keyed = spans();
  ASSERT_EQ(keyed.size(), 4u);
  for (size_t i = 1; i < keyed.size(); ++i) EXPECT_GE(keyed[i].from - keyed[i - 1].from, 3'000'000);
}

TEST_F(Clock, AChangedScheduleFileResetsTheRule) {
  schedule("00:05", 1'000, 1'000);
  start();
  run(10'000);
  ASSERT_EQ(spans().size(), 1u);
  schedule("00:30", 1'000, 1'000);
  run(30'000);
  EXPECT_EQ(spans().size(), 2u);
}

}  // namespace
}  // namespace tv::test
