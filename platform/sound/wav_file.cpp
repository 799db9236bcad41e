#include "platform/sound/wav_file.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <system_error>

#include "platform/sound/sound_file.h"
#include "platform/sound/wav_layout.h"

namespace tv {
namespace {

constexpr std::size_t kHeader = kWaveHeaderBytes;
constexpr std::uint16_t kFormatPcm = 1;

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void canonicalHeader(std::uint8_t* header, int channels, int bits, int rate,
                     std::uint32_t dataLength) {
  const auto align = static_cast<std::uint16_t>(channels * bits / 8);
  std::copy_n("RIFF", 4, header);
  put32(header + 4, dataLength + 36);
  std::copy_n("WAVEfmt ", 8, header + 8);
  put32(header + 16, 16);
  put16(header + 20, kFormatPcm);
  put16(header + 22, static_cast<std::uint16_t>(channels));
  put32(header + 24, static_cast<std::uint32_t>(rate));
  put32(header + 28, static_cast<std::uint32_t>(rate) * align);
  put16(header + 32, align);
  put16(header + 34, static_cast<std::uint16_t>(bits));
  std::copy_n("data", 4, header + 36);
  put32(header + 40, dataLength);
}

PcmWave emptyWaveLike(const SoundFileInfo& info) {
  PcmWave wave;
  wave.channels = info.channels;
  wave.bitsPerSample = info.bitsPerSample;
  wave.sampleRate = info.sampleRate;
  return wave;
}

}  // namespace

std::int64_t PcmWave::lengthMs() const {
  if (sampleRate <= 0) return 0;
  return static_cast<std::int64_t>(frames() * 1000 / static_cast<std::uint64_t>(sampleRate));
}

Result<PcmWave> parsePcmWave(std::span<const std::uint8_t> bytes) {
  SpanSource source(bytes);
  auto layout = readWavLayout(source);
  if (!layout) return layout.error();
  PcmWave wave = emptyWaveLike(layout->delivered());
  const auto stored = static_cast<std::size_t>(layout->blockAlign * layout->frames);
  wave.data.resize(static_cast<std::size_t>(layout->delivered().dataBytes()));
  deliverFrames(*layout, bytes.subspan(static_cast<std::size_t>(layout->dataStart), stored),
                static_cast<std::size_t>(layout->frames), wave.data);
  return wave;
}

Result<PcmWave> readPcmWave(const std::filesystem::path& file) {
  auto reader = openSoundFile(file);
  if (!reader) return reader.error();
  const SoundFileInfo& info = (*reader)->info();
  PcmWave wave = emptyWaveLike(info);
  wave.data.resize(static_cast<std::size_t>(info.dataBytes()));
  auto read = (*reader)->read(0, wave.data);
  if (!read) return failure(file.string() + ": " + read.error().message);
  return wave;
}

std::array<std::uint8_t, kWaveHeaderBytes> monoU8WaveHeader(int sampleRate,
                                                            std::uint32_t dataLength) {
  std::array<std::uint8_t, kWaveHeaderBytes> header{};
  canonicalHeader(header.data(), 1, 8, sampleRate, dataLength);
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
  const bool canonical = std::equal(header, header + 4, "RIFF") &&
                         std::equal(header + 8, header + 16, "WAVEfmt ") &&
                         le32(header + 16) == 16 && std::equal(header + 36, header + 40, "data");
  if (!canonical) return failure(file.string() + ": not a header this program writes");
  const auto dataLength = static_cast<std::uint32_t>(std::min<std::uintmax_t>(
      size - kWaveHeaderBytes, std::numeric_limits<std::uint32_t>::max() - kWaveHeaderBytes));
  if (le32(header + 40) == dataLength && le32(header + 4) == dataLength + 36) return false;
  put32(header + 4, dataLength + 36);
  put32(header + 40, dataLength);
  io.seekp(0);
  io.write(reinterpret_cast<const char*>(header), kWaveHeaderBytes);
  io.flush();
  if (!io) return failure("cannot write " + file.string());
  return true;
}

WavWriter::WavWriter(std::filesystem::path file, int channels, int bitsPerSample, int sampleRate)
    : file_(std::move(file)),
      channels_(channels),
      bitsPerSample_(bitsPerSample),
      sampleRate_(sampleRate) {
  partial_ = file_;
  partial_ += ".part";
}

WavWriter::~WavWriter() {
  if (done_) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(partial_, ignored);
}

Result<std::unique_ptr<WavWriter>> WavWriter::create(const std::filesystem::path& file,
                                                     int channels, int bitsPerSample,
                                                     int sampleRate) {
  std::unique_ptr<WavWriter> writer(new WavWriter(file, channels, bitsPerSample, sampleRate));
  writer->out_.open(writer->partial_, std::ios::binary | std::ios::trunc);
  // The sizes are written by finish(); until then the header holds zeros.
  std::uint8_t header[kHeader];
  canonicalHeader(header, channels, bitsPerSample, sampleRate, 0);
  writer->out_.write(reinterpret_cast<const char*>(header), kHeader);
  if (!writer->out_) {
    writer->done_ = true;
    std::error_code ignored;
    std::filesystem::remove(writer->partial_, ignored);
    return failure("cannot write " + file.string());
  }
  return writer;
}

Result<void> WavWriter::failed() {
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(partial_, ignored);
  done_ = true;
  return failure("cannot write " + file_.string());
}

Result<void> WavWriter::append(std::span<const std::uint8_t> frames) {
  if (done_) return failure("cannot write " + file_.string());
  if (frames.size() > std::numeric_limits<std::uint32_t>::max() - kHeader - dataBytes_) {
    (void)failed();
    return failure("the sound is too long for a WAV file");
  }
  out_.write(reinterpret_cast<const char*>(frames.data()),
             static_cast<std::streamsize>(frames.size()));
  if (!out_) return failed();
  dataBytes_ += frames.size();
  return success();
}

Result<void> WavWriter::finish() {
  if (done_) return failure("cannot write " + file_.string());
  std::uint8_t header[kHeader];
  canonicalHeader(header, channels_, bitsPerSample_, sampleRate_,
                  static_cast<std::uint32_t>(dataBytes_));
  out_.seekp(0);
  out_.write(reinterpret_cast<const char*>(header), kHeader);
  out_.flush();
  out_.close();
  if (!out_) return failed();
  done_ = true;
  std::error_code renamed;
  std::filesystem::rename(partial_, file_, renamed);
  if (renamed) {
    std::error_code ignored;
    std::filesystem::remove(partial_, ignored);
    return failure("cannot write " + file_.string() + ": " + renamed.message());
  }
  return success();
}

Result<void> writeMonoU8Wave(const std::filesystem::path& file, int sampleRate,
                             std::span<const std::uint8_t> samples) {
  if (samples.size() > std::numeric_limits<std::uint32_t>::max() - kHeader) {
    return failure("the recording is too long for a WAV file");
  }
  auto writer = WavWriter::create(file, 1, 8, sampleRate);
  if (!writer) return writer.error();
  if (auto appended = (*writer)->append(samples); !appended) return appended;
  return (*writer)->finish();
}

}  // namespace tv
