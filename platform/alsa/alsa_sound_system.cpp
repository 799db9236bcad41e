#include "platform/alsa/alsa_sound_system.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>

#include "platform/alsa/alsa_capture_stream.h"
#include "platform/alsa/alsa_pcm.h"
#include "platform/alsa/alsa_playback.h"
#include "platform/sound/silent_playback.h"
#include "platform/sound/sound_file.h"

namespace tv {
namespace {

constexpr int kMaxSampleRate = 1'000'000;

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

std::string hintText(void* hint, const char* field) {
  char* raw = snd_device_name_get_hint(hint, field);
  if (!raw) return {};
  std::string text(raw);
  std::free(raw);
  return text;
}

// A hint's description may span lines ("card\nuse"); one line reads better.
std::string oneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

struct Hint {
  std::string name;
  std::string description;
};

std::vector<Hint> captureHints() {
  std::vector<Hint> hints;
  void** list = nullptr;
  if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list) return hints;
  for (void** entry = list; *entry; ++entry) {
    Hint hint{hintText(*entry, "NAME"), oneLine(hintText(*entry, "DESC"))};
    if (hint.name.empty() || hintText(*entry, "IOID") == "Output") continue;
    hints.push_back(std::move(hint));
  }
  snd_device_name_free_hint(list);
  return hints;
}

// `default` comes first whether or not a hint names it; a machine without
// sound has none, and the capability test then leaves it out.
std::vector<std::string> candidateNames(const std::vector<Hint>& hints) {
  std::vector<std::string> names{"default"};
  for (const Hint& hint : hints) {
    if (hint.name != "default") names.push_back(hint.name);
  }
  return names;
}

}  // namespace

AlsaSoundSystem::AlsaSoundSystem(const Clock& clock, AlsaOptions options)
    : clock_(clock), options_(std::move(options)) {
  snd_lib_error_set_handler(ignoreAlsaError);
}

std::vector<InputDevice> AlsaSoundSystem::inputDevices() {
  std::vector<InputDevice> devices;
  const std::vector<Hint> hints = captureHints();
  candidates_ = candidateNames(hints);
  for (std::size_t number = 0; number < candidates_.size(); ++number) {
    const std::string& name = candidates_[number];
    if (!takesMeterCapture(name)) continue;
    std::string description = name;
    const auto hint =
        std::find_if(hints.begin(), hints.end(), [&](const Hint& h) { return h.name == name; });
    if (hint != hints.end() && !hint->description.empty()) description = hint->description;
    devices.push_back(InputDevice{static_cast<int>(number), description, name});
  }
  return devices;
}

Result<std::shared_ptr<CaptureStream>> AlsaSoundSystem::openInput(int deviceNumber,
                                                                  int sampleRate) {
  if (candidates_.empty()) candidates_ = candidateNames(captureHints());
  if (deviceNumber < 0 || static_cast<std::size_t>(deviceNumber) >= candidates_.size()) {
    return failure("there is no input device " + std::to_string(deviceNumber));
  }
  if (sampleRate < 1 || sampleRate > kMaxSampleRate) {
    return failure("the sample rate " + std::to_string(sampleRate) + " cannot be used");
  }
  return AlsaCaptureStream::open(candidates_[static_cast<std::size_t>(deviceNumber)], sampleRate,
                                 clock_, options_);
}

Result<std::unique_ptr<PlaybackStream>> AlsaSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& playback) {
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  const std::int64_t lengthMs = (*reader)->info().lengthMs(playback.rate);
  auto opened = AlsaPlayback::open(options_.playbackPcm, std::move(*reader), playback.rate,
                                   outputVolume(), clock_, options_);
  if (opened || !options_.silentWithoutOutput) return opened;
  return std::unique_ptr<PlaybackStream>(std::make_unique<SilentPlayback>(clock_, lengthMs));
}

}  // namespace tv
