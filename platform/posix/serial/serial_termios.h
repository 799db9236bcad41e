#pragma once

#include <cstdint>
#include <string>

#include "platform/serial/serial_port.h"

namespace tv {

// SerialPort on a Linux tty through termios and the modem-control ioctls.
//
// The port is opened without becoming the controlling terminal, held exclusively
// (TIOCEXCL, and an flock that cooperating programs honour), set to 19200 baud 8N1 raw
// without flow control, and told to hang up on close so that the kernel drops DTR and
// RTS whenever the descriptor goes away, even when the process is killed. Carrier
// changes are ignored (CLOCAL): a send key on DCD must not hang the line up.
class TermiosSerialPort final : public SerialPort {
 public:
  TermiosSerialPort() = default;
  ~TermiosSerialPort() override;
  TermiosSerialPort(const TermiosSerialPort&) = delete;
  TermiosSerialPort& operator=(const TermiosSerialPort&) = delete;

  SerialOpenResult open(const std::string& name) override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }

  Result<void> setDtr(bool on) override;
  Result<void> setRts(bool on) override;
  Result<std::uint32_t> modemStatus() override;

 private:
  Result<void> setLine(int tiocmBit, const char* lineName, bool on);

  int fd_ = -1;
  int release_ = -1;  // the port's entry in the release registry
  std::string device_;
};

}  // namespace tv
