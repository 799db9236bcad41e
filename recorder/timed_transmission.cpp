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
// The wait for the user's transmission when the busy-channel wait is off.
constexpr int kDefaultUserWaitSeconds = 10;
constexpr Colour kTransmitting = rgb(128, 255, 0);

bool fileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string twoDigits(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

TimedTransmission::TimedTransmission(Program& program)
    : p_(program),
      poll_(program.ui().timers(), "tmrTimedTransmission", kPollMs, false),
      sound_(program),
      channel_(program) {
  poll_.tick = [this] { poll(); };
  p_.txArbiter.enrol(TxOwner::schedule, [this](std::string_view) { silence(); });
  p_.txArbiter.onFree([this] { tryToGo(); });
}

void TimedTransmission::readScheduleFile() {
  scheduleTime.clear();
  announcementFile.clear();
  transmitFile.clear();
  const std::string path = findCaseInsensitive(".", "XW.DAT");
  std::error_code ec;
  scheduleStamp_.reset();
  if (!fileExists(path)) return;
  if (const auto stamp = std::filesystem::last_write_time(path, ec); !ec) scheduleStamp_ = stamp;
  std::ifstream in(path, std::ios::binary);
  std::string* lines[] = {&scheduleTime, &announcementFile, &transmitFile};
  for (std::string* line : lines) {
    if (!std::getline(in, *line)) break;
    if (!line->empty() && line->back() == '\r') line->pop_back();
    *line = trim(*line);
  }
}

int TimedTransmission::userWaitMs() const {
  return (p_.busyWaitSeconds > 0 ? p_.busyWaitSeconds : kDefaultUserWaitSeconds) * 1000;
}

void TimedTransmission::followScheduleFile() {
  std::error_code ec;
  const std::string path = findCaseInsensitive(".", "XW.DAT");
  std::optional<std::filesystem::file_time_type> stamp;
  if (fileExists(path)) {
    if (const auto t = std::filesystem::last_write_time(path, ec); !ec) stamp = t;
  }
  if (stamp == scheduleStamp_) return;
  const std::string before = scheduleTime + "\n" + announcementFile + "\n" + transmitFile;
  readScheduleFile();
  if (scheduleTime + "\n" + announcementFile + "\n" + transmitFile != before) lastSentMs_.reset();
}

void TimedTransmission::check(std::int64_t previous, std::int64_t now) {
  followScheduleFile();
  const auto moment = minuteAndSecond(scheduleTime);
  if (!moment || !momentPassed(previous, now, 3600, *moment)) return;
  if (!fileExists(transmitFile) || busy()) return;
  // How far past its moment this tick comes, and the hour of that moment.
  const std::int64_t late = ((now - *moment) % 3600 + 3600) % 3600;
  const int hour = static_cast<int>((((now - late) / 3600) % 24 + 24) % 24);
  momentText_ = twoDigits(hour) + ":" + scheduleTime;
  // A moment stepped over by the wall clock is not caught up at a random minute.
  if (late > kLatestSeconds) {
    skip(p_.ownMessage(OwnText::ScheduleSkippedLate, {momentText_, std::to_string(late)}));
    return;
  }
  const std::int64_t mono = p_.platform.clock.monotonicMs();
  if (lastSentMs_ && mono - *lastSentMs_ < kLeastApartMs) {
    skip(p_.ownMessage(OwnText::ScheduleSkippedTooSoon,
                       {momentText_, std::to_string((mono - *lastSentMs_) / 1000)}));
    return;
  }
  lastSentMs_ = mono;
  begin();
}

void TimedTransmission::begin() {
  stage_ = Stage::waiting;
  waitStartMs_ = p_.platform.clock.monotonicMs();
  poll_.setEnabled(true);
  tryToGo();
}

void TimedTransmission::tryToGo() {
  if (stage_ != Stage::waiting) return;
  const TxOwner owner = p_.txArbiter.owner();
  // An Auto-TX repetition ends with its sound: the announcement goes out in its pause.
  if (owner == TxOwner::autoTx) return;
  if (owner == TxOwner::manual || p_.keying.sendKeyPressed()) {
    const std::int64_t waited = p_.platform.clock.monotonicMs() - waitStartMs_;
    if (waited >= userWaitMs()) {
      skip(p_.ownMessage(OwnText::ScheduleSkippedInUse,
                         {momentText_, std::to_string(userWaitMs() / 1000)}));
    }
    return;
  }
  if (p_.player.playing) {
    // Only listening (a playback with TX holds the transmitter as the user's own).
    p_.player.cmdStop_Click();
    p_.notice("schedule", p_.ownMessage(OwnText::SchedulePlaybackStopped), LogLevel::Info);
  }
  if (!p_.txArbiter.request(TxOwner::schedule)) return;
  stage_ = Stage::listening;
  channel_.await([this] { go(); },
                 [this] {
                   finish("channel busy");
                   p_.notice("schedule",
                             p_.ownMessage(OwnText::ChannelBusySkipped,
                                           {momentText_, std::to_string(p_.busyWaitSeconds)}));
                 });
}

void TimedTransmission::go() {
  // Without the first file the second is sent alone.
  const bool first = fileExists(announcementFile);
  if (!play(first ? announcementFile : transmitFile, first ? Stage::first : Stage::second)) {
    return;
  }
}

bool TimedTransmission::play(const std::string& file, Stage stage) {
  Result<void> sent = sound_.open(file);
  if (sent) {
    // Keyed once, for both files and the pause between them.
    if (!p_.keying.keyed()) {
      p_.txArbiter.key(TxOwner::schedule);
      if (p_.keying.keyed()) p_.frm_Oszi.lbl_TX.showPressed(kTransmitting);
    }
    sent = sound_.play();
  }
  if (!sent) {
    const std::string reason = sent.error().message;
    finish("sound failed");
    p_.notice("schedule", p_.ownMessage(OwnText::ScheduleNotSent, {momentText_, file, reason}));
    return false;
  }
  stage_ = stage;
  stageStartMs_ = p_.platform.clock.monotonicMs();
  poll_.setEnabled(true);
  return true;
}

void TimedTransmission::poll() {
  if (stage_ == Stage::idle) {
    poll_.setEnabled(false);
    return;
  }
  if (stage_ == Stage::waiting) {
    tryToGo();
    return;
  }
  if (stage_ == Stage::listening) return;
  // The operator keys by hand: the announcement gives way at once, as Auto-TX does.
  if (p_.keying.sendKeyPressed()) {
    p_.txArbiter.endCurrent("send key");
    return;
  }
  if (stage_ == Stage::pause) {
    if (p_.platform.clock.monotonicMs() - stageStartMs_ >= kPauseMs)
      play(transmitFile, Stage::second);
    return;
  }
  switch (sound_.check()) {
    case TxSound::Check::sounding:
      return;
    case TxSound::Check::ended:
      if (stage_ == Stage::first) {
        sound_.close();
        stage_ = Stage::pause;
        stageStartMs_ = p_.platform.clock.monotonicMs();
      } else {
        finish("end of sound");
      }
      return;
    case TxSound::Check::failed: {
      const std::string reason = sound_.failure();
      finish("sound failed");
      p_.notice("schedule",
                p_.ownMessage(OwnText::ScheduleNotSent, {momentText_, transmitFile, reason}));
      return;
    }
  }
}

void TimedTransmission::silence() {
  channel_.cancel();
  stage_ = Stage::idle;
  poll_.setEnabled(false);
  sound_.close();
  p_.frm_Oszi.lbl_TX.showReleased();
}

void TimedTransmission::finish(std::string_view why) {
  silence();
  p_.txArbiter.release(TxOwner::schedule, why);
}

void TimedTransmission::skip(const std::string& text) {
  stage_ = Stage::idle;
  poll_.setEnabled(false);
  // The notice goes into the station log as well.
  p_.notice("schedule", text);
}

}  // namespace tv
