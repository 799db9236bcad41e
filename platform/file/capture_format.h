#pragma once

#include <cstdint>
#include <vector>

#include "platform/sound/wav_file.h"

namespace tv {

// The sound as an input device would deliver it: unsigned 8-bit mono at
// `sampleRate`. Channels are averaged; the rate is changed by linear
// interpolation, which is plenty for a level meter and a voice recorder.
std::vector<std::uint8_t> toCaptureFormat(const PcmWave& wave, int sampleRate);

}  // namespace tv
