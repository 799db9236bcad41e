#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
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
  void feedLost(std::uint64_t count) { deliverLost(count); }
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
// logs what happens to them in events(): "open NAME" (on the default output)
// or "open NAME on OUTPUT", "play FROM", "play FROM TO", "seek MS", "stop",
// "close", and "wake OUTPUT" for every output woken.
class ScriptedSoundSystem : public SoundSystem {
 public:
  explicit ScriptedSoundSystem(const Clock& clock);

  std::vector<SoundDevice> devices;
  std::vector<SoundDevice> outputs;
  std::optional<std::string> inputFailure;     // every openInput fails with it
  std::optional<std::string> playbackFailure;  // every openPlayback fails with it
  PlaybackScript playbackScript;               // for the playbacks opened from now on
  // Inputs and outputs that are not plugged in: opening or waking them fails.
  std::set<std::string> absent;
  // What serverNameFor answers, by device name.
  std::map<std::string, std::string> serverNames;

  std::vector<SoundDevice> inputDevices() override { return devices; }
  std::vector<SoundDevice> outputDevices() override { return outputs; }
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;
  Result<void> wakeOutput(const std::string& output) override;
  std::optional<std::string> serverNameFor(const std::string& name, bool input) override;

  // The stream of the last successful openInput, while someone holds it.
  std::shared_ptr<ScriptedCaptureStream> lastInput() const { return lastInput_.lock(); }
  struct Opening {
    std::string name;
    int sampleRate;
  };
  // Every attempt, the failed ones too.
  const std::vector<Opening>& inputOpenings() const { return openings_; }
  const std::vector<std::string>& events() const { return *events_; }

 private:
  const Clock& clock_;
  std::weak_ptr<ScriptedCaptureStream> lastInput_;
  std::vector<Opening> openings_;
  std::shared_ptr<std::vector<std::string>> events_;
};

}  // namespace tv
