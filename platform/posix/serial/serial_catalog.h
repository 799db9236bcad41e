#pragma once

#include <string>
#include <vector>

#include "platform/serial/serial_port_catalog.h"

namespace tv {

// Lists serial devices from the device and sysfs trees without opening any of them:
// the stable names under /dev/serial/by-id first, then /dev/ttyUSB*, /dev/ttyACM* and
// the /dev/ttyS* whose sysfs entry reports a real UART. A tty that serves as the system
// console is never offered. Numbered names are in numeric order (ttyUSB2 before
// ttyUSB10).
//
// `root` is where "/" is taken to be, so that a test can build a tree of its own; the
// paths returned are always the ones seen from the real root ("/dev/ttyUSB0").
class PosixSerialPortCatalog final : public SerialPortCatalog {
 public:
  explicit PosixSerialPortCatalog(std::string root = "/");

  std::vector<std::string> availablePorts() const override;

 private:
  std::string root_;
};

}  // namespace tv
