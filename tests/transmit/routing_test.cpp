#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

constexpr int L = MouseButton::Left;
constexpr const char* kTransmitter = "pulse:transmitter";

// Which output each sender opens: a station whose transmit output (line 36) is the
// sound server's transmitter sink, keying RTS on the stand-in port, the recorder off.
struct Routing : testing::Test {
  Program& start(std::map<int, std::string> lines = {}) {
    std::map<int, std::string> all = transmitVia("/dev/ttyUSB0", "71-689");
    all[16] = "0";
    all[25] = "1";  // the parrot offered
    all[26] = "1";  // Auto-TX pauses 1 s
    all[36] = kTransmitter;
    all[40] = "0";  // no wait for a clear channel: the timing is the senders' own
    for (auto& [number, text] : lines) all[number] = text;
    s.start(all, 43);
    // Opening the port raises its lines for a moment; what counts comes after.
    s.port().forgetLineChanges();
    return s.p();
  }
  std::string wave(const std::string& name, int ms) {
    const std::string path = s.t.file(name);
    WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
    return path;
  }
  // The sound system's events from `from` on that open or wake an output.
  std::vector<std::string> openings(std::size_t from = 0) const {
    std::vector<std::string> found;
    for (std::size_t i = from; i < sound.events().size(); ++i) {
      const std::string& e = sound.events()[i];
      if (e.starts_with("open ") || e.starts_with("wake ")) found.push_back(e);
    }
    return found;
  }
  bool keyed() const { return s.t.serial.rts(); }
  bool everKeyed() const {
    for (const auto& change : s.t.serial.lineChanges())
      if (change.line == FakeSerialPort::Output::Rts && change.on) return true;
    return false;
  }
  void run(std::int64_t ms) { s.t.loop.runFor(ms); }

  TransmitStation s;
  ScriptedSoundSystem& sound = s.sound;
};

TEST_F(Routing, AutoTxWakesTheTransmitOutputAndPlaysThereEveryRepetition) {
  Program& p = start();
  const std::string cq = wave("cq call.wav", 1000);
  const std::string copy = s.t.file("rx.wav");  // what the playback window plays
  p.autoTx.autoTxFile = cq;
  p.frm_DoKu.lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_TRUE(keyed());
  run(2500);  // the file, the pause, and the second repetition under way
  // Its own file, woken before each opening: checked at the start, then once a
  // repetition; never the playback window's speed copy.
  const std::vector<std::string> once = {"wake pulse:transmitter",
                                         "open " + cq + " on " + kTransmitter};
  std::vector<std::string> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), once.begin(), once.end());
  EXPECT_EQ(openings(), expected);
  EXPECT_TRUE(keyed());

  // Stopped: the playback window plays on the desktop's output again.
  p.frm_DoKu.lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_FALSE(keyed());
  const std::size_t before = sound.events().size();
  p.frm_Oszi.lblFreqNorm.mouseDown(L, 0, 0, 0);
  p.frm_Oszi.lblFreqNorm.mouseUp(L, 0, 0, 0);
  EXPECT_EQ(openings(before), (std::vector<std::string>{"open " + copy, "open " + copy}));
}

TEST_F(Routing, TheTimedTransmissionWakesTheTransmitOutputAndPlaysBothFilesThere) {
  wave("ann.wav", 500);
  wave("send.wav", 500);
  std::ofstream(s.t.file("XW.DAT"), std::ios::binary) << "00:05\r\nann.wav\r\nsend.wav\r\n";
  Program& p = start();
  run(4500);
  EXPECT_FALSE(everKeyed());
  run(1000);
  ASSERT_TRUE(p.recorder.timedTransmission.busy());
  EXPECT_TRUE(keyed());
  run(2000);
  EXPECT_FALSE(p.recorder.timedTransmission.busy());
  EXPECT_FALSE(keyed());
  EXPECT_EQ(openings(),
            (std::vector<std::string>{"wake pulse:transmitter", "open ann.wav on pulse:transmitter",
                                      "wake pulse:transmitter",
                                      "open send.wav on pulse:transmitter"}));
  EXPECT_EQ(p.mci.playbackOutput(), "") << "the playback window's sound is the desktop's again";
}

TEST_F(Routing, ThePlaybackWindowMovesToTheTransmitOutputAtItsPositionWhileTxIsPressed) {
  Program& p = start();
  p.player.selectedFile = wave("take.wav", 2000);
  p.player.ShowLoadedWave();
  p.frm_Oszi.lblFreqNorm.mouseDown(L, 0, 0, 0);
  p.frm_Oszi.lblFreqNorm.mouseUp(L, 0, 0, 0);
  const std::string copy = s.t.file("rx.wav");
  run(500);
  std::size_t before = sound.events().size();
  p.frm_Oszi.lbl_TX.click();
  EXPECT_TRUE(keyed());
  std::vector<std::string> moved(sound.events().begin() + static_cast<long>(before),
                                 sound.events().end());
  EXPECT_EQ(moved, (std::vector<std::string>{"open " + copy + " on " + kTransmitter, "close",
                                             "play 500"}));
  run(500);
  before = sound.events().size();
  p.frm_Oszi.lbl_TX.click();
  EXPECT_FALSE(keyed());
  moved.assign(sound.events().begin() + static_cast<long>(before), sound.events().end());
  EXPECT_EQ(moved, (std::vector<std::string>{"open " + copy, "close", "play 1000"}));
  EXPECT_TRUE(p.player.playing);
}

TEST_F(Routing, ATransmitOutputThatIsGoneRefusesEveryAutomaticTransmissionUnkeyed) {
  wave("ann.wav", 500);
  wave("send.wav", 500);
  std::ofstream(s.t.file("XW.DAT"), std::ios::binary) << "00:05\r\nann.wav\r\nsend.wav\r\n";
  sound.absent.insert(kTransmitter);
  sound.serverNames[kTransmitter] = "pulse:elsewhere";
  Program& p = start();
  p.autoTx.autoTxFile = wave("cq call.wav", 1000);
  p.frm_DoKu.lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_FALSE(p.autoTx.running());
  ASSERT_FALSE(s.t.services.messages().empty()) << "the click is answered";
  EXPECT_NE(s.t.services.messages().back().find(kTransmitter), std::string::npos);

  run(6000);  // the schedule's moment passes
  EXPECT_FALSE(p.recorder.timedTransmission.busy());
  EXPECT_FALSE(everKeyed());
  EXPECT_TRUE(openings().empty());
  EXPECT_TRUE(s.t.noticed("pulse:transmitter"));

  // Back: the next start sends.
  sound.absent.clear();
  p.frm_DoKu.lblCQ.mouseDown(L, 0, 0, 0);
  EXPECT_TRUE(p.autoTx.running());
  EXPECT_TRUE(keyed());
}

}  // namespace
}  // namespace tv::test
