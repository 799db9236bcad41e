#pragma once

#include <filesystem>
#include <memory>

#include "platform/result.h"
#include "platform/sound/sound_file.h"

namespace tv {

// Opens a sound file through libsndfile, read a block at a time and delivered as 16-bit
// mono or stereo (more channels mixed down). For what the program's own WAV reader does
// not decode; refuses, with libsndfile's reason, what libsndfile cannot read either.
Result<std::unique_ptr<SoundFileReader>> openWithSndfile(const std::filesystem::path& file);

}  // namespace tv
