#include "platform/sound/no_sound_system.h"

#include "platform/sound/silent_playback.h"

namespace tv {

Result<std::shared_ptr<CaptureStream>> NoSoundSystem::openInput(const std::string&, int) {
  return failure("no sound input on this machine");
}

Result<std::unique_ptr<PlaybackStream>> NoSoundSystem::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& options) {
  return SilentPlayback::open(clock_, file, options);
}

}  // namespace tv
