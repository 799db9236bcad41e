#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/result.h"

namespace tv {

// The sound of a PCM WAV file as the output and the file input use it:
// interleaved 8-bit unsigned or 16-bit signed little-endian frames.
struct PcmWave {
  int channels = 1;
  int bitsPerSample = 8;
  int sampleRate = 11025;
  std::vector<std::uint8_t> data;  // whole frames only

  int bytesPerFrame() const { return channels * bitsPerSample / 8; }
  std::uint64_t frames() const { return data.size() / static_cast<std::size_t>(bytesPerFrame()); }
  std::int64_t lengthMs() const;
};

// Accepts PCM (also in an extensible fmt chunk) with 1 or 2 channels of 8 or
// 16 bits; chunk identifiers in any case; a data chunk longer than the file is
// cut to what is there.
Result<PcmWave> parsePcmWave(std::span<const std::uint8_t> bytes);
Result<PcmWave> readPcmWave(const std::filesystem::path& file);

inline constexpr std::size_t kWaveHeaderBytes = 44;

// The canonical 44-byte header of an 8-bit mono PCM file with `dataLength` bytes of sound.
std::array<std::uint8_t, kWaveHeaderBytes> monoU8WaveHeader(int sampleRate,
                                                            std::uint32_t dataLength);

// A file whose header was written before the end of its sound (a take cut short by a
// crash or a power cut) gets a data chunk that runs to the end of the file. Only the
// canonical 44-byte layout is touched. Returns whether the header was changed.
Result<bool> completeWaveHeader(const std::filesystem::path& file);

// Writes an 8-bit mono PCM file with the canonical 44-byte header. The file
// appears complete or not at all: it is written beside the target and renamed
// over it only once every byte is on disk, so a failed write leaves any
// earlier file of that name as it was.
Result<void> writeMonoU8Wave(const std::filesystem::path& file, int sampleRate,
                             std::span<const std::uint8_t> samples);

}  // namespace tv
