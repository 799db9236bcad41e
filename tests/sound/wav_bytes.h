#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace tv::test {

// Builds WAV files byte by byte, including broken ones.
class WavBytes {
 public:
  WavBytes& id(std::string_view fourBytes);
  WavBytes& u32(std::uint32_t value);
  WavBytes& u16(std::uint16_t value);
  WavBytes& bytes(const std::vector<std::uint8_t>& more);
  WavBytes& fill(std::size_t count, std::uint8_t value);

  // "RIFF" size "WAVE" "fmt " 16 and the PCM fields: the first 36 bytes.
  WavBytes& canonicalStart(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);

  const std::vector<std::uint8_t>& data() const { return bytes_; }
  void writeTo(const std::filesystem::path& file) const;

 private:
  std::vector<std::uint8_t> bytes_;
};

// A complete canonical PCM file holding `samples` (raw frame bytes).
std::vector<std::uint8_t> pcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                                  const std::vector<std::uint8_t>& samples);

// Writes `seconds` of 16-bit sound, a tone whose loudness rises and falls every few
// seconds, a block at a time: a file of any length without holding it. Really written,
// not sparse, so that reading it costs what reading a recording costs.
void writeLongWave(const std::filesystem::path& file, std::uint16_t channels, std::uint32_t rate,
                   std::uint32_t seconds);

std::vector<std::uint8_t> readFile(const std::filesystem::path& file);

// A fresh, empty directory for one test.
std::filesystem::path scratchDirectory(std::string_view name);

}  // namespace tv::test
