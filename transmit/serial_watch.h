#pragma once

#include <functional>
#include <string>

#include "platform/serial/serial_port.h"
#include "platform/timer.h"

namespace tv {

// Keeps an eye on the open serial port and finds it again once it is lost. While the
// port is open its input lines are read every two seconds, so that an adapter pulled
// out is noticed while nothing keys; after a loss the name that leads to the adapter —
// its /dev/serial/by-id link, which survives a new ttyUSB number — is looked for every
// two seconds, and the port reopened through it when it is there again.
//
// A device that is there but cannot be opened, cleared or read is not tried again
// until it has gone and come back (each try raises its lines for a moment), or the
// user asks for it. A port another program holds is refused untouched by the port and
// looked for again.
//
// Serial ports only; the keying decides what a loss or a return means for the
// transmitter and the user. GUI thread only.
class SerialWatch {
 public:
  struct Events {
    // The open port failed a read. The watch has stopped; call hunt() to look for it.
    std::function<void(const std::string& reason)> lost;
    // The port is open again through `name`, both lines cleared; watched again.
    std::function<void(const std::string& name)> found;
    // The port is back but another program holds it; still looked for.
    std::function<void(const SerialError& error)> refused;
  };

  static constexpr int kIntervalMs = 2000;

  SerialWatch(TimerQueue& timers, SerialPort* port, Events events);

  // Watches the port that has just been opened under `openedName`, and remembers the
  // name that will find it again.
  void watch(const std::string& openedName);
  // Looks for the port last watched.
  void hunt();
  // Tries at once, also a device that failed while present: the user asks for the port.
  void tryNow();
  void stop();

  bool watching() const { return state_ == State::Watching; }
  bool hunting() const { return state_ == State::Hunting; }
  // The name that finds the port again: its stable link, or the name it was opened by.
  const std::string& returnName() const { return returnName_; }

 private:
  enum class State { Off, Watching, Hunting };

  void tick();
  void tryReturn(bool evenIfFailed);

  SerialPort* port_;
  Events events_;
  Timer timer_;
  State state_ = State::Off;
  std::string returnName_;
  // The device was present but would not open, clear or read; it has not gone since.
  bool failedWhilePresent_ = false;
};

}  // namespace tv
