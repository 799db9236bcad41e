#include "platform/sound/wav_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>

namespace tv {
namespace {

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool isId(std::span<const std::uint8_t> b, std::size_t at, std::string_view id) {
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::toupper(b[at + i]) != id[i]) return false;
  }
  return true;
}

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

}  // namespace

std::int64_t PcmWave::lengthMs() const {
  if (sampleRate <= 0) return 0;
  return static_cast<std::int64_t>(frames() * 1000 / static_cast<std::uint64_t>(sampleRate));
}

Result<PcmWave> parsePcmWave(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !isId(bytes, 0, "RIFF") || !isId(bytes, 8, "WAVE")) {
    return failure("not a WAV file");
  }
  PcmWave wave;
  bool haveFormat = false;
  std::size_t dataAt = 0;
  std::size_t dataLength = 0;
  bool haveData = false;
  std::size_t at = 12;
  while (bytes.size() - at >= 8 && !(haveFormat && haveData)) {
    const std::uint32_t length = le32(bytes, at + 4);
    const std::size_t body = at + 8;
    const std::size_t present = std::min<std::size_t>(length, bytes.size() - body);
    if (isId(bytes, at, "FMT ") && !haveFormat) {
      if (present < 16) return failure("the format chunk is too short");
      std::uint16_t tag = le16(bytes, body);
      wave.channels = le16(bytes, body + 2);
      wave.sampleRate = static_cast<int>(std::min<std::uint32_t>(le32(bytes, body + 4), 1u << 30));
      wave.bitsPerSample = le16(bytes, body + 14);
      if (tag == kFormatExtensible && present >= 26) tag = le16(bytes, body + 24);
      if (tag != kFormatPcm) return failure("not PCM sound");
      haveFormat = true;
    } else if (isId(bytes, at, "DATA") && !haveData) {
      dataAt = body;
      dataLength = present;
      haveData = true;
    }
    if (length >= bytes.size() - body) break;  // the chunk runs to or past the end
    at = body + length + (length & 1);
    if (at > bytes.size()) break;
  }
  if (!haveFormat) return failure("no format chunk");
  if (!haveData) return failure("no sound data");
  if (wave.channels < 1 || wave.channels > 2) return failure("only mono and stereo can be played");
  if (wave.bitsPerSample != 8 && wave.bitsPerSample != 16) {
    return failure("only 8 and 16 bit sound can be played");
  }
  if (wave.sampleRate < 1) return failure("the sample rate is 0");
  const std::size_t frameBytes = static_cast<std::size_t>(wave.bytesPerFrame());
  dataLength -= dataLength % frameBytes;
  wave.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataAt),
                   bytes.begin() + static_cast<std::ptrdiff_t>(dataAt + dataLength));
  return wave;
}

Result<PcmWave> readPcmWave(const std::filesystem::path& file) {
  // Only regular files: opening a FIFO or a device would wait for a writer.
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error))
    return failure("cannot open " + file.string());
  std::ifstream in(file, std::ios::binary);
  if (!in) return failure("cannot open " + file.string());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) return failure("cannot read " + file.string());
  auto wave = parsePcmWave(bytes);
  if (!wave) return failure(file.string() + ": " + wave.error().message);
  return wave;
}

std::array<std::uint8_t, kWaveHeaderBytes> monoU8WaveHeader(int sampleRate,
                                                            std::uint32_t dataLength) {
  const auto rate = static_cast<std::uint32_t>(sampleRate);
  std::array<std::uint8_t, kWaveHeaderBytes> header{};
  std::copy_n("RIFF", 4, header.data());
  put32(header.data() + 4, dataLength + 36);
  std::copy_n("WAVEfmt ", 8, header.data() + 8);
  put32(header.data() + 16, 16);
  put16(header.data() + 20, kFormatPcm);
  put16(header.data() + 22, 1);     // channels
  put32(header.data() + 24, rate);  // samples per second
  put32(header.data() + 28, rate);  // bytes per second
  put16(header.data() + 32, 1);     // block alignment
  put16(header.data() + 34, 8);     // bits per sample
  std::copy_n("data", 4, header.data() + 36);
  put32(header.data() + 40, dataLength);
  return header;
}

Result<bool> completeWaveHeader(const std::filesystem::path& file) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return failure(file.string() + ": " + ec.message());
  std::fstream io(file, std::ios::binary | std::ios::in | std::ios::out);
  std::uint8_t header[kWaveHeaderBytes];
  if (!io || !io.read(reinterpret_cast<char*>(header), kWaveHeaderBytes)) {
    return failure(file.string() + ": no complete header");
  }
  const std::span<const std::uint8_t> h(header);
  const bool canonical = std::equal(header, header + 4, "RIFF") &&
                         std::equal(header + 8, header + 16, "WAVEfmt ") && le32(h, 16) == 16 &&
                         std::equal(header + 36, header + 40, "data");
  if (!canonical) return failure(file.string() + ": not a header this program writes");
  const auto dataLength = static_cast<std::uint32_t>(std::min<std::uintmax_t>(
      size - kWaveHeaderBytes, std::numeric_limits<std::uint32_t>::max() - kWaveHeaderBytes));
  if (le32(h, 40) == dataLength && le32(h, 4) == dataLength + 36) return false;
  put32(header + 4, dataLength + 36);
  put32(header + 40, dataLength);
  io.seekp(0);
  io.write(reinterpret_cast<const char*>(header), kWaveHeaderBytes);
  io.flush();
  if (!io) return failure("cannot write " + file.string());
  return true;
}

Result<void> writeMonoU8Wave(const std::filesystem::path& file, int sampleRate,
                             std::span<const std::uint8_t> samples) {
  if (samples.size() > std::numeric_limits<std::uint32_t>::max() - kWaveHeaderBytes) {
    return failure("the recording is too long for a WAV file");
  }
  const auto header = monoU8WaveHeader(sampleRate, static_cast<std::uint32_t>(samples.size()));
  constexpr std::size_t kHeader = kWaveHeaderBytes;

  std::filesystem::path partial = file;
  partial += ".part";
  std::error_code ignored;
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(reinterpret_cast<const char*>(header.data()), kHeader);
      out.write(reinterpret_cast<const char*>(samples.data()),
                static_cast<std::streamsize>(samples.size()));
      out.flush();
    }
    if (!out) {
      out.close();
      std::filesystem::remove(partial, ignored);
      return failure("cannot write " + file.string());
    }
    out.close();
    if (!out) {
      std::filesystem::remove(partial, ignored);
      return failure("cannot write " + file.string());
    }
  }
  std::error_code renamed;
  std::filesystem::rename(partial, file, renamed);
  if (renamed) {
    std::filesystem::remove(partial, ignored);
    return failure("cannot write " + file.string() + ": " + renamed.message());
  }
  return success();
}

}  // namespace tv
