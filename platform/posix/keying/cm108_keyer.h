#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/keying/keyer.h"
#include "platform/posix/keying/registered_descriptor.h"
#include "platform/result.h"

namespace tv {

// The HID output report that sets a CM108/CM119 GPIO pin: report number 0, 0, the pin's
// data, the direction mask (the pin's bit, 1 << (gpio - 1)), 0.
std::array<std::uint8_t, 5> cm108Report(int gpio, bool on);

// A hidraw device as sysfs shows it, with the USB device it belongs to.
struct HidInterface {
  std::string device;   // "/dev/hidraw2"
  std::string usbPath;  // "1-1.4": the USB device's name, which stays with its port
  std::string vendor;   // "0d8c"
};

// The hidraw devices under `sysfsRoot` ("/sys" or a test's tree), with `devRoot` as the
// folder of their device files.
std::vector<HidInterface> hidInterfaces(const std::string& sysfsRoot, const std::string& devRoot);

// The USB device ("1-2") of the sound card an ALSA name stands for ("plughw:CARD=Device,DEV=0",
// "hw:1"); empty when the name names no card or the card is not on USB.
std::string usbPathOfSoundDevice(const std::string& sysfsRoot, const std::string& alsaName);

// The interface the settings mean: a device path as it stands; a USB path, that USB
// device's hidraw; empty, the hidraw of the input's or the transmit output's USB sound
// card, otherwise the only C-Media interface present.
Result<std::string> findCm108(const std::string& setting,
                              const std::vector<std::string>& soundDevices,
                              const std::string& sysfsRoot, const std::string& devRoot);

// Keys the transmitter with a GPIO pin of a CM108-type USB sound interface, written
// through its hidraw device. A write the device takes whole counts as done: the pin
// cannot be read back. The interface is found anew at each opening, so that one plugged
// in again under another hidraw number is found by its USB path.
//
// While open the descriptor and the release report stand in the release registry.
class Cm108Keyer final : public Keyer {
 public:
  Cm108Keyer(std::string setting, int gpio, std::vector<std::string> soundDevices,
             std::string sysfsRoot = "/sys", std::string devRoot = "/dev");
  ~Cm108Keyer() override;
  Cm108Keyer(const Cm108Keyer&) = delete;
  Cm108Keyer& operator=(const Cm108Keyer&) = delete;

  Result<void> open() override;
  void close() override;
  bool isOpen() const override { return device_.isOpen(); }
  Result<void> setPtt(bool on) override;
  // The state last written; a device gone (unplugged) fails.
  Result<bool> readPtt() override;
  bool seesOperatorKey() const override { return false; }
  std::string description() const override;

 private:
  Error lost(const std::string& why);

  std::string setting_;
  int gpio_;
  std::vector<std::string> soundDevices_;
  std::string sysfsRoot_;
  std::string devRoot_;
  std::string path_;
  RegisteredDescriptor device_;
  bool on_ = false;
};

}  // namespace tv
