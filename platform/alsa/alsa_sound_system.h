#pragma once

#include <string>
#include <vector>

#include "platform/alsa/alsa_options.h"
#include "platform/clock.h"
#include "platform/sound.h"

namespace tv {

// Sound through ALSA. Input devices are the PCMs ALSA's device hints name
// (and `default`, always first); a device is listed when it takes 11,025 Hz
// mono unsigned 8-bit capture, and its number is its place among all
// candidates, so leaving one out does not renumber the rest. alsa-lib's own
// error printing is switched off: failures come back as results.
class AlsaSoundSystem : public SoundSystem {
 public:
  explicit AlsaSoundSystem(const Clock& clock, AlsaOptions options = {});

  std::vector<InputDevice> inputDevices() override;
  Result<std::shared_ptr<CaptureStream>> openInput(int deviceNumber, int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;

 private:
  const Clock& clock_;
  AlsaOptions options_;
  // PCM names in numbering order, from the last look at the hints.
  std::vector<std::string> candidates_;
};

}  // namespace tv
