#include "recorder/timed_transmission.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "recorder/wall_clock_moments.h"

namespace tv {
namespace {

constexpr int kPollMs = 50;
// The pause between the two files.
constexpr std::int64_t kPauseMs = 275;
// A playback that reports no end is given up this long after its length.
constexpr std::int64_t kOverrunMs = 2000;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

TimedTransmission::TimedTransmission(Program& program)
    : p_(program), poll_(program.ui().timers(), "tmrTimedTransmission", kPollMs, false) {
  poll_.tick = [this] { poll(); };
}

void TimedTransmission::readScheduleFile() {
  scheduleTime.clear();
  announcementFile.clear();
  transmitFile.clear();
  const std::string path = findCaseInsensitive(".", "XW.DAT");
  if (!fileExists(path)) return;
  std::ifstream in(path, std::ios::binary);
  std::string* lines[] = {&scheduleTime, &announcementFile, &transmitFile};
  for (std::string* line : lines) {
    if (!std::getline(in, *line)) break;
    if (!line->empty() && line->back() == '\r') line->pop_back();
    *line = trim(*line);
  }
}

void TimedTransmission::check(std::int64_t previous, std::int64_t now) {
  const auto moment = minuteAndSecond(scheduleTime);
  if (!moment || !momentPassed(previous, now, 3600, *moment)) return;
  if (!fileExists(transmitFile) || busy()) return;
  start();
}

void TimedTransmission::start() {
  // The playback device has one alias: whatever the player plays gives way.
  p_.player.cmdStop_Click();
  p_.keying.PttOn("schedule");
  stage_ = Stage::first;
  if (!play(announcementFile)) {
    stage_ = Stage::pause;
    stageStartMs_ = p_.platform.clock.monotonicMs();
  }
  poll_.setEnabled(true);
}

void TimedTransmission::poll() {
  const std::int64_t now = p_.platform.clock.monotonicMs();
  switch (stage_) {
    case Stage::first:
      if (!playbackDone()) return;
      closePlayback();
      stage_ = Stage::pause;
      stageStartMs_ = now;
      return;
    case Stage::pause:
      if (now - stageStartMs_ < kPauseMs) return;
      stage_ = Stage::second;
      if (!play(transmitFile)) finish();
      return;
    case Stage::second:
      if (!playbackDone()) return;
      closePlayback();
      finish();
      return;
    case Stage::idle:
      poll_.setEnabled(false);
      return;
  }
}

bool TimedTransmission::play(const std::string& file) {
  if (!fileExists(file)) return false;
  p_.mci.sendString("close waveplayfile");
  if (!p_.mci.sendString("open \"" + file + "\" alias waveplayfile").empty()) return false;
  p_.mci.sendString("set waveplayfile time format ms");
  const std::string length = p_.mci.sendString("status waveplayfile length");
  lengthMs_ = static_cast<std::int64_t>(leadingNumber(length));
  stageStartMs_ = p_.platform.clock.monotonicMs();
  if (!p_.mci.sendString("play waveplayfile from  0").empty()) {
    closePlayback();
    return false;
  }
  return true;
}

bool TimedTransmission::playbackDone() {
  if (p_.platform.clock.monotonicMs() - stageStartMs_ > lengthMs_ + kOverrunMs) return true;
  const std::string position = p_.mci.sendString("status waveplayfile position");
  // A reply that is not a number is an error text: the device is gone.
  if (position.empty() || position[0] < '0' || position[0] > '9') return true;
  return static_cast<std::int64_t>(leadingNumber(position)) >= lengthMs_;
}

void TimedTransmission::cancel() {
  if (!busy()) return;
  closePlayback();
  finish();
}

void TimedTransmission::closePlayback() {
  p_.mci.sendString("close waveplayfile");
}

void TimedTransmission::finish() {
  stage_ = Stage::idle;
  poll_.setEnabled(false);
  p_.keying.PttOff("end of announcement");
}

}  // namespace tv
