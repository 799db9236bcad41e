#include "platform/sound/silent_playback.h"

#include "platform/sound/sound_file.h"

namespace tv {

Result<void> checkPlayRange(std::int64_t lengthMs, std::int64_t fromMs,
                            std::optional<std::int64_t> toMs) {
  if (fromMs < 0 || fromMs > lengthMs) return failure("the position is beyond the sound");
  if (toMs && (*toMs < fromMs || *toMs > lengthMs)) {
    return failure("the end position is beyond the sound");
  }
  return success();
}

SilentPlayback::SilentPlayback(const Clock& clock, std::int64_t lengthMs)
    : clock_(clock), lengthMs_(lengthMs < 0 ? 0 : lengthMs) {}

Result<std::unique_ptr<PlaybackStream>> SilentPlayback::open(const Clock& clock,
                                                             const std::filesystem::path& file,
                                                             const PlaybackOptions& options) {
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  return std::unique_ptr<PlaybackStream>(
      std::make_unique<SilentPlayback>(clock, (*reader)->info().lengthMs(options.rate)));
}

void SilentPlayback::advance() {
  if (state_ != PlaybackState::playing) return;
  const std::int64_t position = startedFromMs_ + (clock_.monotonicMs() - startedAtMs_);
  if (position >= endMs_) {
    positionMs_ = endMs_;
    state_ = PlaybackState::finished;
  } else {
    positionMs_ = position;
  }
}

std::int64_t SilentPlayback::positionMs() {
  advance();
  return positionMs_;
}

PlaybackState SilentPlayback::state() {
  advance();
  return state_;
}

Result<void> SilentPlayback::play(std::int64_t fromMs, std::optional<std::int64_t> toMs) {
  if (auto checked = checkPlayRange(lengthMs_, fromMs, toMs); !checked) return checked;
  startedFromMs_ = positionMs_ = fromMs;
  startedAtMs_ = clock_.monotonicMs();
  endMs_ = toMs.value_or(lengthMs_);
  state_ = PlaybackState::playing;
  advance();
  return success();
}

Result<void> SilentPlayback::seek(std::int64_t ms) {
  if (auto checked = checkPlayRange(lengthMs_, ms, {}); !checked) return checked;
  state_ = PlaybackState::stopped;
  positionMs_ = ms;
  return success();
}

void SilentPlayback::stop() {
  advance();
  if (state_ == PlaybackState::playing) state_ = PlaybackState::stopped;
}

}  // namespace tv
