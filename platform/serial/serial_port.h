#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/result.h"

namespace tv {

// Bits of the modem status word, laid out as the Windows serial functions report it, so
// that the line-state text reads the same on every platform.
inline constexpr std::uint32_t modemCtsOn = 0x10;   // pin 8
inline constexpr std::uint32_t modemDsrOn = 0x20;   // pin 6
inline constexpr std::uint32_t modemRingOn = 0x40;  // pin 9
inline constexpr std::uint32_t modemDcdOn = 0x80;   // pin 1

// Why a port could not be opened. The caller picks the words the user sees from its own
// text table; the message is the system's account, for a log or a detail line.
enum class SerialErrorKind {
  NoPortChosen,   // the name is empty, "COM0" or not a port name at all
  NoSuchPort,     // nothing by that name
  NoRights,       // it exists, but the user may not open it (not in the group dialout)
  Busy,           // another program holds it
  NotSerialPort,  // it exists, but is no serial line (a file, a directory, a pipe)
  Other,          // opened, but could not be configured, or any other failure
};

struct SerialError {
  SerialError() = default;
  SerialError(SerialErrorKind kind, std::string device, std::string message,
              std::string holder = {})
      : kind(kind),
        device(std::move(device)),
        message(std::move(message)),
        holder(std::move(holder)) {}

  SerialErrorKind kind = SerialErrorKind::Other;
  std::string device;   // the resolved device path; empty when the name named no port
  std::string message;  // readable, in English; names the group dialout for NoRights
  std::string holder;   // Busy: who holds it ("minicom (PID 4711)"); empty when not known
};

class [[nodiscard]] SerialOpenResult {
 public:
  SerialOpenResult() = default;
  SerialOpenResult(SerialError error) : error_(std::move(error)), ok_(false) {}

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const SerialError& error() const { return error_; }

 private:
  SerialError error_;
  bool ok_ = true;
};

// The program's one serial channel. Only the modem-control lines are used: DTR and RTS
// key the transmitter, the status word carries the operator's send key. No data is ever
// sent or received.
//
// Called from the GUI thread only. Nothing here throws; every failure is a value. While
// no port is open the line calls fail without effect.
class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // `name` is what the settings hold ("COM" + the port text, e.g. "COM2" or
  // "COM/dev/ttyUSB0") or a device path; see resolvePortName. A port already open is
  // closed first. After a successful open both DTR and RTS are cleared. A port another
  // program holds is refused (Busy) without being opened: the opening alone would raise
  // its lines.
  virtual SerialOpenResult open(const std::string& name) = 0;

  // Clears DTR and RTS, then closes. Harmless when nothing is open.
  virtual void close() = 0;

  virtual bool isOpen() const = 0;

  virtual Result<void> setDtr(bool on) = 0;
  virtual Result<void> setRts(bool on) = 0;

  // The input lines as modemCtsOn | modemDsrOn | modemRingOn | modemDcdOn.
  virtual Result<std::uint32_t> modemStatus() = 0;

  // While open: the name that finds this device again after it was unplugged and plugged
  // in anew under another number (its /dev/serial/by-id link); empty when it has none.
  virtual std::string stableName() const { return {}; }
  // Whether `name` stands for a device that is there now. Opens nothing.
  virtual bool present(const std::string& name) const = 0;
  // What the last successful open could not do without failing (the port's lock file not
  // written, for one), for the log; empty when nothing.
  virtual std::string openRemark() const { return {}; }
};

}  // namespace tv
