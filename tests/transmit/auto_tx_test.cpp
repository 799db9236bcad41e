#include "transmit/auto_tx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/transmit/on_air.h"

namespace tv::test {
namespace {

constexpr int kSixRepetitions = 6 * (12'350 + 6'000);

using Parrot = OnAir;

TEST_F(Parrot, TenRepetitionsAreKeyedForTheFileAndReleasedForThePause) {
  start();
  send(cqFile(12'350));
  EXPECT_EQ(main().tmrCQ.interval(), 12'350);
  EXPECT_EQ(p().frm_Oszi.lbl_sek.caption(), "  12.35 s");
  EXPECT_EQ(main().lblCQ.backColour(), rgb(255, 0, 0));
  EXPECT_FALSE(main().lb_Sounds.enabled());
  EXPECT_TRUE(main().lblrsp.visible() && main().tmrRSP.enabled());

  run(10 * 18'350 - 3'000);  // into the pause after the tenth
  main().lblCQ.mouseDown(L, 0, 0, 0);
  expectIdle();
  EXPECT_FALSE(main().lblrsp.visible());
  EXPECT_TRUE(main().tmrRSP.enabled());  // the watch outlives the cycle
  run(60'000);

  const std::vector<Span> keyed = spans();
  ASSERT_EQ(keyed.size(), 10u);
  for (size_t i = 0; i < keyed.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keyed[i].from, startedAt + static_cast<std::int64_t>(i) * 18'350);
    EXPECT_NEAR(keyed[i].to - keyed[i].from, 12'350, 50);
    if (i > 0) {
      EXPECT_NEAR(keyed[i].from - keyed[i - 1].to, 6'000, 50);
    }
  }
}

TEST_F(Parrot, SendKeyInTheSixthRepetitionEndsItAtOnceAndKeepsPlaybackOff) {
  start();
  send(cqFile(12'350));
  run(kSixRepetitions - 6'000 - 12'350 / 2);
  ASSERT_TRUE(s.port().rts());
  s.port().setInputLine(modemDcdOn, true);
  const std::int64_t pressedAt = now();
  ASSERT_TRUE(s.t.loop.runUntil([&] { return !s.port().rts(); }, 200));
  run(60'000);

  const std::vector<Span> keyed = spans();
  ASSERT_EQ(keyed.size(), 6u);
  EXPECT_LE(keyed[5].to - pressedAt, 200);
  expectIdle();
  EXPECT_FALSE(p().player.playing);
  EXPECT_EQ(main().lblrsp.caption(), "TX_Mic");
  EXPECT_TRUE(main().lblrsp.visible() && !main().lblrsp.enabled());
  EXPECT_EQ(p().frm_Einstellungen.caption(), "1");

  // While the operator still transmits, a playback started by hand is stopped too.
  p().player.lblFreqNorm_MouseDown(L, 0, 0, 0);
  p().player.lblFreqNorm_MouseUp(L, 0, 0, 0);
  ASSERT_TRUE(p().player.playing);
  run(main().tmrRSP.interval());
  EXPECT_FALSE(p().player.playing);
  s.port().setInputLine(modemDcdOn, false);
  run(main().tmrRSP.interval());
  EXPECT_EQ(main().lblrsp.caption(), "Parrot");
}

TEST_F(Parrot, WithoutAFileOrWithTheRightButtonOnlyThePreselectionOpens) {
  start();
  main().lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_TRUE(main().lb_CQVorwahl.visible());
  EXPECT_EQ(main().lb_CQVorwahl.items(),
            (std::vector<std::string>{"Save sound file", "Open CQ file", "Back"}));
  EXPECT_EQ(p().frm_CQ.top(), main().top() + 300 + p().heightCorrection);
  main().lb_CQVorwahl.userSelected(2);
  EXPECT_FALSE(main().lb_CQVorwahl.visible());
  expectIdle();

  // While sending: playback and keying stop, the cycle goes on with the next pause end.
  send(cqFile(12'350));
  run(3'000);
  main().lblCQ.mouseDown(MouseButton::Right, 0, 0, 0);
  EXPECT_FALSE(s.port().rts() || p().autoTx.sending());
  EXPECT_TRUE(main().lb_CQVorwahl.visible());
  EXPECT_EQ(main().lblCQ.borderStyle(), Look::On);
  run(startedAt + 18'350 - now());
  EXPECT_TRUE(s.port().rts() && p().autoTx.sending());
  EXPECT_EQ(spans().size(), 2u);
}

TEST_F(Parrot, ParrotButtonsStartAndStopAndTransmitControlOffLeavesTheWatchOff) {
  start({{20, "0"}});
  p().autoTx.autoTxFile = cqFile(2'000);
  main().cmd_PAPA.click();
  EXPECT_TRUE(p().autoTx.sending());
  EXPECT_EQ(main().lblCQ.borderStyle(), Look::On);
  EXPECT_FALSE(main().tmrRSP.enabled());
  run(5'000);
  p().frm_Oszi.cmdPap2.click();
  EXPECT_FALSE(main().tmrRSP.enabled());
  expectIdle();
  EXPECT_TRUE(s.port().openedNames().empty());
}

TEST_F(Parrot, AFileThatCannotBeSentNeverKeys) {
  start();
  const std::string garbage = s.t.file("not a wave.wav");
  std::ofstream(garbage) << "hello";
  for (const std::string& file : {cqFile(3), garbage, s.t.file("missing.wav")}) {
    SCOPED_TRACE(file);
    send(file);
    run(10'000);
    EXPECT_TRUE(told(file));
    expectIdle();
  }
  EXPECT_TRUE(told("0 seconds long"));

  // Gone while the cycle pauses: it stops instead of keying a silent carrier.
  send(cqFile(1'000));
  run(1'500);
  std::filesystem::remove(p().autoTx.autoTxFile);
  run(10'000);
  EXPECT_EQ(spans().size(), 1u);
  expectIdle();
}

TEST_F(Parrot, APauseOfZeroStillReleasesBetweenRepetitions) {
  start({{26, "0"}});
  send(cqFile(1'000));
  run(4'300);
  EXPECT_EQ(main().tmrCQ_PAUSE.interval(), p().autoTx.minimumPauseMs());
  const std::vector<Span> keyed = spans();
  ASSERT_EQ(keyed.size(), 4u);
  for (const Span& span : keyed) EXPECT_NEAR(span.to - span.from, 1'000, 50);
}

TEST_F(Parrot, TimeOutReadErrorAndNewSettingsEachEndTheCycle) {
  start({{34, "5"}});
  send(cqFile(12'350));
  run(60'000);
  ASSERT_EQ(spans().size(), 1u);
  EXPECT_EQ(spans()[0].to - spans()[0].from, 5'000);
  expectIdle();

  s.port().forgetLineChanges();
  send(cqFile(2'000));
  run(1'000);
  s.port().failReads("Input/output error");
  run(main().tmrRSP.interval());
  expectIdle();
  EXPECT_TRUE(s.t.noticed("Input/output error"));
  const size_t shown = p().notices.history().size();
  run(10'000);
  EXPECT_EQ(p().notices.history().size(), shown);  // told once; idle reads do not count
  s.port().failReads(std::nullopt);

  send(cqFile(2'000));
  run(1'000);
  s.save();
  expectIdle();
  run(10'000);
  EXPECT_EQ(spans().size(), 2u);
}

TEST_F(Parrot, SendsItsOwnFileAtNormalSpeedWhateverTheSpeedSlider) {
  start();
  window().sli_Speed.setValue(1);
  const std::string file = cqFile(2'000);
  send(file);
  run(3 * 8'000 - 1'000);  // three repetitions of 2 s with pauses of 6 s
  const std::vector<Span> keyed = spans();
  ASSERT_EQ(keyed.size(), 3u);
  for (const Span& span : keyed) EXPECT_NEAR(span.to - span.from, 2'000, 50);
  // Its own stream of the file itself, never the playback window's speed copy.
  for (const std::string& e : s.sound.events())
    if (e.starts_with("open ")) EXPECT_EQ(e, "open " + file);
  EXPECT_FALSE(p().player.playing);
  // The window shows what is sent.
  EXPECT_EQ(window().lblFile.caption(), file);
  EXPECT_EQ(window().lbl_sek.caption(), "   2.00 s");
}

TEST_F(Parrot, AFileLoadedByHandEndsTheCycleBeforeItLoads) {
  start();
  send(cqFile(4'000));
  run(1'000);
  ASSERT_TRUE(keyed());
  const std::string received = wave("received.wav", 3'000);
  s.t.services.fileAnswers.push_back(received);
  main().lbl_LoadWave.mouseDown(L, 0, 0, 0);
  run(main().tmr2.interval());
  expectIdle();
  EXPECT_TRUE(s.t.noticed("another file was loaded"));
  // It plays by itself after the load, as a chosen file does, but is never keyed.
  run(30'000);
  EXPECT_EQ(spans().size(), 1u);
  EXPECT_TRUE(logged("release: auto-tx (another file loaded)"));
}

TEST_F(Parrot, AStalledOrFailedOutputReleasesWithinASecond) {
  start();
  s.sound.playbackScript.stallAtMs = 1'500;
  send(cqFile(4'000));
  run(10'000);
  ASSERT_EQ(spans().size(), 1u);
  EXPECT_LE(spans()[0].to - spans()[0].from, 1'500 + 1'000 + 100);
  expectIdle();
  EXPECT_TRUE(told("stood still"));
  EXPECT_TRUE(logged("release: auto-tx (sound failed)"));

  s.port().forgetLineChanges();
  s.sound.playbackScript = {std::nullopt, 1'500};
  send(cqFile(4'000));
  run(10'000);
  ASSERT_EQ(spans().size(), 1u);
  EXPECT_LE(spans()[0].to - spans()[0].from, 1'500 + 100);
  expectIdle();
  EXPECT_TRUE(told("unplugged"));
}

TEST_F(Parrot, PlayAndTxAreRefusedWhileTheCycleRunsAndTheUsersStopEndsTheRepetition) {
  start();
  send(cqFile(4'000));
  run(1'000);
  // Play: refused, told, and the sent sound goes on.
  window().lblFreqNorm.mouseDown(L, 0, 0, 0);
  window().lblFreqNorm.mouseUp(L, 0, 0, 0);
  EXPECT_FALSE(p().player.playing);
  EXPECT_TRUE(s.t.noticed("playback and TX are locked"));
  EXPECT_TRUE(keyed() && p().autoTx.sending());
  // Stop: the repetition ends at once; the cycle goes on with its pause.
  window().cmdStop.click();
  EXPECT_FALSE(keyed() || p().autoTx.sending());
  EXPECT_TRUE(logged("release: auto-tx (stop)"));
  run(4'000);
  // TX in the pause: refused.
  ASSERT_TRUE(main().tmrCQ_PAUSE.enabled());
  window().lbl_TX.click();
  EXPECT_FALSE(keyed());
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::Off);
  run(startedAt + 10'000 - now());
  ASSERT_TRUE(keyed());
  // TX released while a repetition is keyed (the button shows it pressed): ends it.
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::On);
  window().lbl_TX.click();
  EXPECT_FALSE(keyed());
  EXPECT_TRUE(logged("release: auto-tx (TX button)"));
  EXPECT_EQ(main().lblCQ.borderStyle(), Look::On);
  // Once the cycle has stopped, the user plays and keys again.
  main().lblCQ.mouseDown(L, 0, 0, 0);
  window().lbl_TX.click();
  EXPECT_TRUE(keyed());
  EXPECT_TRUE(logged("grant: manual"));
}

TEST_F(Parrot, WithoutASoundOutputNothingIsKeyed) {
  s.noOutput = true;
  start();
  send(cqFile(2'000));
  run(20'000);
  EXPECT_TRUE(spans().empty());
  expectIdle();
  EXPECT_TRUE(told("no sound output"));
}

// Loud sound on the receiver, 50 ms at a time, for `ms`, into whatever input is open.
void loud(OnAir& t, std::int64_t ms) {
  for (std::int64_t done = 0; done < ms; done += 50) {
    if (auto input = t.s.sound.lastInput()) {
      std::vector<std::uint8_t> samples(551);
      for (size_t i = 0; i < samples.size(); ++i) samples[i] = i % 2 ? 250 : 5;
      input->feed(samples);
    }
    t.run(50);
  }
}

TEST_F(Parrot, ABusyChannelHoldsOffARepetitionAndSkipsItAfterTheWait) {
  start({{40, "3"}});
  send(cqFile(1'000));
  // The recorder is off: the input is opened and listened to for 500 ms, then closed.
  run(700);
  ASSERT_EQ(spans().size(), 1u);
  EXPECT_EQ(spans()[0].from, startedAt + 500);
  EXPECT_EQ(s.sound.inputOpenings().size(), 1u);
  EXPECT_EQ(s.sound.lastInput(), nullptr);
  // Busy when the pause ends (at 7.5 s) until 9 s: keyed 500 ms after it went quiet.
  run(startedAt + 7'400 - now());
  loud(*this, 1'600);
  run(2'000);
  ASSERT_EQ(spans().size(), 2u);
  EXPECT_NEAR(spans()[1].from - (startedAt + 9'000), 500, 60);
  // Busy past the wait at the next pause end: skipped, told, and the cycle goes on.
  const std::int64_t pauseEnd = spans()[1].to + 6'000;
  run(pauseEnd - 200 - now());
  loud(*this, 4'000);
  EXPECT_EQ(spans().size(), 2u);
  EXPECT_TRUE(s.t.noticed("skipped: the channel was busy for 3 s"));
  EXPECT_TRUE(logged("release: auto-tx (channel busy)"));
  run(pauseEnd + 3'000 + 6'000 + 600 - now());
  EXPECT_EQ(spans().size(), 3u);
  EXPECT_EQ(main().lblCQ.borderStyle(), Look::On);
}

TEST_F(Parrot, WithoutAnInputTheLockoutIsOffAndSaysSoOnce) {
  s.sound.inputFailure = "no such device";
  start({{40, "3"}});
  send(cqFile(1'000));
  EXPECT_TRUE(keyed());
  run(20'000);
  EXPECT_EQ(spans().size(), 3u);
  int told = 0;
  for (const auto& n : p().notices.history())
    told += n.text.find("lockout is off") != std::string::npos;
  EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace tv::test
