#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/clock.h"
#include "platform/sound.h"

namespace tv {

// The output of a machine without sound hardware: nothing sounds, but the
// position runs with the clock exactly as a real device's would, so playback
// ends, Auto-TX releases the transmitter and the position slider moves.
class SilentPlayback : public PlaybackStream {
 public:
  SilentPlayback(const Clock& clock, std::int64_t lengthMs);

  // Opens the file as the real output would, so the same files fail; its length is the
  // sound's at the rate asked for.
  static Result<std::unique_ptr<PlaybackStream>> open(const Clock& clock,
                                                      const std::filesystem::path& file,
                                                      const PlaybackOptions& options = {});

  std::int64_t lengthMs() const override { return lengthMs_; }
  std::int64_t positionMs() override;
  PlaybackState state() override;
  Result<void> play(std::int64_t fromMs, std::optional<std::int64_t> toMs) override;
  Result<void> seek(std::int64_t ms) override;
  void stop() override;
  Result<void> status() override { return success(); }
  bool audible() const override { return false; }

 private:
  void advance();

  const Clock& clock_;
  std::int64_t lengthMs_;
  PlaybackState state_ = PlaybackState::stopped;
  std::int64_t positionMs_ = 0;
  std::int64_t startedFromMs_ = 0;
  std::int64_t startedAtMs_ = 0;
  std::int64_t endMs_ = 0;
};

// Checks a play request against the sound's length the way every output does.
Result<void> checkPlayRange(std::int64_t lengthMs, std::int64_t fromMs,
                            std::optional<std::int64_t> toMs);

}  // namespace tv
