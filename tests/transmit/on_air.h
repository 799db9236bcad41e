#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/sound/wav_bytes.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {

struct Span {
  std::int64_t from = 0;
  std::int64_t to = -1;  // still keyed
};

// The stretches in which RTS (pin 7, the key line of "71-689") was raised.
inline std::vector<Span> keyedSpans(const std::vector<FakeSerialPort::LineChange>& changes) {
  std::vector<Span> spans;
  bool on = false;
  for (const auto& c : changes) {
    if (c.line != FakeSerialPort::Output::Rts) continue;
    if (c.on && !on) spans.push_back({c.atMs});
    if (!c.on && on) spans.back().to = c.atMs;
    on = c.on;
  }
  return spans;
}

// A program with the parrot offered, transmit control on the stand-in port and the send
// key on pin 1 (DCD), pressed while it reads 1. The recorder stays off and the
// busy-channel wait is off unless a test sets line 40.
struct OnAir : testing::Test {
  static constexpr int L = MouseButton::Left;

  Program& start(std::map<int, std::string> lines = {}) {
    std::map<int, std::string> all = transmitVia("/dev/ttyUSB0", "71-689");
    all[16] = "0";
    all[25] = "1";
    for (auto& [number, text] : lines) all[number] = text;
    const int count = all.rbegin()->first > 34 ? all.rbegin()->first : 34;
    for (int n = 35; n < count; ++n) all.emplace(n, "");
    all.emplace(40, "0");
    s.start(all, count < 40 ? 40 : count);
    s.port().forgetLineChanges();
    s.t.services.shown.clear();
    return p();
  }
  // A quiet sound of `ms` at 8000 samples per second.
  std::string wave(const std::string& name, int ms) {
    const std::string path = s.t.file(name);
    WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
    return path;
  }
  std::string cqFile(int ms) { return wave("cq call.wav", ms); }
  // The schedule file, written before start: the moment, the two files of `firstMs` and
  // `secondMs`.
  void schedule(const std::string& moment, int firstMs, int secondMs) {
    const std::string first = wave("ann.wav", firstMs);
    const std::string second = wave("send.wav", secondMs);
    std::ofstream(s.t.file("XW.DAT"), std::ios::binary) << moment << "\r\n"
                                                        << first << "\r\n"
                                                        << second << "\r\n";
  }
  void send(const std::string& file) {
    p().autoTx.autoTxFile = file;
    main().lblCQ.mouseDown(L, 0, 0, 0);
    startedAt = now();
  }
  void run(std::int64_t ms) { s.t.loop.runFor(ms); }
  bool runUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    return s.t.loop.runUntil(done, limitMs);
  }
  std::int64_t now() const { return s.t.clock.monotonicMs(); }
  std::vector<Span> spans() const { return keyedSpans(s.t.serial.lineChanges()); }
  bool keyed() { return s.port().rts(); }
  bool told(const std::string& fragment) const {
    for (const std::string& m : s.t.services.messages())
      if (m.find(fragment) != std::string::npos) return true;
    return s.t.noticed(fragment);
  }
  // The arbiter's and the keying's lines of the station log, in order.
  std::vector<std::string> keyingLog() {
    std::vector<std::string> lines;
    std::ifstream in(p().log.path());
    const std::string mark = " keying: ";
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(mark);
      if (at != std::string::npos) lines.push_back(line.substr(at + mark.size()));
    }
    return lines;
  }
  bool logged(const std::string& text) {
    for (const std::string& line : keyingLog())
      if (line == text) return true;
    return false;
  }
  void expectIdle() {
    EXPECT_EQ(main().lblCQ.borderStyle(), Look::Off);
    EXPECT_EQ(main().lblCQ.backColour(), kButtonFace);
    EXPECT_FALSE(main().tmrCQ.enabled() || main().tmrCQ_PAUSE.enabled());
    EXPECT_TRUE(main().lb_Sounds.enabled());
    EXPECT_FALSE(s.port().rts());
    EXPECT_TRUE(p().txArbiter.free());
  }
  Program& p() { return s.p(); }
  MainForm& main() { return s.p().frm_DoKu; }
  PlaybackForm& window() { return s.p().frm_Oszi; }

  TransmitStation s;
  std::int64_t startedAt = 0;
};

}  // namespace tv::test
