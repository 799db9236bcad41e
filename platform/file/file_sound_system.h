#pragma once

#include <filesystem>
#include <memory>

#include "platform/clock.h"
#include "platform/sound.h"

namespace tv {

// A WAV file standing in for the sound card's input: one device whose
// samples arrive as the clock runs (elapsed milliseconds × rate), the file's
// sound first and the zero line after its end. Under a virtual clock a
// recording of minutes is simulated in milliseconds, sample for sample.
// Whatever input the settings name, the file is what is opened: it stands in for the
// card. Playback goes to `output`, or to a silent clock-paced output without one.
class FileSoundSystem : public SoundSystem {
 public:
  FileSoundSystem(std::filesystem::path input, const Clock& clock,
                  std::unique_ptr<SoundSystem> output = nullptr);

  std::vector<SoundDevice> inputDevices() override;
  std::vector<SoundDevice> outputDevices() override;
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;
  Result<std::unique_ptr<PlaybackStream>> openPlayback(
      const std::filesystem::path& file, const PlaybackOptions& options = {}) override;
  Result<void> wakeOutput(const std::string& output) override;
  std::optional<std::string> serverNameFor(const std::string& name, bool input) override;

 private:
  std::filesystem::path input_;
  const Clock& clock_;
  std::unique_ptr<SoundSystem> output_;
};

// The stream of a file input; samples are computed when a reader asks, so
// there is no thread.
class FileCaptureStream : public CaptureStream {
 public:
  FileCaptureStream(const Clock& clock, std::vector<std::uint8_t> samples, int sampleRate);

 protected:
  void pump() override;

 private:
  const Clock& clock_;
  std::vector<std::uint8_t> samples_;
  std::int64_t openedAtMs_;
  std::uint64_t delivered_ = 0;
};

}  // namespace tv
