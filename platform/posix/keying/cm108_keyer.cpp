#include "platform/posix/keying/cm108_keyer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "platform/posix/release_registry.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// C-Media's USB vendor id; the CM108, CM108AH/B and CM119 and the chips that copy them
// present it.
constexpr std::string_view kCmediaVendor = "0d8c";

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// Walks up from a device's sysfs folder to the USB device it belongs to: the first folder
// with an idVendor file.
fs::path usbDeviceOf(const fs::path& start) {
  std::error_code error;
  fs::path at = fs::canonical(start, error);
  if (error) return {};
  for (; !at.empty() && at != at.root_path(); at = at.parent_path())
    if (fs::exists(at / "idVendor", error)) return at;
  return {};
}

// "CARD=Device" or "hw:1" / "plughw:1,0" in an ALSA name: the card's id or number.
std::string cardOf(const std::string& alsaName) {
  const std::size_t card = alsaName.find("CARD=");
  if (card != std::string::npos) {
    const std::size_t start = card + 5;
    const std::size_t end = alsaName.find(',', start);
    return alsaName.substr(start, end == std::string::npos ? std::string::npos : end - start);
  }
  const std::size_t colon = alsaName.find(':');
  if (colon == std::string::npos) return {};
  const std::string rest = alsaName.substr(colon + 1);
  const std::size_t end = std::min(rest.find(','), rest.size());
  const std::string number = rest.substr(0, end);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return {};
  return number;
}

std::string systemText(int error) {
  return std::strerror(error);
}

}  // namespace

std::array<std::uint8_t, 5> cm108Report(int gpio, bool on) {
  const auto mask = static_cast<std::uint8_t>(1u << (gpio - 1));
  return {0, 0, static_cast<std::uint8_t>(on ? mask : 0), mask, 0};
}

std::vector<HidInterface> hidInterfaces(const std::string& sysfsRoot, const std::string& devRoot) {
  std::vector<HidInterface> found;
  std::error_code error;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(sysfsRoot) / "class/hidraw", error)) {
    const fs::path usb = usbDeviceOf(entry.path() / "device");
    if (usb.empty()) continue;
    found.push_back({(fs::path(devRoot) / entry.path().filename()).string(),
                     usb.filename().string(), firstLine(usb / "idVendor")});
  }
  std::sort(found.begin(), found.end(),
            [](const HidInterface& a, const HidInterface& b) { return a.device < b.device; });
  return found;
}

std::string usbPathOfSoundDevice(const std::string& sysfsRoot, const std::string& alsaName) {
  const std::string card = cardOf(alsaName);
  if (card.empty()) return {};
  std::error_code error;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(fs::path(sysfsRoot) / "class/sound", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("card", 0) != 0) continue;
    if (name.substr(4) != card && firstLine(entry.path() / "id") != card) continue;
    return usbDeviceOf(entry.path() / "device").filename().string();
  }
  return {};
}

Result<std::string> findCm108(const std::string& setting,
                              const std::vector<std::string>& soundDevices,
                              const std::string& sysfsRoot, const std::string& devRoot) {
  if (!setting.empty() && setting.front() == '/') return setting;
  const std::vector<HidInterface> all = hidInterfaces(sysfsRoot, devRoot);
  if (!setting.empty()) {
    for (const HidInterface& hid : all)
      if (hid.usbPath == setting) return hid.device;
    return failure("no sound interface is plugged in at USB " + setting);
  }
  for (const std::string& sound : soundDevices) {
    const std::string usb = usbPathOfSoundDevice(sysfsRoot, sound);
    if (usb.empty()) continue;
    for (const HidInterface& hid : all)
      if (hid.usbPath == usb) return hid.device;
  }
  std::vector<const HidInterface*> cmedia;
  for (const HidInterface& hid : all)
    if (hid.vendor == kCmediaVendor) cmedia.push_back(&hid);
  if (cmedia.size() == 1) return cmedia.front()->device;
  if (cmedia.empty()) return failure("no CM108 sound interface is plugged in");
  std::string names;
  for (const HidInterface* hid : cmedia) names += (names.empty() ? "" : ", ") + hid->usbPath;
  return failure("several CM108 sound interfaces are plugged in (USB " + names +
                 "): name one in the settings");
}

Cm108Keyer::Cm108Keyer(std::string setting, int gpio, std::vector<std::string> soundDevices,
                       std::string sysfsRoot, std::string devRoot)
    : setting_(std::move(setting)),
      gpio_(gpio >= 1 && gpio <= 8 ? gpio : 3),
      soundDevices_(std::move(soundDevices)),
      sysfsRoot_(std::move(sysfsRoot)),
      devRoot_(std::move(devRoot)) {}

Cm108Keyer::~Cm108Keyer() = default;

std::string Cm108Keyer::description() const {
  const std::string which =
      setting_.empty() ? "the CM108 interface" : "the CM108 interface " + setting_;
  return which + " (GPIO " + std::to_string(gpio_) + ")";
}

Result<void> Cm108Keyer::open() {
  if (device_.isOpen()) return success();
  const Result<std::string> device = findCm108(setting_, soundDevices_, sysfsRoot_, devRoot_);
  if (!device) return device.error();
  const int fd = ::open(device->c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM)
      return failure(*device +
                     " may not be opened: a udev rule gives hidraw devices to the group "
                     "\"audio\" (see the README)");
    return failure(*device + ": " + systemText(error));
  }
  path_ = *device;
  const std::array<std::uint8_t, 5> release = cm108Report(gpio_, false);
  device_.hold(fd, std::string_view(reinterpret_cast<const char*>(release.data()), release.size()));
  return success();
}

void Cm108Keyer::close() {
  device_.close();
}

Error Cm108Keyer::lost(const std::string& why) {
  close();
  return Error{path_ + ": " + why};
}

Result<void> Cm108Keyer::setPtt(bool on) {
  if (on && release::ending()) return failure("the program is ending");
  if (Result<void> opened = open(); !opened) return opened;
  const std::array<std::uint8_t, 5> report = cm108Report(gpio_, on);
  ssize_t written = -1;
  do {
    written = ::write(device_.fd(), report.data(), report.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) return lost(systemText(errno));
  if (static_cast<std::size_t>(written) != report.size())
    return lost("took " + std::to_string(written) + " of the report's 5 bytes");
  on_ = on;
  return success();
}

Result<bool> Cm108Keyer::readPtt() {
  if (Result<void> opened = open(); !opened) return opened.error();
  // An interface unplugged leaves the descriptor hung up.
  pollfd entry{device_.fd(), POLLOUT, 0};
  if (::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
    return lost("the interface is gone");
  return on_;
}

}  // namespace tv
