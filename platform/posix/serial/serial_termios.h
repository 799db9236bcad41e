#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/serial/port_lock.h"
#include "platform/serial/serial_port.h"

namespace tv {

// Where the serial port looks beside the device itself.
struct SerialPlaces {
  // The UUCP lock files (/var/lock is /run/lock on Debian).
  std::string lockFolder = "/var/lock";
  // The links that name a USB adapter by its make and serial number, whatever ttyUSB
  // number it was given.
  std::string stableFolder = "/dev/serial/by-id";

  // The system's places, or those named by TONVOGEL_LOCK_DIR and TONVOGEL_SERIAL_BY_ID
  // (tests set them, so that they touch neither /var/lock nor a real adapter's name).
  static SerialPlaces fromEnvironment();
};

// SerialPort on a Linux tty through termios and the modem-control ioctls.
//
// Before the device is opened, the kernel's lock table and the UUCP lock file are
// consulted (see PortLock): a port another program holds is refused untouched. Then the
// port is opened without becoming the controlling terminal, held exclusively (TIOCEXCL,
// an flock and a lock file of our own), set to 19200 baud 8N1 raw without flow control,
// and told to hang up on close so that the kernel drops DTR and RTS whenever the
// descriptor goes away, even when the process is killed. Carrier changes are ignored
// (CLOCAL): a send key on DCD must not hang the line up.
class TermiosSerialPort final : public SerialPort {
 public:
  explicit TermiosSerialPort(SerialPlaces places = SerialPlaces::fromEnvironment());
  ~TermiosSerialPort() override;
  TermiosSerialPort(const TermiosSerialPort&) = delete;
  TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

  SerialOpenResult open(const std::string& name) override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }

  Result<void> setDtr(bool on) override;
  Result<void> setRts(bool on) override;
  Result<std::uint32_t> modemStatus() override;
  std::string stableName() const override { return stableName_; }
  bool present(const std::string& name) const override;
  std::string openRemark() const override { return lock_.remark(); }

 private:
  Result<void> setLine(int tiocmBit, const char* lineName, bool on);

  int fd_ = -1;
  int release_ = -1;  // the port's entry in the release registry
  std::string device_;
  std::string stableName_;
  SerialPlaces places_;
  PortLock lock_;
};

}  // namespace tv
