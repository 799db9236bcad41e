#pragma once

#include "platform/sound/no_sound_system.h"

namespace tv::test {

// The sound system a test program gets unless the test brings its own: one input
// that stays silent (so switching the recorder on succeeds quietly), and playback that
// keeps time by the clock without sounding.
class QuietReceiver : public NoSoundSystem {
 public:
  using NoSoundSystem::NoSoundSystem;

  std::vector<SoundDevice> inputDevices() override;
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name,
                                                   int sampleRate) override;
};

}  // namespace tv::test
