#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/serial/port_name.h"

namespace tv {
namespace {

TEST(PortName, EmptyOrZeroNamesNoPort) {
  for (const char* text : {"", "   ", "0", "00", "COM", "COM0", "com0", "COM 0 "}) {
    EXPECT_EQ(resolvePortName(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(PortName, WindowsNumberNamesTheTtySOneBelow) {
  EXPECT_EQ(resolvePortName("1"), "/dev/ttyS0");
  EXPECT_EQ(resolvePortName("3"), "/dev/ttyS2");
  EXPECT_EQ(resolvePortName("COM2"), "/dev/ttyS1");
  EXPECT_EQ(resolvePortName("COM 2 "), "/dev/ttyS1");
  EXPECT_EQ(resolvePortName(" 2\r"), "/dev/ttyS1");
  EXPECT_EQ(resolvePortName("02"), "/dev/ttyS1");
  EXPECT_EQ(resolvePortName("256"), "/dev/ttyS255");
}

TEST(PortName, JunkNumbersNameNoPort) {
  for (const char* text : {"-1", "COM-1", "+2", "2a", "1.5", "257", "4294967297",
                           "99999999999999999999999", "COM2COM"}) {
    EXPECT_EQ(resolvePortName(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(PortName, AbsoluteDevicePathIsTakenAsItIs) {
  EXPECT_EQ(resolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(resolvePortName("COM/dev/ttyACM0"), "/dev/ttyACM0");
  EXPECT_EQ(resolvePortName(" /dev/ttyUSB1 "), "/dev/ttyUSB1");
  EXPECT_EQ(resolvePortName("/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0"),
            "/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0");
}

TEST(PortName, RelativeOrTrickyPathsNameNoPort) {
  for (const char* text :
       {"../", "..", "ttyUSB0", "dev/ttyUSB0", "/", "/dev/", "/dev/../etc/passwd", "/dev/./ttyUSB0",
        "/dev//ttyUSB0", "/dev/tty\nUSB0", "COM../ttyS0"}) {
    EXPECT_EQ(resolvePortName(text), std::nullopt) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace tv
