// A USB serial adapter pulled out in the middle of an Auto-TX cycle and plugged in again
// under a new number, with the program's real termios port on a pty whose modem lines
// the preloaded adapter library plays (see tests/support/ptyline), and a by-id folder of
// the test's own whose link leads to the pty, as udev's does to the adapter.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "platform/posix/serial/serial_termios.h"
#include "tests/serial/pty.h"
#include "tests/sound/wav_bytes.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
constexpr int L = MouseButton::Left;

// The lines of a pty slave as the adapter library keeps them; -1 when they cannot be
// read (the adapter is gone). The descriptor is opened before the program opens the
// port, which it then holds exclusively.
class LineProbe {
 public:
  explicit LineProbe(const std::string& slave)
      : fd_(::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  ~LineProbe() { ::close(fd_); }
  int lines() const {
    int bits = 0;
    return ::ioctl(fd_, TIOCMGET, &bits) == 0 ? bits & (TIOCM_DTR | TIOCM_RTS) : -1;
  }

 private:
  int fd_;
};

struct AdapterScenario : testing::Test {
  void SetUp() override {
    ASSERT_TRUE(adapter->ok());
    probe = std::make_unique<LineProbe>(adapter->slave());
    if (probe->lines() < 0) GTEST_SKIP() << "run without the preloaded adapter library";
    fs::create_directories(byId);
    fs::create_symlink(adapter->slave(), link);
    s.t.serialPort = &port;
    std::map<int, std::string> lines = transmitVia(adapter->slave(), "71-689");
    lines[16] = "0";  // no recording
    lines[25] = "1";  // the parrot offered
    s.start(lines);
    const std::string cq = s.t.file("cq.wav");
    WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * 3'000, 128))).writeTo(cq);
    s.p().autoTx.autoTxFile = cq;
  }
  void run(std::int64_t ms) { s.t.loop.runFor(ms); }
  void clickAutoTx() { s.p().frm_DoKu.lblCQ.mouseDown(L, 0, 0, 0); }
  bool cycleIdle() {
    const MainForm& m = s.p().frm_DoKu;
    return m.lblCQ.borderStyle() == Look::Off && !m.tmrCQ.enabled() && !m.tmrCQ_PAUSE.enabled();
  }

  TempFolder places;
  std::string byId = places.path() + "/serial/by-id";
  std::string link = byId + "/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  std::unique_ptr<Pty> adapter = std::make_unique<Pty>();
  std::unique_ptr<LineProbe> probe;
  TermiosSerialPort port{SerialPlaces{places.path(), byId}};
  TransmitStation s;
};

TEST_F(AdapterScenario, PulledOutDuringACycleAndFoundAgainByItsLinkUnderANewNumber) {
  Program& p = s.p();
  ASSERT_TRUE(port.isOpen());
  EXPECT_EQ(port.stableName(), link);
  EXPECT_EQ(probe->lines(), 0);
  clickAutoTx();
  run(1'000);
  ASSERT_EQ(probe->lines(), TIOCM_RTS);
  s.t.services.shown.clear();  // the click was answered: there is no sound output here

  // Pulled out while sending: udev takes the link away. The new adapter is made now, so
  // that it cannot take the old one's number, which the program still holds.
  adapter->pullOut();
  fs::remove(link);
  auto replugged = std::make_unique<Pty>();
  ASSERT_NE(replugged->slave(), adapter->slave());
  run(200);
  EXPECT_TRUE(cycleIdle());
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(p.keying.portLost());
  EXPECT_FALSE(s.txButton().enabled());
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_NE(p.notices.latest()->text.find(link), std::string::npos) << p.notices.latest()->text;
  EXPECT_TRUE(s.t.services.messages().empty()) << "no one may be there to answer a box";
  run(10'000);
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(cycleIdle()) << "the cycle must not come back on its own";

  // Plugged in again: the link leads to the new device, found within two seconds.
  LineProbe newProbe(replugged->slave());
  fs::create_symlink(replugged->slave(), link);
  run(2'000);
  ASSERT_TRUE(port.isOpen());
  EXPECT_FALSE(p.keying.portLost());
  EXPECT_EQ(newProbe.lines(), 0) << "the lines the opening raised are cleared at once";
  EXPECT_TRUE(s.txButton().enabled());
  EXPECT_NE(p.notices.latest()->text.find("is back"), std::string::npos);
  EXPECT_TRUE(cycleIdle());

  clickAutoTx();
  run(500);
  EXPECT_EQ(newProbe.lines(), TIOCM_RTS);
  clickAutoTx();
  EXPECT_EQ(newProbe.lines(), 0);
}

}  // namespace
}  // namespace tv::test
