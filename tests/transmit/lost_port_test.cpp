#include <gtest/gtest.h>

#include <vector>

#include "tests/sound/wav_bytes.h"
#include "tests/support/temp_folder.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

constexpr const char* kLink = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

// A station keying RTS through a USB adapter that the settings name by its ttyUSB number,
// as a user picks it from the list; udev gives it a stable link beside that.
struct LostPort : testing::Test {
  Program& start(std::map<int, std::string> lines = {}) {
    s.port().plug("/dev/ttyUSB0", kLink);
    std::map<int, std::string> all = transmitVia("/dev/ttyUSB0", "71-689");
    all[16] = "0";
    for (auto& [number, text] : lines) all[number] = text;
    s.start(all);
    return s.p();
  }
  void run(std::int64_t ms) { s.t.loop.runFor(ms); }
  int noticesWith(const std::string& fragment) {
    int count = 0;
    for (const auto& n : s.p().notices.history())
      if (n.text.find(fragment) != std::string::npos) ++count;
    return count;
  }
  // Whether a line was raised in the changes from `from` on, other than the blip of an
  // opening, which raises both lines and clears them in the same instant.
  bool keyedSince(std::size_t from) {
    const auto& changes = s.port().lineChanges();
    bool dtr = false;
    bool rts = false;
    for (std::size_t i = from; i < changes.size(); ++i) {
      (changes[i].line == FakeSerialPort::Output::Dtr ? dtr : rts) = changes[i].on;
      const bool instantEnds = i + 1 == changes.size() || changes[i + 1].atMs != changes[i].atMs;
      if (instantEnds && (dtr || rts)) return true;
    }
    return false;
  }
  TransmitStation s;
};

TEST_F(LostPort, AnAdapterPulledOutWhileIdleIsToldOnceAndFoundAgainUnderItsLink) {
  Program& p = start();
  ASSERT_TRUE(s.port().isOpen());
  s.port().unplug("/dev/ttyUSB0");
  run(2'000);  // noticed by the watch, with nothing keyed
  EXPECT_FALSE(s.port().isOpen());
  EXPECT_TRUE(p.keying.portLost());
  EXPECT_FALSE(s.txButton().enabled());
  EXPECT_TRUE(s.txButton().visible());
  EXPECT_EQ(noticesWith("is gone"), 1);
  EXPECT_EQ(noticesWith(kLink), 1) << "the notice names the adapter by its link";
  EXPECT_TRUE(s.t.services.messages().empty()) << "no one may be there to answer a box";

  // Unplugged for a minute: looked for, never opened, told no more. The program's own
  // applies change nothing about it; the TX button does nothing.
  const std::size_t tries = s.port().openedNames().size();
  run(60'000);
  s.save();
  p.keying.lbl_TX_Click();
  EXPECT_EQ(s.port().openedNames().size(), tries);
  EXPECT_EQ(noticesWith("is gone"), 1);
  EXPECT_EQ(s.txButton().borderStyle(), Look::Off);

  // Plugged in again it is ttyUSB1; the link finds it within the watch's interval.
  const std::size_t changes = s.port().lineChanges().size();
  s.port().plug("/dev/ttyUSB1", kLink);
  run(2'000);
  ASSERT_TRUE(s.port().isOpen());
  EXPECT_EQ(s.port().openedNames().back(), kLink);
  EXPECT_EQ(s.port().device(), "/dev/ttyUSB1");
  EXPECT_FALSE(s.port().dtr() || s.port().rts());
  EXPECT_FALSE(keyedSince(changes));
  EXPECT_FALSE(p.keying.portLost());
  EXPECT_TRUE(s.txButton().enabled());
  EXPECT_EQ(noticesWith("is back"), 1);

  // The settings still name ttyUSB0; their applies keep the port found and only clear it.
  s.save();
  EXPECT_EQ(s.port().device(), "/dev/ttyUSB1");
  p.keying.lbl_TX_Click();
  EXPECT_TRUE(s.port().rts());
  p.keying.lbl_TX_Click();

  // Lost again: told again.
  s.port().unplug("/dev/ttyUSB1");
  run(2'000);
  EXPECT_EQ(noticesWith("is gone"), 2);
}

TEST_F(LostPort, AFailingLineCommandLosesThePortAndTheClickIsAnswered) {
  Program& p = start();
  p.keying.lbl_TX_Click();
  ASSERT_TRUE(s.port().rts());
  s.port().failLineChanges("Input/output error");
  p.keying.lbl_TX_Click();  // the release fails: the port is closed, dropping both lines
  EXPECT_FALSE(s.port().isOpen());
  EXPECT_FALSE(s.port().rts());
  ASSERT_EQ(s.t.services.messages().size(), 1u);
  EXPECT_NE(s.t.services.messages()[0].find("Input/output error"), std::string::npos);
  p.keying.PttOn("test");
  p.keying.lbl_TX_Click();
  EXPECT_EQ(s.t.services.messages().size(), 1u);

  // The device is still there but fails: tried once, then left until it goes and comes
  // back, or until the user asks for it.
  run(10'000);
  EXPECT_EQ(s.port().openCount(), 2);
  s.port().failLineChanges(std::nullopt);
  run(10'000);
  EXPECT_EQ(s.port().openCount(), 2);
  s.accept();
  EXPECT_TRUE(s.port().isOpen());
  EXPECT_TRUE(s.txButton().enabled());
}

TEST_F(LostPort, ALineThatFailsAsAutoTxKeysEndsTheCycleOnceItsStartHasRun) {
  Program& p = start({{25, "1"}});
  const std::string cq = s.t.file("cq.wav");
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * 3'000, 128))).writeTo(cq);
  p.autoTx.autoTxFile = cq;
  s.port().failLineChanges("Input/output error");
  p.frm_DoKu.lblCQ.mouseDown(MouseButton::Left, 0, 0, 0);
  run(1);
  const MainForm& m = p.frm_DoKu;
  EXPECT_EQ(m.lblCQ.borderStyle(), Look::Off);
  EXPECT_FALSE(m.tmrCQ.enabled() || m.tmrCQ_PAUSE.enabled());
  EXPECT_TRUE(m.lb_Sounds.enabled());
  EXPECT_FALSE(p.player.playing);
  EXPECT_FALSE(s.port().isOpen());
  run(20'000);
  EXPECT_FALSE(p.player.playing) << "the cycle went on without its transmitter";
}

TEST_F(LostPort, AnAnnouncementUnderWayEndsWithThePortAndDoesNotResume) {
  const std::vector<std::uint8_t> silence(8000 * 20, 128);
  WavBytes().bytes(pcmWave(1, 8000, 8, silence)).writeTo(s.t.file("ann.wav"));
  WavBytes().bytes(pcmWave(1, 8000, 8, silence)).writeTo(s.t.file("send.wav"));
  writeFile(s.t.file("XW.DAT"), "00:05\r\nann.wav\r\nsend.wav\r\n");
  Program& p = start();
  run(7'000);
  ASSERT_TRUE(p.recorder.timedTransmission.busy());
  ASSERT_TRUE(s.port().rts());

  s.port().unplug("/dev/ttyUSB0");
  run(2'000);
  EXPECT_FALSE(p.recorder.timedTransmission.busy());
  EXPECT_TRUE(p.txArbiter.free());
  ASSERT_FALSE(s.sound.events().empty());
  EXPECT_EQ(s.sound.events().back(), "close") << "its sound goes on";

  const std::size_t changes = s.port().lineChanges().size();
  s.port().plug("/dev/ttyUSB3", kLink);
  run(40'000);
  EXPECT_TRUE(s.port().isOpen());
  EXPECT_FALSE(keyedSince(changes));
}

}  // namespace
}  // namespace tv::test
