#include "tests/support/serial/fake_serial_port.h"

#include <utility>

#include "platform/serial/port_name.h"

namespace tv {

FakeSerialPort::FakeSerialPort(const Clock& clock) : clock_(clock) {}

SerialOpenResult FakeSerialPort::open(const std::string& name) {
  close();
  openedNames_.push_back(name);
  const auto device = resolvePortName(name);
  if (!device) {
    return SerialError{SerialErrorKind::NoPortChosen, "", "\"" + name + "\" names no port."};
  }
  if (openFailure_) {
    return SerialError{*openFailure_, *device, "Opening " + *device + " fails in this test."};
  }
  open_ = true;
  device_ = *device;
  ++openCount_;
  drive(Output::Dtr, true);
  drive(Output::Rts, true);
  drive(Output::Dtr, false);
  drive(Output::Rts, false);
  return {};
}

void FakeSerialPort::close() {
  if (!open_) return;
  drive(Output::Dtr, false);
  drive(Output::Rts, false);
  open_ = false;
  device_.clear();
  ++closeCount_;
}

Result<void> FakeSerialPort::setDtr(bool on) {
  if (!open_) return failure("No serial port is open.");
  if (lineFailure_) return failure(*lineFailure_);
  drive(Output::Dtr, on);
  return success();
}

Result<void> FakeSerialPort::setRts(bool on) {
  if (!open_) return failure("No serial port is open.");
  if (lineFailure_) return failure(*lineFailure_);
  drive(Output::Rts, on);
  return success();
}

Result<std::uint32_t> FakeSerialPort::modemStatus() {
  if (!open_) return failure("No serial port is open.");
  if (readFailure_) return failure(*readFailure_);
  return inputLines_;
}

void FakeSerialPort::setInputLine(std::uint32_t bit, bool on) {
  inputLines_ = on ? (inputLines_ | bit) : (inputLines_ & ~bit);
}

void FakeSerialPort::drive(Output line, bool on) {
  (line == Output::Dtr ? dtr_ : rts_) = on;
  lineChanges_.push_back({clock_.monotonicMs(), line, on});
}

}  // namespace tv
