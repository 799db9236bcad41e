#include "platform/alsa/alsa_sound_system.h"

#include <alsa/asoundlib.h>

#include "platform/alsa/alsa_capture_stream.h"
#include "platform/alsa/alsa_playback.h"
#include "platform/alsa/output_waker.h"
#include "platform/sound/silent_playback.h"
#include "platform/sound/sound_file.h"

namespace tv {
namespace {

constexpr int kMaxSampleRate = 1'000'000;

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AlsaSoundSystem::AlsaSoundSystem(const Clock& clock, AlsaOptions options, AlsaDeviceSource devices)
    : clock_(clock), options_(std::move(options)), devices_(std::move(devices)) {
  snd_lib_error_set_handler(ignoreAlsaError);
}

AlsaSoundSystem::~AlsaSoundSystem() = default;

std::vector<SoundDevice> AlsaSoundSystem::inputDevices() {
  return devices_.list(SoundDirection::input);
}

std::vector<SoundDevice> AlsaSoundSystem::outputDevices() {
  return devices_.list(SoundDirection::output);
}

Result<std::shared_ptr<CaptureStream>> AlsaSoundSystem::openInput(const std::string& name,
                                                                  int sampleRate) {
  if (sampleRate < 1 || sampleRate > kMaxSampleRate) {
    return failure("the sample rate " + std::to_string(sampleRate) + " cannot be used");
  }
  const auto pcm = devices_.resolve(name);
  if (!pcm) return pcm.error();
  return AlsaCaptureStream::open(*pcm, sampleRate, clock_, options_);
}

Result<std::unique_ptr<PlaybackStream>> AlsaSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& playback) {
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  const std::int64_t lengthMs = (*reader)->info().lengthMs(playback.rate);
  auto pcm = playback.output.empty() ? Result<std::string>(options_.playbackPcm)
                                     : devices_.resolve(playback.output);
  Result<std::unique_ptr<PlaybackStream>> opened = failure("");
  if (!pcm) {
    opened = pcm.error();
  } else {
    const bool woken = waker_ && waker_->pcmName() == *pcm;
    opened = AlsaPlayback::open(*pcm, std::move(*reader), playback.rate, outputVolume(), clock_,
                                options_);
    // A card takes one stream at a time: the silence gives way. A sound server takes
    // both, and the silence has kept its sink running until the sound began.
    if (!opened && woken) {
      waker_.reset();
      reader = openSoundFile(file);
      if (!reader) return reader.error();
      opened = AlsaPlayback::open(*pcm, std::move(*reader), playback.rate, outputVolume(), clock_,
                                  options_);
    }
    if (woken) waker_.reset();
  }
  if (opened || !options_.silentWithoutOutput) return opened;
  return std::unique_ptr<PlaybackStream>(std::make_unique<SilentPlayback>(clock_, lengthMs));
}

Result<void> AlsaSoundSystem::wakeOutput(const std::string& output) {
  const auto pcm =
      output.empty() ? Result<std::string>(options_.playbackPcm) : devices_.resolve(output);
  if (!pcm) return pcm.error();
  if (waker_ && waker_->pcmName() == *pcm) waker_.reset();
  auto opened = OutputWaker::open(*pcm, clock_, options_, kWakeLimitMs);
  if (!opened) return opened.error();
  waker_ = std::move(*opened);
  return success();
}

std::optional<std::string> AlsaSoundSystem::serverNameFor(const std::string& name, bool input) {
  return devices_.serverNameFor(name, input ? SoundDirection::input : SoundDirection::output);
}

}  // namespace tv
