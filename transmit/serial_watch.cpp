#include "transmit/serial_watch.h"

#include <utility>

namespace tv {

SerialWatch::SerialWatch(TimerQueue& timers, SerialPort* port, Events events)
    : port_(port), events_(std::move(events)), timer_(timers, "tmrPortWatch", kIntervalMs, false) {
  timer_.tick = [this] { tick(); };
}

void SerialWatch::watch(const std::string& openedName) {
  if (port_ == nullptr) return;
  const std::string stable = port_->stableName();
  returnName_ = stable.empty() ? openedName : stable;
  failedWhilePresent_ = false;
  state_ = State::Watching;
  timer_.setEnabled(true);
}

void SerialWatch::hunt() {
  if (port_ == nullptr || returnName_.empty()) return;
  state_ = State::Hunting;
  timer_.setEnabled(true);
}

void SerialWatch::tryNow() {
  if (state_ == State::Hunting) tryReturn(true);
}

void SerialWatch::stop() {
  state_ = State::Off;
  timer_.setEnabled(false);
}

void SerialWatch::tick() {
  if (state_ == State::Hunting) {
    tryReturn(false);
    return;
  }
  if (state_ != State::Watching) {
    timer_.setEnabled(false);
    return;
  }
  if (!port_->isOpen()) {
    stop();
    return;
  }
  const Result<std::uint32_t> lines = port_->modemStatus();
  if (lines) return;
  stop();
  if (events_.lost) events_.lost(lines.error().message);
}

void SerialWatch::tryReturn(bool evenIfFailed) {
  if (!port_->present(returnName_)) {
    failedWhilePresent_ = false;
    return;
  }
  if (failedWhilePresent_ && !evenIfFailed) return;
  const SerialOpenResult opened = port_->open(returnName_);
  if (!opened) {
    if (opened.error().kind == SerialErrorKind::Busy) {
      // Refused before it was opened: looking again costs the other program nothing.
      if (events_.refused) events_.refused(opened.error());
    } else {
      failedWhilePresent_ = true;
    }
    return;
  }
  const bool usable = port_->setDtr(false) && port_->setRts(false) && port_->modemStatus();
  if (!usable) {
    port_->close();
    failedWhilePresent_ = true;
    return;
  }
  const std::string name = returnName_;
  watch(name);
  if (events_.found) events_.found(name);
}

}  // namespace tv
