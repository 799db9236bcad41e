#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/timer.h"
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
// wait runs out; a playback that only listens is stopped for it. Skips are notices and
// log lines.
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

 private:
  enum class Stage { idle, waiting, first, pause, second };

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
};

}  // namespace tv
