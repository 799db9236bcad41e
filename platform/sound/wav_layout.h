#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/result.h"
#include "platform/sound/byte_source.h"
#include "platform/sound/sound_file.h"

namespace tv {

// Where the sound of a RIFF/WAVE file lies and how it is coded, as the program's own
// reader finds it.
struct WavLayout {
  // Integers (8-bit unsigned, wider signed) or IEEE floats.
  enum class Coding { integer, floating };
  Coding coding = Coding::integer;
  int channels = 0;       // as stored; more than two are mixed down to stereo
  int bitsPerSample = 0;  // per sample as stored: 8, 16, 24 or 32; floats 32 or 64
  int sampleRate = 0;
  int blockAlign = 0;  // bytes per frame as stored
  std::int64_t dataStart = 0;
  std::uint64_t frames = 0;  // whole frames present, however long the header says the data is

  // What a reader delivers of it: 8-bit or 16-bit, mono or stereo.
  SoundFileInfo delivered() const;
  // Whether the stored frames are delivered as they are.
  bool deliveredAsStored() const;
};

// Walks the chunks of a RIFF/WAVE file: identifiers in any case, sizes as unsigned 32-bit
// numbers, odd sizes padded; the format and data chunks in either order. A data chunk that
// claims more than the file holds is cut to what is there. Refuses, with a reason, what
// the reader cannot play. WAVE_FORMAT_EXTENSIBLE is read as its subformat.
Result<WavLayout> readWavLayout(ByteSource& file);

// Whether a refusal of readWavLayout means "coded in a way this reader does not decode"
// (compressed, or not RIFF at all), for which another reader may be asked.
bool refusedForCoding(const std::string& reason);

// Turns `frames` stored frames of `raw` into delivered ones in `out`: 24-bit, 32-bit and
// float samples become 16-bit, more than two channels become two.
void deliverFrames(const WavLayout& layout, std::span<const std::uint8_t> raw, std::size_t frames,
                   std::span<std::uint8_t> out);

}  // namespace tv
