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

Result<std::shared_ptr<CaptureStream>> ScriptedSoundSystem::openInput(const std::string& name,
                                                                      int sampleRate) {
  openings_.push_back({name, sampleRate});
  if (inputFailure) return failure(*inputFailure);
  if (absent.contains(name)) return failure(name + " is not plugged in");
  auto stream = std::make_shared<ScriptedCaptureStream>(sampleRate);
  lastInput_ = stream;
  return std::shared_ptr<CaptureStream>(stream);
}

Result<std::unique_ptr<PlaybackStream>> ScriptedSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& options) {
  if (playbackFailure) return failure(*playbackFailure);
  if (absent.contains(options.output)) return failure(options.output + " is not plugged in");
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  events_->push_back("open " + file.string() +
                     (options.rate > 0 ? " at " + std::to_string(options.rate) : std::string()) +
                     (options.output.empty() ? "" : " on " + options.output));
  return std::unique_ptr<PlaybackStream>(std::make_unique<RecordingPlayback>(
      clock_, (*reader)->info().lengthMs(options.rate), events_, playbackScript));
}

Result<void> ScriptedSoundSystem::wakeOutput(const std::string& output) {
  if (absent.contains(output)) return failure(output + " is not plugged in");
  events_->push_back("wake " + output);
  return success();
}

std::optional<std::string> ScriptedSoundSystem::serverNameFor(const std::string& name, bool) {
  const auto found = serverNames.find(name);
  if (found == serverNames.end()) return std::nullopt;
  return found->second;
}

}  // namespace tv
