#include <gtest/gtest.h>

#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

using Change = FakeSerialPort::LineChange;
using Output = FakeSerialPort::Output;

// Every raise of a line must be cleared again within the same instant: what opening a
// port on Linux does, and nothing a transmitter can act on.
bool onlyBlips(const std::vector<Change>& changes) {
  bool dtr = false;
  bool rts = false;
  std::int64_t raisedAt = -1;
  for (const Change& c : changes) {
    (c.line == Output::Dtr ? dtr : rts) = c.on;
    if (c.on && raisedAt < 0) raisedAt = c.atMs;
    if (!dtr && !rts) raisedAt = -1;
    if (raisedAt >= 0 && c.atMs != raisedAt) return false;
  }
  return !dtr && !rts;
}

TEST(KeyingScenario, TransmitsOnlyWhenAskedAndEndsReleased) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
  s.t.loop.runFor(5'000);
  s.save();  // an unchanged port is not opened again
  EXPECT_TRUE(onlyBlips(s.port().lineChanges()));
  EXPECT_EQ(s.port().openCount(), 1);

  s.port().forgetLineChanges();
  const std::int64_t keyedAt = s.t.clock.monotonicMs();
  p.frm_Oszi.lbl_TX.click();
  EXPECT_EQ(s.txButton().borderStyle(), Look::On);
  EXPECT_EQ(s.txButton().backColour(), rgb(128, 255, 0));
  s.t.loop.runFor(30'000);
  p.frm_Oszi.lbl_TX.click();
  EXPECT_EQ(s.txButton().backColour(), kButtonFace);
  EXPECT_EQ(s.port().lineChanges(), (std::vector<Change>{{keyedAt, Output::Rts, true},
                                                         {keyedAt + 30'000, Output::Rts, false}}));

  // Keyed when the program is told to end: the shutdown releases both lines and does
  // not open the port again on its last apply.
  p.keying.lbl_TX_Click();
  s.t.loop.runFor(1'000);
  s.port().forgetLineChanges();
  p.shutdownRoutine();
  EXPECT_TRUE(p.ended());
  EXPECT_FALSE(s.port().isOpen());
  EXPECT_EQ(s.port().openCount(), 1);
  EXPECT_TRUE(onlyBlips(s.port().lineChanges()));
  EXPECT_EQ(s.txButton().borderStyle(), Look::Off);
}

TEST(KeyingScenario, PortBoxOffersWhatIsPresentAndKeepsTheStoredPort) {
  struct Catalog : SerialPortCatalog {
    std::vector<std::string> availablePorts() const override { return {"/dev/ttyUSB0"}; }
  } catalog;
  TransmitStation s;
  s.t.serialPorts = &catalog;
  Program& p = s.start({{7, "3"}});
  EXPECT_EQ(p.frm_Einstellungen.cb_Com.items(), catalog.availablePorts());
  EXPECT_EQ(p.comPortName, "COM3");
}

}  // namespace
}  // namespace tv::test
