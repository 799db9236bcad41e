#include "player/wav/wav_reader.h"

#include "platform/sound/byte_source.h"
#include "platform/sound/sound_file.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace tv {
namespace {

constexpr std::int64_t kShortestFile = 40;
constexpr std::size_t kHeaderFieldBytes = 50;

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::string upperId(const std::uint8_t* p) {
  std::string id(reinterpret_cast<const char*>(p), 4);
  for (char& c : id) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return id;
}

std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

WaveHeaderReading readWaveHeader(ByteSource& file) {
  WaveHeaderReading reading;
  WaveInfo& info = reading.info;
  info.fileLength = file.size();
  if (info.fileLength < kShortestFile) {
    reading.outcome = WaveHeaderOutcome::tooShort;
    return reading;
  }
  std::uint8_t header[36];
  if (!file.read(0, header)) return reading;
  info.riffSize = static_cast<std::int32_t>(le32(header + 4));
  const auto fmtLength = static_cast<std::int32_t>(le32(header + 16));
  info.formatTag = static_cast<std::int16_t>(le16(header + 20));
  info.channelCount = static_cast<std::int16_t>(le16(header + 22));
  info.sampleRate = static_cast<std::int32_t>(le32(header + 24));
  info.byteRate = static_cast<std::int32_t>(le32(header + 28));
  info.blockAlign = static_cast<std::int16_t>(le16(header + 32));
  info.bitsPerSample = static_cast<std::int16_t>(le16(header + 34));

  std::int64_t position = 36;
  std::int64_t skip = fmtLength > 16 ? std::int64_t{fmtLength} - 16 : 0;
  std::string chunkId;
  for (;;) {
    position += skip;
    // A walk that ends exactly at the end of the file found no data chunk;
    // one that ends inside a chunk header found a broken file.
    if (position == info.fileLength) {
      chunkId.clear();
      break;
    }
    std::uint8_t chunkHeader[8];
    if (!file.read(position, chunkHeader)) return reading;
    position += 8;
    chunkId = upperId(chunkHeader);
    // Unsigned: a data chunk of 2 to 4 GiB is as long as it says.
    std::int64_t length = le32(chunkHeader + 4);
    if (length % 2 != 0) ++length;
    skip = info.dataLength = length;
    if (chunkId == "DATA" || info.fileLength < position + skip) break;
  }
  info.dataStart = position;

  if (upperId(header) != "RIFF" || upperId(header + 8) != "WAVE" ||
      upperId(header + 12) != "FMT ") {
    reading.outcome = WaveHeaderOutcome::unknownFormat;
  } else if (chunkId != "DATA") {
    reading.outcome = WaveHeaderOutcome::noDataChunk;
  } else {
    reading.outcome = WaveHeaderOutcome::usable;
  }
  return reading;
}

LoadedWave loadWave(WaveHeaderReading reading) {
  LoadedWave loaded{reading.outcome, reading.info, {}, {}};
  if (!loaded.usable()) return loaded;
  WaveInfo& info = loaded.info;
  info.dataLength = std::min(info.fileLength - info.dataStart, info.dataLength);
  if (info.byteRate < 1) info.byteRate = 1;
  info.duration = static_cast<double>(info.dataLength) / info.byteRate;
  loaded.durationText = durationText(info.duration);
  return loaded;
}

std::string decimal(std::uint64_t value) {
  return std::to_string(value);
}

double readHeaderFields(const std::uint8_t* b, HeaderFieldTable& table) {
  const auto text = [&](std::size_t at) {
    return std::string(reinterpret_cast<const char*>(b + at), 4);
  };
  table[1] = text(0);
  table[2] = decimal(le32(b + 4));
  table[3] = text(8);
  table[4] = text(12);
  table[5] = decimal(le32(b + 16));
  table[6] = decimal(le16(b + 20));
  table[7] = decimal(le16(b + 22));
  table[8] = decimal(le32(b + 24));
  table[9] = decimal(le32(b + 28));
  table[10] = decimal(le16(b + 32));
  table[11] = decimal(le16(b + 34));
  std::optional<std::size_t> dataHeader;
  if (table[5] == "16") dataHeader = 36;
  if (table[5] == "18") dataHeader = 38;
  if (!dataHeader) return 0;
  table[12] = text(*dataHeader);
  table[13] = decimal(le32(b + *dataHeader + 4));

  const double dataLength = le32(b + *dataHeader + 4);
  const double formatTag = le16(b + 20);
  const double blockAlign = le16(b + 32);
  const double sampleRate = le32(b + 24);
  if (formatTag == 0 || blockAlign == 0 || sampleRate == 0) return 0;
  return dataLength / formatTag / blockAlign / sampleRate;
}

}  // namespace

WaveHeaderReading ReadWaveHeader(std::string_view path) {
  FileSource file{std::filesystem::path(trimBlanks(path))};
  if (!file.opened()) return {};
  return readWaveHeader(file);
}

WaveHeaderReading ReadWaveHeader(std::span<const std::uint8_t> file) {
  SpanSource source(file);
  return readWaveHeader(source);
}

LoadedWave LoadWave(std::string_view path) {
  const std::filesystem::path file(trimBlanks(path));
  LoadedWave loaded = loadWave(ReadWaveHeader(path));
  std::error_code error;
  if (loaded.outcome == WaveHeaderOutcome::tooShort ||
      !std::filesystem::is_regular_file(file, error))
    return loaded;
  // The header walk above only sorts out what the window says of a file; whether it can
  // be used, and how long it plays, is the sound reader's answer, the same that playback,
  // the waveform and cutting get.
  auto sound = openSoundFile(file);
  if (!sound) {
    if (loaded.outcome != WaveHeaderOutcome::noDataChunk)
      loaded.outcome = WaveHeaderOutcome::unknownFormat;
    loaded.refusal = sound.error().message;
    loaded.durationText.clear();
    return loaded;
  }
  const SoundFileInfo& sf = (*sound)->info();
  WaveInfo& info = loaded.info;
  info.channelCount = static_cast<std::int16_t>(sf.channels);
  info.bitsPerSample = static_cast<std::int16_t>(sf.bitsPerSample);
  info.sampleRate = sf.sampleRate;
  info.blockAlign = static_cast<std::int16_t>(sf.bytesPerFrame());
  info.byteRate = std::max(1, sf.sampleRate * sf.bytesPerFrame());
  info.dataLength = static_cast<std::int64_t>(sf.dataBytes());
  info.duration = sf.seconds();
  loaded.outcome = WaveHeaderOutcome::usable;
  loaded.durationText = durationText(info.duration);
  return loaded;
}

LoadedWave LoadWave(std::span<const std::uint8_t> file) {
  return loadWave(ReadWaveHeader(file));
}

std::string durationText(double seconds) {
  char digits[64];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, seconds, std::chars_format::fixed, 2);
  if (error != std::errc{}) return "   0.00";
  std::string text(digits, end);
  if (text.size() < 7) text.insert(0, 7 - text.size(), ' ');
  return text;
}

double ReadHeaderFields(std::string_view selectedFile, HeaderFieldTable& headerFieldTable) {
  FileSource file{std::filesystem::path(selectedFile)};
  std::uint8_t bytes[kHeaderFieldBytes];
  if (!file.opened() || !file.read(0, bytes)) return 0;
  const double fromHeader = readHeaderFields(bytes, headerFieldTable);
  // The table shows the header as it stands; the length is the sound reader's, which
  // knows extensible headers, wide samples and files longer than 2 GiB.
  if (auto sound = openSoundFile(std::filesystem::path(selectedFile)))
    return (*sound)->info().seconds();
  return fromHeader;
}

double ReadHeaderFields(std::span<const std::uint8_t> file, HeaderFieldTable& headerFieldTable) {
  if (file.size() < kHeaderFieldBytes) return 0;
  return readHeaderFields(file.data(), headerFieldTable);
}

}  // namespace tv
