#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/sound.h"
#include "platform/sound/silent_playback.h"

namespace tv {

// A capture stream the test feeds by hand, from its own thread or another.
class ScriptedCaptureStream : public CaptureStream {
 public:
  using CaptureStream::CaptureStream;

  void feed(std::span<const std::uint8_t> samples) { deliver(samples); }
  void failWith(std::string message) { fail(std::move(message)); }
};

// What a playback does once it reaches a position: stand still there while it still
// says it plays (a hung output), or fail (an unplugged one).
struct PlaybackScript {
  std::optional<std::int64_t> stallAtMs;
  std::optional<std::int64_t> failAtMs;
};

// A clock-paced silent playback that writes down every call it accepts.
class RecordingPlayback : public PlaybackStream {
 public:
  RecordingPlayback(const Clock& clock, std::int64_t lengthMs,
                    std::shared_ptr<std::vector<std::string>> events, PlaybackScript script = {});
  ~RecordingPlayback() override;

  std::int64_t lengthMs() const override { return inner_.lengthMs(); }
  std::int64_t positionMs() override;
  PlaybackState state() override;
  Result<void> play(std::int64_t fromMs, std::optional<std::int64_t> toMs) override;
  Result<void> seek(std::int64_t ms) override;
  void stop() override;
  Result<void> status() override;

 private:
  SilentPlayback inner_;
  std::shared_ptr<std::vector<std::string>> events_;
  PlaybackScript script_;
};

// A sound system whose devices, failures and streams the test decides.
// Playback opens real WAV files (so a missing file fails as it would) and
// logs what happens to them in events(): "open NAME", "play FROM", "play
// FROM TO", "seek MS", "stop", "close".
class ScriptedSoundSystem : public SoundSystem {
 public:
  explicit ScriptedSoundSystem(const Clock& clock);

  std::vector<InputDevice> devices;
  std::optional<std::string> inputFailure;     // every openInput fails with it
  std::optional<std::string> playbackFailure;  // every openPlayback fails with it
  PlaybackScript playbackScript;               // for the playbacks opened from now on

  std::vector<InputDevice> inputDevices() override { return devices; }
  Result<std::shared_ptr<CaptureStream>> openInput(int deviceNumber, int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;

  // The stream of the last successful openInput, while someone holds it.
  std::shared_ptr<ScriptedCaptureStream> lastInput() const { return lastInput_.lock(); }
  struct Opening {
    int deviceNumber;
    int sampleRate;
  };
  const std::vector<Opening>& inputOpenings() const { return openings_; }
  const std::vector<std::string>& events() const { return *events_; }

 private:
  const Clock& clock_;
  std::weak_ptr<ScriptedCaptureStream> lastInput_;
  std::vector<Opening> openings_;
  std::shared_ptr<std::vector<std::string>> events_;
};

}  // namespace tv
