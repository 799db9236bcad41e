#pragma once

#include "platform/clock.h"
#include "platform/sound.h"

namespace tv {

// A machine without any sound device: no inputs, and playback that keeps time by the
// clock without sounding, so that everything timed by playback still works.
class NoSoundSystem : public SoundSystem {
 public:
  explicit NoSoundSystem(const Clock& clock) : clock_(clock) {}

  std::vector<SoundDevice> inputDevices() override { return {}; }
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;

 private:
  const Clock& clock_;
};

}  // namespace tv
