#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/timer.h"
#include "transmit/channel_watch.h"
#include "transmit/tx_sound.h"

namespace tv {

class Program;

// The hourly announcement of the schedule file XW.DAT: at its minute and second the
// transmitter is asked of the arbiter and keyed, the first file played, a short pause
// left, the second file played, and the transmitter released with the end of the sound.
// Runs beside the other timers instead of blocking the once-a-second tick.
//
// The announcement waits for an Auto-TX repetition to end and goes out in its pause. It
// waits at most the busy-channel wait (10 s when that is 0) while the user transmits
// (the operator's send key, or TX in the playback window), and skips that hour when the
// wait runs out; a playback that only listens is stopped for it. It keys only into a
// clear channel (the busy-channel lockout), and skips the hour when none comes within
// that wait.
//
// At its moment or not at all: a clock tick that comes more than 5 s after the moment
// (a wall clock stepped forward over it: a wake from suspend, a clock set from the
// network) skips the hour, and no two announcements go out less than 3000 s apart on the
// monotonic clock (a clock set back, the autumn change). Skips are notices and log lines.
class TimedTransmission {
 public:
  explicit TimedTransmission(Program& program);

  // Reads the three lines of the schedule file in the working directory;
  // without the file all three are empty and nothing is ever sent.
  void readScheduleFile();

  // Called once a second with the previous and the current wall-clock second.
  void check(std::int64_t previous, std::int64_t now);

  bool busy() const { return stage_ != Stage::idle; }
  // The moment has come and the announcement waits for the transmitter.
  bool waiting() const { return stage_ == Stage::waiting; }

  // The schedule as read: "MM:SS", the file played first, the file sent.
  std::string scheduleTime;
  std::string announcementFile;
  std::string transmitFile;

  // The longest wait for a transmitter the user holds.
  int userWaitMs() const;

  // How late a tick may come after the moment and still send.
  static constexpr std::int64_t kLatestSeconds = 5;
  // The least time between two announcements, on the monotonic clock.
  static constexpr std::int64_t kLeastApartMs = 3'000'000;

 private:
  enum class Stage { idle, waiting, listening, first, pause, second };

  // Reads the schedule file again when it has changed since it was read; a changed
  // schedule resets the 3000 s rule.
  void followScheduleFile();

  void begin();
  // Goes on the air when nothing the user does holds it off; called while waiting.
  void tryToGo();
  void go();
  void poll();
  // Opens and starts `file`; false, with the reason told, when it cannot.
  bool play(const std::string& file, Stage stage);
  void finish(std::string_view why);
  // Stops the sound without releasing: the arbiter does that.
  void silence();
  void skip(const std::string& text);

  Program& p_;
  Timer poll_;
  TxSound sound_;
  Stage stage_ = Stage::idle;
  std::int64_t stageStartMs_ = 0;
  std::int64_t waitStartMs_ = 0;
  // The moment being sent, as the notices name it ("10:05:00").
  std::string momentText_;
  ChannelWatch channel_;
  // When the last announcement began, on the monotonic clock.
  std::optional<std::int64_t> lastSentMs_;
  std::optional<std::filesystem::file_time_type> scheduleStamp_;
};

}  // namespace tv
