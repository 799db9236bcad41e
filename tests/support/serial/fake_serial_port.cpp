#include "tests/support/serial/fake_serial_port.h"

#include <utility>

#include "platform/serial/port_name.h"

namespace tv {

FakeSerialPort::FakeSerialPort(const Clock& clock) : clock_(clock) {}

SerialOpenResult FakeSerialPort::open(const std::string& name) {
  close();
  openedNames_.push_back(name);
  auto device = resolvePortName(name);
  if (!device) {
    return SerialError{SerialErrorKind::NoPortChosen, "", "\"" + name + "\" names no port."};
  }
  if (openFailure_) {
    return SerialError{*openFailure_, *device, "Opening " + *device + " fails in this test.",
                       holder_};
  }
  if (!present(*device)) {
    return SerialError{SerialErrorKind::NoSuchPort, *device, "There is no " + *device + "."};
  }
  if (const auto link = links_.find(*device); link != links_.end()) device = link->second;
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

std::string FakeSerialPort::stableName() const {
  if (!open_) return {};
  for (const auto& [link, device] : links_)
    if (device == device_) return link;
  return {};
}

bool FakeSerialPort::present(const std::string& name) const {
  const auto device = resolvePortName(name);
  if (!device) return false;
  if (const auto link = links_.find(*device); link != links_.end())
    return unplugged_.count(link->second) == 0;
  // A link that was laid once and has gone with its device.
  if (laidLinks_.count(*device)) return false;
  return unplugged_.count(*device) == 0;
}

void FakeSerialPort::unplug(const std::string& device) {
  unplugged_.insert(device);
  std::erase_if(links_, [&](const auto& entry) { return entry.second == device; });
}

void FakeSerialPort::plug(const std::string& device, const std::string& link) {
  unplugged_.erase(device);
  if (link.empty()) return;
  links_[link] = device;
  laidLinks_.insert(link);
}

Result<void> FakeSerialPort::setDtr(bool on) {
  if (!open_) return failure("No serial port is open.");
  if (unplugged_.count(device_)) return failure("Input/output error");
  if (lineFailure_) return failure(*lineFailure_);
  drive(Output::Dtr, on);
  return success();
}

Result<void> FakeSerialPort::setRts(bool on) {
  if (!open_) return failure("No serial port is open.");
  if (unplugged_.count(device_)) return failure("Input/output error");
  if (lineFailure_) return failure(*lineFailure_);
  drive(Output::Rts, on);
  return success();
}

Result<std::uint32_t> FakeSerialPort::modemStatus() {
  if (!open_) return failure("No serial port is open.");
  if (unplugged_.count(device_)) return failure("Input/output error");
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
