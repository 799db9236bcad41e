#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/result.h"

namespace tv {

class Program;
class PlaybackStream;

// A sound file that an automatic sender (Auto-TX, the hourly announcement) plays on the
// transmit output, watched so that the keying can end with the sound: at its end, when
// the output fails, or when its position has stood still for a second although it should
// be sounding. Always at the file's own rate, whatever the playback window's speed.
//
// The stream is the sender's own, apart from the playback window's "waveplayfile": the
// user's pause, seek and Play never reach it. Which device it opens is decided here and
// nowhere else. GUI thread only.
class TxSound {
 public:
  enum class Check { sounding, ended, failed };

  explicit TxSound(Program& program);
  ~TxSound();
  TxSound(const TxSound&) = delete;
  TxSound& operator=(const TxSound&) = delete;

  // Opens `file` on the transmit output, not yet sounding. Fails, with a reason for the
  // user, when the file cannot be played or the output is one nobody can hear (no device
  // could be opened): nothing may be keyed for it then.
  Result<void> open(const std::string& file);
  // Starts the opened sound from its beginning, once the keying allows it: at once, or
  // after the device has confirmed the keying and the TX delay has passed (check() starts
  // it then).
  Result<void> play();
  // Looks at the playback once; after `failed`, failure() says why. Call it often: a
  // stall counts from the last call that saw the position move.
  Check check();
  // Stops and closes the sound; nothing when none is open.
  void close();

  bool isOpen() const { return stream_ != nullptr; }
  std::int64_t lengthMs() const;
  // The position the last check saw.
  std::int64_t positionMs() const { return position_; }
  const std::string& failure() const { return failure_; }

  // How long the position may stand still while the sound should be playing.
  static constexpr std::int64_t kStallMs = 1000;

 private:
  Check fail(std::string reason);
  Result<void> startWhenKeyed();

  Program& p_;
  std::unique_ptr<PlaybackStream> stream_;
  // Played, but waiting for the keying.
  bool held_ = false;
  std::int64_t position_ = 0;
  std::int64_t movedAtMs_ = 0;
  std::string failure_;
};

}  // namespace tv
