#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/serial/serial_port.h"

namespace tv {

// SerialPort for tests. It behaves as the termios port does on real hardware: the name
// is resolved the same way, opening raises DTR and RTS (the kernel does that) and the
// port clears them at once, so every opening leaves a visible blip in lineChanges();
// closing clears both lines. Every line command is recorded with the clock's time, also
// those that change nothing.
//
// Every device is present unless unplugged. A stable link (a /dev/serial/by-id name) can
// be laid to a device: opening the link opens the device, and an open device reports
// the link as its stable name. Unplugging a device removes its links and makes every
// line command and read of the open port fail, as a USB adapter pulled out does.
class FakeSerialPort final : public SerialPort {
 public:
  enum class Output { Dtr, Rts };

  struct LineChange {
    std::int64_t atMs = 0;
    Output line = Output::Dtr;
    bool on = false;

    friend bool operator==(const LineChange&, const LineChange&) = default;
  };

  explicit FakeSerialPort(const Clock& clock);

  SerialOpenResult open(const std::string& name) override;
  void close() override;
  bool isOpen() const override { return open_; }
  Result<void> setDtr(bool on) override;
  Result<void> setRts(bool on) override;
  Result<std::uint32_t> modemStatus() override;
  std::string stableName() const override;
  bool present(const std::string& name) const override;

  // Until cleared, every open fails with this kind (the port stays closed); a Busy
  // failure names `holder`.
  void failOpens(std::optional<SerialErrorKind> kind, std::string holder = {}) {
    openFailure_ = kind;
    holder_ = std::move(holder);
  }
  void unplug(const std::string& device);
  // Plugs `device` in (again) and lays `link` to it, when given.
  void plug(const std::string& device, const std::string& link = {});
  // Until cleared, setDtr and setRts fail without effect.
  void failLineChanges(std::optional<std::string> message) { lineFailure_ = std::move(message); }
  // Until cleared, modemStatus fails.
  void failReads(std::optional<std::string> message) { readFailure_ = std::move(message); }

  // The input lines the port reports (modemDcdOn | modemRingOn | ...).
  void setInputLines(std::uint32_t status) { inputLines_ = status; }
  void setInputLine(std::uint32_t bit, bool on);

  bool dtr() const { return dtr_; }
  bool rts() const { return rts_; }
  const std::vector<LineChange>& lineChanges() const { return lineChanges_; }
  void forgetLineChanges() { lineChanges_.clear(); }

  int openCount() const { return openCount_; }           // successful opens
  int closeCount() const { return closeCount_; }         // closes of an open port
  const std::string& device() const { return device_; }  // resolved path while open
  const std::vector<std::string>& openedNames() const { return openedNames_; }  // all tries

 private:
  void drive(Output line, bool on);

  const Clock& clock_;
  bool open_ = false;
  bool dtr_ = false;
  bool rts_ = false;
  std::uint32_t inputLines_ = 0;
  std::optional<SerialErrorKind> openFailure_;
  std::string holder_;
  std::map<std::string, std::string> links_;  // stable link -> device
  std::set<std::string> unplugged_;
  std::set<std::string> laidLinks_;
  std::optional<std::string> lineFailure_;
  std::optional<std::string> readFailure_;
  std::vector<LineChange> lineChanges_;
  std::vector<std::string> openedNames_;
  std::string device_;
  int openCount_ = 0;
  int closeCount_ = 0;
};

}  // namespace tv
