#include <gtest/gtest.h>

#include <vector>

#include "tests/support/serial/fake_serial_port.h"

namespace tv {
namespace {

class SteppedClock final : public Clock {
 public:
  std::int64_t monotonicMs() const override { return now; }
  LocalDateTime localNow() const override { return {}; }
  std::int64_t now = 0;
};

using Change = FakeSerialPort::LineChange;
using Output = FakeSerialPort::Output;

TEST(FakeSerialPort, OpeningBlipsBothLinesAndEveryCommandIsTimed) {
  SteppedClock clock;
  FakeSerialPort port(clock);
  clock.now = 5;
  ASSERT_TRUE(port.open("COM3"));
  EXPECT_EQ(port.device(), "/dev/ttyS2");
  clock.now = 9;
  ASSERT_TRUE(port.setRts(true));
  EXPECT_TRUE(port.rts());
  port.close();

  const std::vector<Change> expected = {
      {5, Output::Dtr, true},  {5, Output::Rts, true}, {5, Output::Dtr, false},
      {5, Output::Rts, false}, {9, Output::Rts, true}, {9, Output::Dtr, false},
      {9, Output::Rts, false},
  };
  EXPECT_EQ(port.lineChanges(), expected);
}

TEST(FakeSerialPort, InjectedFailuresAndInputLines) {
  SteppedClock clock;
  FakeSerialPort port(clock);
  EXPECT_EQ(port.open("COM0").error().kind, SerialErrorKind::NoPortChosen);
  port.failOpens(SerialErrorKind::NoRights);
  EXPECT_EQ(port.open("/dev/ttyUSB0").error().kind, SerialErrorKind::NoRights);
  EXPECT_TRUE(port.lineChanges().empty());
  port.failOpens(std::nullopt);
  ASSERT_TRUE(port.open("/dev/ttyUSB0"));

  port.setInputLines(modemDcdOn | modemCtsOn);
  EXPECT_EQ(*port.modemStatus(), 0x90u);
  port.failReads("unplugged");
  EXPECT_FALSE(port.modemStatus());
  port.failLineChanges("unplugged");
  EXPECT_FALSE(port.setDtr(true));
  EXPECT_FALSE(port.dtr());
}

}  // namespace
}  // namespace tv
