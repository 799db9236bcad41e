#include "transmit/device_keying.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/keying/fake_keyer.h"
#include "tests/transmit/on_air.h"

namespace tv::test {
namespace {

// Auto-TX and the schedule keyed through a device (rigctld, stood in for by a fake that
// answers at once) on the virtual clock, with the serial port of the settings left alone.
struct DeviceOnAir : OnAir {
  Program& startWith(const std::string& keyingLine, std::map<int, std::string> lines = {}) {
    s.t.makeKeyer = FakeKeyer::factory(rig, s.t.clock);
    lines[37] = keyingLine;
    lines.emplace(38, "127.0.0.1:4532");
    Program& program = start(lines);
    s.t.loop.runFor(1);
    return program;
  }
  bool played() const {
    const auto& events = s.sound.events();
    return std::any_of(events.begin(), events.end(),
                       [](const std::string& e) { return e.rfind("play ", 0) == 0; });
  }
  int noticesOf(const std::string& fragment) const { return s.t.noticeCount(fragment); }

  std::shared_ptr<FakeKeyer::Device> rig = std::make_shared<FakeKeyer::Device>();
};

TEST_F(DeviceOnAir, TheSoundWaitsForTheConfirmedKeyingAndTheTxDelay) {
  startWith("rigctld 150 T3");
  ASSERT_EQ(rig->made.size(), 1u);
  EXPECT_EQ(rig->made[0].rigctldAddress, "127.0.0.1:4532");
  EXPECT_EQ(rig->made[0].pttCommand, 3);
  send(cqFile(2'000));
  // Asked, not yet confirmed: neither keyed nor sounding.
  EXPECT_FALSE(p().keying.keyed());
  EXPECT_FALSE(played());
  ASSERT_TRUE(runUntil([&] { return !rig->changes.empty(); }, 100));
  const std::int64_t keyedAt = rig->changes[0].atMs;
  ASSERT_TRUE(runUntil([&] { return played(); }, 300));
  EXPECT_GE(now() - keyedAt, 150);
  EXPECT_LT(now() - keyedAt, 250);
  EXPECT_TRUE(p().keying.keyed());
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::On);

  // The whole file sounds, then the release is confirmed and the pause begins.
  ASSERT_TRUE(runUntil([&] { return rig->changes.size() == 2; }, 3'000));
  EXPECT_FALSE(rig->changes[1].on);
  EXPECT_GE(rig->changes[1].atMs - keyedAt, 2'150);
  EXPECT_TRUE(main().tmrCQ_PAUSE.enabled());
  // Nothing of the serial port was touched.
  EXPECT_TRUE(s.port().lineChanges().empty());
}

TEST_F(DeviceOnAir, AnUnreachableDeviceIsToldOnceTriedEveryTenSecondsAndToldBack) {
  rig->reachable = false;
  startWith("rigctld 150 T1");
  EXPECT_EQ(noticesOf("is not possible"), 1);
  EXPECT_FALSE(window().lbl_TX.enabled());
  const int opens = rig->opens;
  run(DeviceKeying::kRetryMs * 3 + 100);
  EXPECT_EQ(rig->opens - opens, 3);
  EXPECT_EQ(noticesOf("is not possible"), 1);

  // A cycle started now ends at once: nothing can key it.
  send(cqFile(2'000));
  run(200);
  expectIdle();
  EXPECT_TRUE(rig->changes.empty());

  rig->reachable = true;
  run(DeviceKeying::kRetryMs);
  EXPECT_EQ(noticesOf("can be reached again"), 1);
  send(cqFile(2'000));
  ASSERT_TRUE(runUntil([&] { return !rig->changes.empty(); }, 100));

  // The next outage is a new one and told anew.
  rig->reachable = false;
  run(3'000);
  EXPECT_EQ(noticesOf("is not possible"), 2);
}

TEST_F(DeviceOnAir, AConnectionLostInThePauseEndsTheCycleWithANotice) {
  startWith("rigctld 0 T1");
  send(cqFile(1'000));
  ASSERT_TRUE(runUntil([&] { return main().tmrCQ_PAUSE.enabled(); }, 2'000));
  run(10);
  ASSERT_FALSE(rig->ptt);
  rig->reachable = false;
  run(DeviceKeying::kPollMs * 2);
  expectIdle();
  EXPECT_EQ(noticesOf("is not possible"), 1);
}

TEST_F(DeviceOnAir, ARefusedKeyingEndsTheCycleAndSaysWhy) {
  startWith("rigctld 150 T1");
  rig->refuses = true;
  send(cqFile(2'000));
  run(200);
  expectIdle();
  EXPECT_FALSE(played());
  EXPECT_EQ(noticesOf("RPRT -1"), 1);
}

TEST_F(DeviceOnAir, ARigThatWillNotReleaseIsToldAsSuch) {
  startWith("rigctld 0 T1");
  send(cqFile(1'000));
  ASSERT_TRUE(runUntil([&] { return rig->ptt; }, 200));
  rig->refusesRelease = true;
  run(1'500);
  EXPECT_EQ(noticesOf("did not release"), 1);
  // The rig reads keyed while the program has not keyed it: that stops the parrot as the
  // operator's keying would, and nothing repeats the release or the notice.
  run(10'000);
  expectIdle();
  EXPECT_EQ(noticesOf("did not release"), 1);
}

TEST_F(DeviceOnAir, ARigLostWhileKeyedIsReleasedWhenItIsBack) {
  startWith("rigctld 0 T1");
  send(cqFile(5'000));
  ASSERT_TRUE(runUntil([&] { return rig->ptt; }, 200));
  rig->reachable = false;
  run(DeviceKeying::kPollMs * 2);
  expectIdle();
  // The daemon went, the rig kept its PTT.
  EXPECT_TRUE(rig->ptt);
  rig->reachable = true;
  run(DeviceKeying::kRetryMs);
  EXPECT_FALSE(rig->ptt);
  EXPECT_EQ(noticesOf("can be reached again"), 1);
}

TEST_F(DeviceOnAir, TheRigKeyedByTheOperatorStopsTheParrot) {
  startWith("rigctld 0 T1");
  send(cqFile(1'000));
  ASSERT_TRUE(runUntil([&] { return main().tmrCQ_PAUSE.enabled(); }, 2'000));
  EXPECT_EQ(main().lblrsp.caption(), "Parrot");
  rig->operatorPtt = true;
  run(DeviceKeying::kPollMs * 2 + 600);
  expectIdle();
  EXPECT_EQ(main().lblrsp.caption(), "TX_Mic");
}

TEST_F(DeviceOnAir, WithoutAViewOfTheOperatorTheWatchSaysSo) {
  rig->seesOperator = false;
  startWith("rigctld 0 T1");
  send(cqFile(1'000));
  run(600);
  EXPECT_EQ(main().lblrsp.caption(), "not available");
}

TEST_F(DeviceOnAir, NoneKeysNothingAndStillSendsTheCycle) {
  startWith("none 0");
  EXPECT_TRUE(rig->made.empty());
  EXPECT_FALSE(p().frm_Einstellungen.cb_TX.enabled());
  EXPECT_FALSE(p().frm_Einstellungen.cb_TX_off.enabled());
  send(cqFile(1'000));
  run(100);
  EXPECT_TRUE(played());
  run(8'000);
  EXPECT_GE(std::count(s.sound.events().begin(), s.sound.events().end(), "play 0"), 1);
  EXPECT_TRUE(s.port().lineChanges().empty());
  EXPECT_FALSE(s.port().isOpen());
}

TEST_F(DeviceOnAir, ApplyingUnchangedSettingsKeepsTheConnectionAndAChangeMakesANewOne) {
  startWith("rigctld 150 T1");
  s.save();
  run(10);
  EXPECT_EQ(rig->made.size(), 1u);
  p().frm_Mehr.cb_PttCommand.setText("T3");
  s.save();
  run(10);
  ASSERT_EQ(rig->made.size(), 2u);
  EXPECT_EQ(rig->made[1].pttCommand, 3);
  // Back to the serial port: the pin boxes are the user's again.
  p().frm_Mehr.cb_Keying.setText("serial");
  s.save();
  EXPECT_TRUE(p().frm_Einstellungen.cb_TX.enabled());
  EXPECT_TRUE(s.port().isOpen());
}

}  // namespace
}  // namespace tv::test
