#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/serial/serial_catalog.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

class SerialCatalog : public testing::Test {
 protected:
  void SetUp() override {
    root_ =
        fs::temp_directory_path() /
        ("tonvogel-catalog-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(root_ / "dev/serial/by-id");
  }
  void TearDown() override { fs::remove_all(root_); }

  void write(const std::string& relative, const std::string& text = "") {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative) << text;
  }
  void link(const std::string& relative, const std::string& target) {
    fs::create_symlink(target, root_ / relative);
  }

  fs::path root_;
};

TEST_F(SerialCatalog, StableNamesFirstThenUsbAcmAndRealUartsInNumericOrder) {
  for (const char* node : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS3",
                           "ttyS12", "tty0", "ttyUSBx", "ttyprintk", "console"}) {
    write(std::string("dev/") + node);
  }
  link("dev/serial/by-id/usb-FTDI_FT232R_B-if00-port0", "../../ttyUSB10");
  link("dev/serial/by-id/usb-Arduino_Uno_A-if00", "../../ttyACM0");
  link("dev/serial/by-id/usb-Gone_C-if00-port0", "../../ttyUSB7");  // unplugged
  write("sys/class/tty/ttyS0/type", "4\n");                         // the console below
  write("sys/class/tty/ttyS1/type", "0\n");  // a reserved slot without hardware
  write("sys/class/tty/ttyS2/type", "4\n");
  write("sys/class/tty/ttyS12/type", "4\n");
  write("sys/class/tty/ttyS13/type", "4\n");  // no device node
  write("sys/class/tty/console/active", "tty0 ttyS0\n");

  const std::vector<std::string> expected = {
      "/dev/serial/by-id/usb-Arduino_Uno_A-if00",
      "/dev/serial/by-id/usb-FTDI_FT232R_B-if00-port0",
      "/dev/ttyUSB2",
      "/dev/ttyUSB10",
      "/dev/ttyACM0",
      "/dev/ttyS2",
      "/dev/ttyS12",
  };
  EXPECT_EQ(PosixSerialPortCatalog(root_.string()).availablePorts(), expected);
}

TEST_F(SerialCatalog, MissingTreesGiveAnEmptyList) {
  EXPECT_TRUE(PosixSerialPortCatalog((root_ / "nowhere").string()).availablePorts().empty());
  EXPECT_TRUE(PosixSerialPortCatalog(root_.string()).availablePorts().empty());
}

TEST(SerialCatalogOfThisMachine, NeverOffersTheConsole) {
  std::ifstream active("/sys/class/tty/console/active");
  const auto ports = PosixSerialPortCatalog().availablePorts();
  for (std::string console; active >> console;) {
    EXPECT_EQ(std::count(ports.begin(), ports.end(), "/dev/" + console), 0) << console;
  }
}

}  // namespace
}  // namespace tv
