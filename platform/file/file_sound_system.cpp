#include "platform/file/file_sound_system.h"

#include <algorithm>

#include "platform/file/capture_format.h"
#include "platform/sound/silent_playback.h"
#include "platform/sound/wav_file.h"

namespace tv {
namespace {

constexpr int kMaxSampleRate = 1'000'000;

// Deliveries are cut into pieces of this size, so that catching up after a
// long jump of the clock needs no buffer of the whole span.
constexpr std::size_t kDeliveryPiece = 1 << 16;

}  // namespace

FileSoundSystem::FileSoundSystem(std::filesystem::path input, const Clock& clock,
                                 std::unique_ptr<SoundSystem> output)
    : SoundSystem(output ? output->outputVolume() : std::make_shared<OutputVolume>()),
      input_(std::move(input)),
      clock_(clock),
      output_(std::move(output)) {}

std::vector<SoundDevice> FileSoundSystem::inputDevices() {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(input_, ignored)) return {};
  return {SoundDevice{input_.string(), input_.filename().string()}};
}

std::vector<SoundDevice> FileSoundSystem::outputDevices() {
  return output_ ? output_->outputDevices() : std::vector<SoundDevice>{};
}

Result<std::shared_ptr<CaptureStream>> FileSoundSystem::openInput(const std::string&,
                                                                  int sampleRate) {
  if (sampleRate < 1 || sampleRate > kMaxSampleRate) {
    return failure("the sample rate " + std::to_string(sampleRate) + " cannot be used");
  }
  auto wave = readPcmWave(input_);
  if (!wave) return wave.error();
  return std::shared_ptr<CaptureStream>(
      std::make_shared<FileCaptureStream>(clock_, toCaptureFormat(*wave, sampleRate), sampleRate));
}

Result<std::unique_ptr<PlaybackStream>> FileSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& options) {
  if (output_) return output_->openPlayback(file, options);
  return SilentPlayback::open(clock_, file, options);
}

Result<void> FileSoundSystem::wakeOutput(const std::string& output) {
  return output_ ? output_->wakeOutput(output) : success();
}

std::optional<std::string> FileSoundSystem::serverNameFor(const std::string& name, bool input) {
  return output_ ? output_->serverNameFor(name, input) : std::nullopt;
}

FileCaptureStream::FileCaptureStream(const Clock& clock, std::vector<std::uint8_t> samples,
                                     int sampleRate)
    : CaptureStream(sampleRate),
      clock_(clock),
      samples_(std::move(samples)),
      openedAtMs_(clock.monotonicMs()) {}

void FileCaptureStream::pump() {
  const std::int64_t elapsed = std::max<std::int64_t>(clock_.monotonicMs() - openedAtMs_, 0);
  const auto due =
      static_cast<std::uint64_t>(elapsed) * static_cast<std::uint64_t>(sampleRate()) / 1000;
  std::vector<std::uint8_t> silence;
  while (delivered_ < due) {
    const std::size_t piece =
        static_cast<std::size_t>(std::min<std::uint64_t>(due - delivered_, kDeliveryPiece));
    if (delivered_ < samples_.size()) {
      const std::size_t n = std::min(piece, samples_.size() - static_cast<std::size_t>(delivered_));
      deliver(std::span(samples_).subspan(static_cast<std::size_t>(delivered_), n));
      delivered_ += n;
    } else {
      silence.assign(piece, kSilentSample);
      deliver(silence);
      delivered_ += piece;
    }
  }
}

}  // namespace tv
