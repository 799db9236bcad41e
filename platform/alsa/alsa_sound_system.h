#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/alsa/alsa_devices.h"
#include "platform/alsa/alsa_options.h"
#include "platform/clock.h"
#include "platform/sound.h"

namespace tv {

class OutputWaker;

// Sound through ALSA. The device lists are AlsaDevices' (names that stay the same
// between starts); an input is offered when it takes 11,025 Hz mono unsigned 8-bit
// capture. alsa-lib's own error printing is switched off: failures come back as results.
class AlsaSoundSystem : public SoundSystem {
 public:
  explicit AlsaSoundSystem(const Clock& clock, AlsaOptions options = {},
                           AlsaDeviceSource devices = systemDeviceSource());
  ~AlsaSoundSystem() override;

  std::vector<SoundDevice> inputDevices() override;
  std::vector<SoundDevice> outputDevices() override;
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;
  Result<void> wakeOutput(const std::string& output) override;
  std::optional<std::string> serverNameFor(const std::string& name, bool input) override;

  // How long an output woken for a transmission is fed silence when no playback takes
  // it over.
  static constexpr std::int64_t kWakeLimitMs = 5000;

 private:
  const Clock& clock_;
  AlsaOptions options_;
  AlsaDevices devices_;
  std::unique_ptr<OutputWaker> waker_;
};

}  // namespace tv
