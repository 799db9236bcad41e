#pragma once

#include <cstdint>
#include <string>

#include "platform/timer.h"

namespace tv {

class Program;

// The hourly announcement of the schedule file XW.DAT: at its minute and
// second the transmitter is keyed, the first file played, a short pause
// left, the second file played, and only then the transmitter released.
// Runs beside the other timers instead of blocking the once-a-second tick.
class TimedTransmission {
 public:
  explicit TimedTransmission(Program& program);

  // Reads the three lines of the schedule file in the working directory;
  // without the file all three are empty and nothing is ever sent.
  void readScheduleFile();

  // Called once a second with the previous and the current wall-clock second.
  void check(std::int64_t previous, std::int64_t now);

  bool busy() const { return stage_ != Stage::idle; }
  // Ends an announcement under way at once: its sound stops and the transmitter is
  // released (the keying's port was lost in the middle of it).
  void cancel();

  // The schedule as read: "MM:SS", the file played first, the file sent.
  std::string scheduleTime;
  std::string announcementFile;
  std::string transmitFile;

 private:
  enum class Stage { idle, first, pause, second };

  void start();
  void poll();
  // Opens and plays `file` through the playback device; false when it cannot.
  bool play(const std::string& file);
  bool playbackDone();
  void closePlayback();
  void finish();

  Program& p_;
  Timer poll_;
  Stage stage_ = Stage::idle;
  std::int64_t stageStartMs_ = 0;
  std::int64_t lengthMs_ = 0;
};

}  // namespace tv
