#include "platform/posix/keying/cm108_keyer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/release_registry.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

std::string bytes(std::initializer_list<int> values) {
  std::string text;
  for (int v : values) text += static_cast<char>(v);
  return text;
}

TEST(Cm108Keyer, WritesTheKeyAndReleaseReportOfEachGpio) {
  TempFolder folder;
  for (int gpio = 1; gpio <= 4; ++gpio) {
    SCOPED_TRACE(gpio);
    const std::string device = folder.path() + "/hidraw" + std::to_string(gpio);
    writeFile(device, "");
    Cm108Keyer keyer(device, gpio, {});
    ASSERT_TRUE(keyer.setPtt(true).ok());
    ASSERT_TRUE(keyer.setPtt(false).ok());
    const int mask = 1 << (gpio - 1);
    EXPECT_EQ(readFile(device), bytes({0, 0, mask, mask, 0}) + bytes({0, 0, 0, mask, 0}));
  }
  // GPIO 3, the usual PTT pin, keys with 0x04.
  EXPECT_EQ(cm108Report(3, true)[2], 0x04);
}

TEST(Cm108Keyer, WhileOpenTheRegistryHoldsTheReleaseReport) {
  TempFolder folder;
  const std::string device = folder.path() + "/hidraw0";
  writeFile(device, "");
  {
    Cm108Keyer keyer(device, 3, {});
    ASSERT_TRUE(keyer.setPtt(true).ok());
    release::runAll();
    EXPECT_EQ(readFile(device), bytes({0, 0, 4, 4, 0}) + bytes({0, 0, 0, 4, 0}));
    release::markEnding();
    EXPECT_FALSE(keyer.setPtt(true).ok());
    release::resetEndingForTests();
  }
  int fds[release::kMaxEntries];
  EXPECT_EQ(release::liveDescriptors(fds, release::kMaxEntries), 0u);
}

TEST(Cm108Keyer, AMissingOrForbiddenDeviceIsAReadableFailure) {
  TempFolder folder;
  Cm108Keyer gone(folder.path() + "/hidraw9", 3, {});
  const Result<void> opened = gone.open();
  ASSERT_FALSE(opened.ok());
  EXPECT_NE(opened.error().message.find("hidraw9"), std::string::npos);
  if (::geteuid() == 0) GTEST_SKIP() << "root may open any file";
  const std::string locked = folder.path() + "/hidraw1";
  writeFile(locked, "");
  ::chmod(locked.c_str(), 0);
  const Result<void> refused = Cm108Keyer(locked, 3, {}).open();
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().message.find("\"audio\""), std::string::npos);
}

// A sysfs tree as the kernel lays it out for USB sound interfaces: each USB device
// (idVendor) with a sound card on one interface and a HID device with its hidraw on
// another.
struct FakeSysfs {
  TempFolder folder;
  std::string root() const { return folder.path() + "/sys"; }
  std::string dev() const { return folder.path() + "/dev"; }

  void interface(const std::string& usb, const std::string& vendor, int hidraw, int card,
                 const std::string& cardId) {
    const fs::path device = fs::path(root()) / "devices/pci0000:00/0000:00:14.0/usb1" / usb;
    fs::create_directories(device);
    writeFile((device / "idVendor").string(), vendor + "\n");
    const fs::path hid =
        device / (usb + ":1.3") / ("0003:" + vendor + ":013C.000" + std::to_string(hidraw));
    fs::create_directories(hid / "hidraw");
    const fs::path entry = fs::path(root()) / "class/hidraw" / ("hidraw" + std::to_string(hidraw));
    fs::create_directories(entry);
    fs::create_directory_symlink(hid, entry / "device");
    const fs::path sound = device / (usb + ":1.0");
    fs::create_directories(sound);
    const fs::path cardEntry = fs::path(root()) / "class/sound" / ("card" + std::to_string(card));
    fs::create_directories(cardEntry);
    writeFile((cardEntry / "id").string(), cardId + "\n");
    fs::create_directory_symlink(sound, cardEntry / "device");
  }
};

TEST(Cm108Discovery, FindsTheInterfaceOfTheInputCardAmongTwo) {
  FakeSysfs sys;
  sys.interface("1-1", "0d8c", 0, 1, "Device");
  sys.interface("1-2", "0d8c", 1, 2, "Device_1");
  const auto all = hidInterfaces(sys.root(), sys.dev());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].usbPath, "1-2");
  EXPECT_EQ(all[1].vendor, "0d8c");

  EXPECT_EQ(*findCm108("", {"plughw:CARD=Device_1,DEV=0", "default"}, sys.root(), sys.dev()),
            sys.dev() + "/hidraw1");
  // By number too; the transmit output when the input is on no USB card.
  EXPECT_EQ(*findCm108("", {"pulse:receiver.monitor", "hw:1"}, sys.root(), sys.dev()),
            sys.dev() + "/hidraw0");
  // Neither card's: two C-Media interfaces are one too many to guess.
  const Result<std::string> guess = findCm108("", {"default", "default"}, sys.root(), sys.dev());
  ASSERT_FALSE(guess.ok());
  EXPECT_NE(guess.error().message.find("1-1, 1-2"), std::string::npos) << guess.error().message;
}

TEST(Cm108Discovery, AUsbPathFindsItsInterfaceUnderWhateverNumberItHasNow) {
  FakeSysfs sys;
  sys.interface("1-1.4", "0d8c", 5, 1, "Device");
  EXPECT_EQ(*findCm108("1-1.4", {}, sys.root(), sys.dev()), sys.dev() + "/hidraw5");
  EXPECT_FALSE(findCm108("1-3", {}, sys.root(), sys.dev()).ok());
  // The only C-Media interface present, when nothing else says which.
  EXPECT_EQ(*findCm108("", {"default"}, sys.root(), sys.dev()), sys.dev() + "/hidraw5");
  // A device path is taken as it stands.
  EXPECT_EQ(*findCm108("/dev/hidraw2", {}, sys.root(), sys.dev()), "/dev/hidraw2");
}

TEST(Cm108Discovery, AnotherMakersInterfaceIsNoGuess) {
  FakeSysfs sys;
  sys.interface("1-1", "046d", 0, 1, "Headset");
  EXPECT_FALSE(findCm108("", {"default"}, sys.root(), sys.dev()).ok());
  // Unless it is the input card's own.
  EXPECT_EQ(*findCm108("", {"plughw:CARD=Headset,DEV=0"}, sys.root(), sys.dev()),
            sys.dev() + "/hidraw0");
}

TEST(Cm108Keyer, AnInterfacePluggedInAgainIsFoundByItsUsbPath) {
  FakeSysfs sys;
  sys.interface("1-1.4", "0d8c", 2, 1, "Device");
  fs::create_directories(sys.dev());
  writeFile(sys.dev() + "/hidraw2", "");
  Cm108Keyer keyer("1-1.4", 3, {}, sys.root(), sys.dev());
  ASSERT_TRUE(keyer.setPtt(true).ok());
  EXPECT_NE(keyer.description().find("1-1.4"), std::string::npos);

  // Unplugged and back as hidraw7.
  keyer.close();
  fs::remove_all(sys.root());
  fs::remove(sys.dev() + "/hidraw2");
  EXPECT_FALSE(keyer.setPtt(false).ok());
  sys.interface("1-1.4", "0d8c", 7, 1, "Device");
  writeFile(sys.dev() + "/hidraw7", "");
  ASSERT_TRUE(keyer.setPtt(false).ok());
  EXPECT_EQ(readFile(sys.dev() + "/hidraw7"), bytes({0, 0, 0, 4, 0}));
}

}  // namespace
}  // namespace tv::test
