#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
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

// The whole sound of a file in memory, as openSoundFile reads it. For short sounds only
// (the file input, tests): a long one is read a block at a time through openSoundFile.
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

// A PCM WAV file with the canonical 44-byte header, written a block at a time. The file
// appears complete or not at all: it is written beside the target and renamed over it
// only once every byte is on disk, so a failed write leaves any earlier file of that name
// as it was, and a writer given up without finish() leaves nothing.
class WavWriter {
 public:
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  static Result<std::unique_ptr<WavWriter>> create(const std::filesystem::path& file, int channels,
                                                   int bitsPerSample, int sampleRate);
  Result<void> append(std::span<const std::uint8_t> frames);
  Result<void> finish();

 private:
  WavWriter(std::filesystem::path file, int channels, int bitsPerSample, int sampleRate);
  Result<void> failed();

  std::filesystem::path file_;
  std::filesystem::path partial_;
  int channels_;
  int bitsPerSample_;
  int sampleRate_;
  std::ofstream out_;
  std::uint64_t dataBytes_ = 0;
  bool done_ = false;
};

// Writes an 8-bit mono PCM file with the canonical 44-byte header, as WavWriter does.
Result<void> writeMonoU8Wave(const std::filesystem::path& file, int sampleRate,
                             std::span<const std::uint8_t> samples);

}  // namespace tv
