#include "player/waveform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/numbers.h"

namespace tv {
namespace {

// Sounds up to this many bytes get the original spacing of the peak table's entries.
constexpr std::size_t kEvenlySpacedUpTo = 8'000'000;
constexpr std::size_t kBlockBytes = 1 << 16;

// The bytes of a sound's data in order, read a block at a time; positions asked for
// never go back, so every block is read once at most and blocks between are skipped.
class ForwardBytes {
 public:
  ForwardBytes(SoundFileReader& sound)
      : sound_(sound), frameBytes_(static_cast<std::size_t>(sound.info().bytesPerFrame())) {}

  std::size_t size() const { return static_cast<std::size_t>(sound_.info().dataBytes()); }

  // The byte at `at`, or none when it cannot be read.
  std::optional<std::uint8_t> at(std::size_t at) {
    if (at < start_ || at >= start_ + block_.size()) {
      const std::size_t frame = at / frameBytes_;
      block_.resize(kBlockBytes - kBlockBytes % frameBytes_);
      const Result<std::size_t> read = sound_.read(frame, block_);
      if (!read || *read == 0) return std::nullopt;
      block_.resize(*read * frameBytes_);
      start_ = frame * frameBytes_;
    }
    return block_[at - start_];
  }

 private:
  SoundFileReader& sound_;
  std::size_t frameBytes_;
  std::vector<std::uint8_t> block_;
  std::size_t start_ = 0;
};

class SpanBytes {
 public:
  explicit SpanBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t size() const { return bytes_.size(); }
  std::optional<std::uint8_t> at(std::size_t at) {
    if (at >= bytes_.size()) return std::nullopt;
    return bytes_[at];
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

template <class Bytes>
PeakTable peakTableOf(Bytes& bytes, int bitsPerSample, ReadingProgress* progress) {
  PeakTable table;
  const std::size_t length = bytes.size();
  const std::size_t evenly = length / 8;
  const std::size_t most = std::min(evenly, kMostPeakEntries);
  table.entries.assign(most + 1, 0);
  if (most == 0) return table;
  const std::size_t step = length <= kEvenlySpacedUpTo
                               ? std::max<std::size_t>(1, kEvenlySpacedUpTo / evenly)
                               : std::max<std::size_t>(1, length / most);
  for (std::size_t i = 1; i <= length && static_cast<std::size_t>(table.count) < most; i += step) {
    if (progress) {
      if (progress->cancelled) break;
      progress->permille = static_cast<int>(i * 1000 / length);
    }
    // The word at 1-based position i - 1; the first one for i = 1.
    std::size_t at = i == 1 ? 0 : i - 2;
    // A 16-bit sample is read whole, made unsigned so that silence lies at mid-scale.
    if (bitsPerSample == 16) at -= at % 2;
    const auto low = bytes.at(at);
    const auto high = bytes.at(at + 1);
    if (!low || !high) break;
    int v = *low | (*high << 8);
    if (bitsPerSample == 16) v = static_cast<std::int16_t>(v) + 32'768;
    table.entries[static_cast<std::size_t>(++table.count)] = std::abs(v - 32'750);
  }
  return table;
}

}  // namespace

WaveColumns waveColumns(SoundFileReader& sound, int width, ReadingProgress* progress) {
  WaveColumns columns;
  const SoundFileInfo& info = sound.info();
  const auto length = static_cast<std::int64_t>(info.dataBytes());
  std::int64_t step = roundHalfEven(static_cast<double>(length) / width);
  step -= step % 4;
  if (step <= 0) return columns;
  const bool eightBit = info.bitsPerSample == 8;
  const auto frameBytes = static_cast<std::int64_t>(info.bytesPerFrame());
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(frameBytes));
  auto amplitude = [&](std::size_t at) -> int {
    if (eightBit) return frame[at] - 128;
    return std::abs(static_cast<int>(static_cast<std::int16_t>(frame[at] | (frame[at + 1] << 8))));
  };
  // A step that is a multiple of 4 always lands on the start of a frame.
  for (std::int64_t position = 0; position < length; position += step) {
    if (progress) {
      if (progress->cancelled) break;
      progress->permille = static_cast<int>(position * 1000 / length);
    }
    const Result<std::size_t> read =
        sound.read(static_cast<std::uint64_t>(position / frameBytes), frame);
    if (!read || *read == 0) break;
    columns.first.push_back(amplitude(0));
    if (info.channels == 2) columns.second.push_back(amplitude(eightBit ? 1 : 2));
  }
  return columns;
}

void drawWaveform(DrawingFrame& frame, const WaveColumns& columns, const SoundFileInfo& info,
                  int width, int height) {
  int y0 = static_cast<int>(roundHalfEven(height / 2.0));
  double scale = info.bitsPerSample == 16 ? height / 65535.0 : height / 300.0;
  const bool stereo = info.channels == 2;
  if (stereo) {
    y0 /= 2;
    scale /= 2;
  }
  const int y1 = height - y0;
  frame.line(0, y0, width, y0, kWaveColour);
  if (stereo) frame.line(0, y1, width, y1, kWaveColour);
  for (std::size_t i = 0; i < columns.first.size(); ++i) {
    const double x = static_cast<double>(i + 1);
    const double h = static_cast<double>(roundHalfEven(scale * columns.first[i]));
    frame.line(x, y0 - h, x, y0 + h, kWaveColour);
    if (i < columns.second.size()) {
      const double h2 = static_cast<double>(roundHalfEven(scale * columns.second[i]));
      frame.line(x, y1 - h2, x, y1 + h2, kWaveColour);
    }
  }
}

PeakTable buildPeakTable(std::span<const std::uint8_t> sound, int bitsPerSample) {
  SpanBytes bytes(sound);
  return peakTableOf(bytes, bitsPerSample, nullptr);
}

PeakTable buildPeakTable(SoundFileReader& sound, ReadingProgress* progress) {
  ForwardBytes bytes(sound);
  return peakTableOf(bytes, sound.info().bitsPerSample, progress);
}

std::string speedCaption(std::int32_t normalRate, double speedFactor) {
  char factor[32];
  std::snprintf(factor, sizeof factor, " %.3f", speedFactor + 0.001);
  return " " + std::to_string(normalRate) + "  x " + std::string(factor).substr(0, 4);
}

}  // namespace tv
