#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "platform/posix/serial/modem_bits.h"
#include "platform/serial/line_state.h"
#include "platform/serial/serial_port.h"

namespace tv {
namespace {

TEST(LineState, EightDigitsFromDcdDownMostSignificantFirst) {
  EXPECT_EQ(lineStateText(0x90), "10010000");
  EXPECT_EQ(lineStateText(modemDcdOn), "10000000");
  EXPECT_EQ(lineStateText(modemRingOn), "01000000");
  EXPECT_EQ(lineStateText(modemDsrOn), "00100000");
  EXPECT_EQ(lineStateText(modemCtsOn), "00010000");
  EXPECT_EQ(lineStateText(0), "00000000");
  EXPECT_EQ(lineStateText(0xFF), "11111111");
  EXPECT_EQ(lineStateText(0x1F90), "10010000");
  EXPECT_EQ(lineStateText(0xFFFFFFFF), "11111111");
}

TEST(LineState, KernelModemBitsLandOnTheirPins) {
  EXPECT_EQ(lineStateText(modemStatusFromTiocm(TIOCM_CAR | TIOCM_CTS)), "10010000");
  EXPECT_EQ(modemStatusFromTiocm(TIOCM_CAR), modemDcdOn);
  EXPECT_EQ(modemStatusFromTiocm(TIOCM_RNG), modemRingOn);
  EXPECT_EQ(modemStatusFromTiocm(TIOCM_DSR), modemDsrOn);
  EXPECT_EQ(modemStatusFromTiocm(TIOCM_CTS), modemCtsOn);
  // Our own outputs are not inputs.
  EXPECT_EQ(modemStatusFromTiocm(TIOCM_DTR | TIOCM_RTS | TIOCM_LE), 0u);
}

}  // namespace
}  // namespace tv
