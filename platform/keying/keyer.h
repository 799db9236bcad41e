#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/result.h"

namespace tv {

// A device that keys the transmitter by other means than a serial port's modem lines: a
// rig's CAT control through a daemon, a sound interface's GPIO pin.
//
// Every call may wait for the device, each of its steps for at most half a second, so the
// keying runs them on a worker, never on the GUI thread; one call at a time, in order. The
// description may be read from any thread. Nothing throws; every failure is a readable
// value. A call after a failure may open the device again (open()).
//
// While the device is open it stands in the release registry with what releases it, so
// that a termination signal releases the transmitter even when the worker is busy.
class Keyer {
 public:
  virtual ~Keyer() = default;

  // Connects to the device or opens it; done when it is open already.
  virtual Result<void> open() = 0;
  // Releases nothing: the keying releases first. Harmless when nothing is open.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;

  // Keys (true) or releases the transmitter. Succeeds only when the device has confirmed
  // the new state, read back where it can be. A failure leaves the device closed.
  virtual Result<void> setPtt(bool on) = 0;
  // The transmitter's state as the device reports it, whoever keyed it.
  virtual Result<bool> readPtt() = 0;
  // Whether readPtt sees the operator's own keying (a rig reports its PTT whatever keyed
  // it); a GPIO pin only knows what was written to it.
  virtual bool seesOperatorKey() const = 0;

  // "rigctld at localhost:4532", "/dev/hidraw2 (GPIO 3)": for notices and the log.
  virtual std::string description() const = 0;
};

// What a keying method needs of the settings.
struct KeyerChoice {
  // "rigctld" or "cm108".
  std::string method;
  // rigctld: "host:port" and the PTT command that keys (1 or 3).
  std::string rigctldAddress;
  int pttCommand = 1;
  // cm108: the interface as the settings hold it (a USB path, a device path or empty),
  // its GPIO, and the ALSA names of the input and the transmit output, whose USB device
  // is the interface looked for first.
  std::string cm108Interface;
  int cm108Gpio = 3;
  std::vector<std::string> soundDevices;

  bool operator==(const KeyerChoice&) const = default;
};

// Makes the keyer of a choice; none for a method the platform does not offer.
using KeyerFactory = std::function<std::unique_ptr<Keyer>(const KeyerChoice& choice)>;

}  // namespace tv
