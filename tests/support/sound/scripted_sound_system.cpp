#include "tests/support/sound/scripted_sound_system.h"

#include "platform/sound/sound_file.h"

namespace tv {

RecordingPlayback::RecordingPlayback(const Clock& clock, std::int64_t lengthMs,
                                     std::shared_ptr<std::vector<std::string>> events,
                                     PlaybackScript script)
    : inner_(clock, lengthMs), events_(std::move(events)), script_(script) {}

std::int64_t RecordingPlayback::positionMs() {
  const std::int64_t position = inner_.positionMs();
  if (script_.stallAtMs && position >= *script_.stallAtMs) return *script_.stallAtMs;
  return position;
}

PlaybackState RecordingPlayback::state() {
  const PlaybackState state = inner_.state();
  if (script_.stallAtMs && inner_.positionMs() >= *script_.stallAtMs) return PlaybackState::playing;
  return state;
}

Result<void> RecordingPlayback::status() {
  if (script_.failAtMs && inner_.positionMs() >= *script_.failAtMs) {
    return failure("the device has been unplugged");
  }
  return success();
}

RecordingPlayback::~RecordingPlayback() {
  events_->push_back("close");
}

Result<void> RecordingPlayback::play(std::int64_t fromMs, std::optional<std::int64_t> toMs) {
  auto played = inner_.play(fromMs, toMs);
  if (played) {
    events_->push_back("play " + std::to_string(fromMs) +
                       (toMs ? " " + std::to_string(*toMs) : std::string()));
  }
  return played;
}

Result<void> RecordingPlayback::seek(std::int64_t ms) {
  auto sought = inner_.seek(ms);
  if (sought) events_->push_back("seek " + std::to_string(ms));
  return sought;
}

void RecordingPlayback::stop() {
  events_->push_back("stop");
  inner_.stop();
}

ScriptedSoundSystem::ScriptedSoundSystem(const Clock& clock)
    : clock_(clock), events_(std::make_shared<std::vector<std::string>>()) {}

Result<std::shared_ptr<CaptureStream>> ScriptedSoundSystem::openInput(int deviceNumber,
                                                                      int sampleRate) {
  if (inputFailure) return failure(*inputFailure);
  openings_.push_back({deviceNumber, sampleRate});
  auto stream = std::make_shared<ScriptedCaptureStream>(sampleRate);
  lastInput_ = stream;
  return std::shared_ptr<CaptureStream>(stream);
}

Result<std::unique_ptr<PlaybackStream>> ScriptedSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& options) {
  if (playbackFailure) return failure(*playbackFailure);
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  events_->push_back("open " + file.string() +
                     (options.rate > 0 ? " at " + std::to_string(options.rate) : std::string()));
  return std::unique_ptr<PlaybackStream>(std::make_unique<RecordingPlayback>(
      clock_, (*reader)->info().lengthMs(options.rate), events_, playbackScript));
}

}  // namespace tv
