#pragma once

#include <cstdint>
#include <span>

#include "platform/result.h"
#include "platform/sound/byte_source.h"
#include "platform/sound/sound_file.h"

namespace tv {

// Where the sound of a RIFF/WAVE file lies and how it is coded, as the program's own
// reader finds it.
struct WavLayout {
  int channels = 0;
  int bitsPerSample = 0;  // per sample as stored
  int sampleRate = 0;
  int blockAlign = 0;  // bytes per frame as stored
  std::int64_t dataStart = 0;
  std::uint64_t frames = 0;  // whole frames present, however long the header says the data is

  // What a reader delivers of it.
  SoundFileInfo delivered() const;
};

// Walks the chunks of a RIFF/WAVE file: identifiers in any case, sizes as unsigned 32-bit
// numbers, odd sizes padded; the format and data chunks in either order. A data chunk that
// claims more than the file holds is cut to what is there. Refuses, with a reason, what
// the reader cannot play.
Result<WavLayout> readWavLayout(ByteSource& file);

// Turns `frames` stored frames of `raw` into delivered ones in `out`.
void deliverFrames(const WavLayout& layout, std::span<const std::uint8_t> raw, std::size_t frames,
                   std::span<std::uint8_t> out);

}  // namespace tv
