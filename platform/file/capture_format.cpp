#include "platform/file/capture_format.h"

#include <algorithm>
#include <cmath>

namespace tv {
namespace {

// One frame as a value around 0 on the 8-bit scale (-128 .. 127.996).
double frameValue(const PcmWave& wave, std::uint64_t frame) {
  const std::size_t at = static_cast<std::size_t>(frame) * wave.bytesPerFrame();
  double sum = 0;
  for (int channel = 0; channel < wave.channels; ++channel) {
    if (wave.bitsPerSample == 8) {
      sum += wave.data[at + channel] - 128.0;
    } else {
      const std::size_t lo = at + 2 * channel;
      const auto sample = static_cast<std::int16_t>(wave.data[lo] | (wave.data[lo + 1] << 8));
      sum += sample / 256.0;
    }
  }
  return sum / wave.channels;
}

}  // namespace

std::vector<std::uint8_t> toCaptureFormat(const PcmWave& wave, int sampleRate) {
  const std::uint64_t frames = wave.frames();
  std::vector<std::uint8_t> out;
  if (frames == 0 || sampleRate < 1 || wave.sampleRate < 1) return out;
  const auto sourceRate = static_cast<std::uint64_t>(wave.sampleRate);
  const auto targetRate = static_cast<std::uint64_t>(sampleRate);
  const std::uint64_t count = frames * targetRate / sourceRate;
  out.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t scaled = i * sourceRate;
    const std::uint64_t frame = scaled / targetRate;
    const double fraction = static_cast<double>(scaled % targetRate) / targetRate;
    double value = frameValue(wave, frame);
    if (fraction > 0 && frame + 1 < frames) {
      value += (frameValue(wave, frame + 1) - value) * fraction;
    }
    out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(value + 128.0), 0L, 255L)));
  }
  return out;
}

}  // namespace tv
