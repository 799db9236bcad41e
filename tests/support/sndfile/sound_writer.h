#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tv::test {

// Writes interleaved 16-bit samples into a file whose format follows its extension:
// .flac, .ogg (Vorbis), .opus, .mp3, .w64, .rf64, .ulaw.wav (µ-law WAV) or .wav.
// An empty text when written, else why not.
std::string writeSoundFile(const std::filesystem::path& file, int channels, int rate,
                           const std::vector<std::int16_t>& samples);

}  // namespace tv::test
