#include "transmit/auto_tx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/sound/wav_bytes.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

using Output = FakeSerialPort::Output;
constexpr int L = MouseButton::Left;
constexpr int kSixRepetitions = 6 * (12'350 + 6'000);

struct Span {
  std::int64_t from = 0;
  std::int64_t to = -1;  // still keyed
};

// The stretches in which RTS (pin 7, the key line of "71-689") was raised.
std::vector<Span> keyedSpans(const std::vector<FakeSerialPort::LineChange>& changes) {
  std::vector<Span> spans;
  bool on = false;
  for (const auto& c : changes) {
    if (c.line != Output::Rts) continue;
    if (c.on && !on) spans.push_back({c.atMs});
    if (!c.on && on) spans.back().to = c.atMs;
    on = c.on;
  }
  return spans;
}

// A program with the parrot offered, transmit control on the stand-in port and the send
// key on pin 1 (DCD), pressed while it reads 1. The recorder stays off.
struct Parrot : testing::Test {
  Program& start(std::map<int, std::string> lines = {}) {
    std::map<int, std::string> all = transmitVia("/dev/ttyUSB0", "71-689");
    all[16] = "0";
    all[25] = "1";
    for (auto& [number, text] : lines) all[number] = text;
    s.start(all);
    s.port().forgetLineChanges();
    s.t.services.shown.clear();
    return p();
  }
  std::string cqFile(int ms) {
    const std::string path = s.t.file("cq call.wav");
    WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
    return path;
  }
  void send(const std::string& file) {
    p().autoTx.autoTxFile = file;
    main().lblCQ.mouseDown(L, 0, 0, 0);
    startedAt = now();
  }
  void run(std::int64_t ms) { s.t.loop.runFor(ms); }
  std::int64_t now() const { return s.t.clock.monotonicMs(); }
  std::vector<Span> spans() const { return keyedSpans(s.t.serial.lineChanges()); }
  bool told(const std::string& fragment) const {
    for (const std::string& m : s.t.services.messages())
      if (m.find(fragment) != std::string::npos) return true;
    return false;
  }
  void expectIdle() {
    EXPECT_EQ(main().lblCQ.borderStyle(), Look::Off);
    EXPECT_EQ(main().lblCQ.backColour(), kButtonFace);
    EXPECT_FALSE(main().tmrCQ.enabled() || main().tmrCQ_PAUSE.enabled());
    EXPECT_TRUE(main().lb_Sounds.enabled());
    EXPECT_FALSE(s.port().rts());
  }
  Program& p() { return s.p(); }
  MainForm& main() { return s.p().frm_DoKu; }

  TransmitStation s;
  std::int64_t startedAt = 0;
};

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
  EXPECT_FALSE(s.port().rts() || p().player.playing);
  EXPECT_TRUE(main().lb_CQVorwahl.visible());
  EXPECT_EQ(main().lblCQ.borderStyle(), Look::On);
  run(startedAt + 18'350 - now());
  EXPECT_TRUE(s.port().rts() && p().player.playing);
  EXPECT_EQ(spans().size(), 2u);
}

TEST_F(Parrot, ParrotButtonsStartAndStopAndTransmitControlOffLeavesTheWatchOff) {
  start({{20, "0"}});
  p().autoTx.autoTxFile = cqFile(2'000);
  main().cmd_PAPA.click();
  EXPECT_TRUE(p().player.playing);
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

}  // namespace
}  // namespace tv::test
