#include "tests/sound/wav_bytes.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace tv::test {

WavBytes& WavBytes::id(std::string_view fourBytes) {
  bytes_.insert(bytes_.end(), fourBytes.begin(), fourBytes.end());
  return *this;
}

WavBytes& WavBytes::u32(std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return *this;
}

WavBytes& WavBytes::u16(std::uint16_t value) {
  bytes_.push_back(static_cast<std::uint8_t>(value));
  bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
  return *this;
}

WavBytes& WavBytes::bytes(const std::vector<std::uint8_t>& more) {
  bytes_.insert(bytes_.end(), more.begin(), more.end());
  return *this;
}

WavBytes& WavBytes::fill(std::size_t count, std::uint8_t value) {
  bytes_.insert(bytes_.end(), count, value);
  return *this;
}

WavBytes& WavBytes::canonicalStart(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
  const auto align = static_cast<std::uint16_t>(channels * bits / 8);
  return id("RIFF")
      .u32(0)
      .id("WAVE")
      .id("fmt ")
      .u32(16)
      .u16(1)
      .u16(channels)
      .u32(rate)
      .u32(rate * align)
      .u16(align)
      .u16(bits);
}

void WavBytes::writeTo(const std::filesystem::path& file) const {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
}

std::vector<std::uint8_t> pcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                  const std::vector<std::uint8_t>& samples) {
  WavBytes wav;
  wav.canonicalStart(channels, rate, bits)
      .id("data")
      .u32(static_cast<std::uint32_t>(samples.size()));
  wav.bytes(samples);
  std::vector<std::uint8_t> bytes = wav.data();
  const auto riff = static_cast<std::uint32_t>(bytes.size() - 8);
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  return bytes;
}

void writeLongWave(const std::filesystem::path& file, std::uint16_t channels, std::uint32_t rate,
                   std::uint32_t seconds) {
  const std::uint64_t frames = std::uint64_t{rate} * seconds;
  const auto dataBytes = static_cast<std::uint32_t>(frames * channels * 2);
  WavBytes header;
  header.canonicalStart(channels, rate, 16).id("data").u32(dataBytes);
  std::vector<std::uint8_t> bytes = header.data();
  const std::uint32_t riff = dataBytes + 36;
  for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  std::vector<std::uint8_t> block;
  constexpr std::uint64_t kBlockFrames = 1 << 16;
  for (std::uint64_t frame = 0; frame < frames && out; frame += kBlockFrames) {
    block.clear();
    for (std::uint64_t f = frame; f < std::min(frames, frame + kBlockFrames); ++f) {
      // A 441 Hz triangle at 44.1 kHz, its loudness a slow triangle of eight seconds.
      const auto swell = static_cast<std::int32_t>((f / (rate / 1000)) % 8000);
      const std::int32_t loudness = swell < 4000 ? swell : 8000 - swell;
      const auto phase = static_cast<std::int32_t>(f % 100);
      const std::int32_t wave = phase < 50 ? phase * 2 - 50 : 150 - phase * 2;
      const auto v = static_cast<std::int16_t>(wave * loudness * 8 / 50);
      for (std::uint16_t c = 0; c < channels; ++c) {
        block.push_back(static_cast<std::uint8_t>(v & 0xFF));
        block.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
      }
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size()));
  }
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path scratchDirectory(std::string_view name) {
  auto dir = std::filesystem::temp_directory_path() /
             ("tv-" + std::string(name) + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace tv::test
