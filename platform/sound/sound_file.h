#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "platform/result.h"

namespace tv {

// A sound file as the program hears it: frames of 8-bit unsigned or 16-bit signed
// little-endian samples, one or two channels, at the rate the file names.
struct SoundFileInfo {
  int channels = 1;
  int bitsPerSample = 8;
  int sampleRate = 0;
  std::uint64_t frames = 0;

  int bytesPerFrame() const { return channels * bitsPerSample / 8; }
  std::uint64_t dataBytes() const { return frames * static_cast<std::uint64_t>(bytesPerFrame()); }
  // The playing time at `rate` frames per second (the file's own when 0), whole
  // milliseconds rounded down.
  std::int64_t lengthMs(int rate = 0) const;
  double seconds() const;
};

// One open sound file, read a block at a time wherever the reader asks: however long
// the file, nothing of it is held beyond the block asked for. One thread at a time.
class SoundFileReader {
 public:
  virtual ~SoundFileReader() = default;

  virtual const SoundFileInfo& info() const = 0;
  // Whole frames from `frame` on into `out`, as many as fit and the sound holds; how
  // many. 0 at or beyond the end.
  virtual Result<std::size_t> read(std::uint64_t frame, std::span<std::uint8_t> out) = 0;
};

// Opens a sound file for reading; reads only its header now. The one reader of the
// program: lengths, playback, the waveform and cutting all see the file through it.
// WAV files in PCM or float are read by the program itself; compressed WAV, RF64, W64,
// FLAC, Ogg, Opus and MP3 through libsndfile. A refusal names the file and the reason.
Result<std::unique_ptr<SoundFileReader>> openSoundFile(const std::filesystem::path& file);

// `sound` played at `playRate` frames per second, as frames at `outputRate`: the same
// length in time and pitch, for an output that refuses `playRate` itself. Samples between
// two of the sound are interpolated in a straight line.
std::unique_ptr<SoundFileReader> playedAt(std::unique_ptr<SoundFileReader> sound, int playRate,
                                          int outputRate);

}  // namespace tv
