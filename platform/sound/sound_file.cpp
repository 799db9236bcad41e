#include "platform/sound/sound_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/sound/wav_layout.h"

namespace tv {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Reads are cut into blocks of this size, so that a reader holds little whatever it is
// asked for.
constexpr std::size_t kBlockBytes = 1 << 16;

std::uint32_t le32(const std::uint8_t* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* b) {
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

bool isId(const std::uint8_t* b, std::string_view id) {
  for (std::size_t i = 0; i < 4; ++i) {
    if (std::toupper(b[i]) != id[i]) return false;
  }
  return true;
}

// The file's own sound, read through its layout.
class WavFileReader : public SoundFileReader {
 public:
  WavFileReader(std::unique_ptr<FileSource> file, const WavLayout& layout)
      : file_(std::move(file)), layout_(layout), info_(layout.delivered()) {}

  const SoundFileInfo& info() const override { return info_; }

  Result<std::size_t> read(std::uint64_t frame, std::span<std::uint8_t> out) override {
    if (frame >= info_.frames) return std::size_t{0};
    const auto delivered = static_cast<std::size_t>(info_.bytesPerFrame());
    const auto stored = static_cast<std::size_t>(layout_.blockAlign);
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(out.size() / delivered, info_.frames - frame));
    std::size_t done = 0;
    while (done < wanted) {
      const std::size_t n = std::min(wanted - done, std::max<std::size_t>(1, kBlockBytes / stored));
      raw_.resize(n * stored);
      const std::int64_t at =
          layout_.dataStart + static_cast<std::int64_t>((frame + done) * stored);
      if (!file_->read(at, raw_)) return failure("the sound file cannot be read");
      deliverFrames(layout_, raw_, n, out.subspan(done * delivered, n * delivered));
      done += n;
    }
    return done;
  }

 private:
  std::unique_ptr<FileSource> file_;
  WavLayout layout_;
  SoundFileInfo info_;
  std::vector<std::uint8_t> raw_;
};

}  // namespace

std::int64_t SoundFileInfo::lengthMs(int rate) const {
  if (rate <= 0) rate = sampleRate;
  if (rate <= 0) return 0;
  return static_cast<std::int64_t>(frames * 1000 / static_cast<std::uint64_t>(rate));
}

double SoundFileInfo::seconds() const {
  return sampleRate > 0 ? static_cast<double>(frames) / sampleRate : 0;
}

SoundFileInfo WavLayout::delivered() const {
  SoundFileInfo info;
  info.channels = channels;
  info.bitsPerSample = bitsPerSample;
  info.sampleRate = sampleRate;
  info.frames = frames;
  return info;
}

Result<WavLayout> readWavLayout(ByteSource& file) {
  const std::int64_t size = file.size();
  std::uint8_t head[12];
  if (!file.read(0, head) || !isId(head, "RIFF") || !isId(head + 8, "WAVE")) {
    return failure("not a WAV file");
  }
  WavLayout layout;
  bool haveFormat = false;
  bool haveData = false;
  std::uint64_t dataLength = 0;
  std::int64_t at = 12;
  while (size - at >= 8 && !(haveFormat && haveData)) {
    std::uint8_t chunk[8];
    if (!file.read(at, chunk)) break;
    const std::uint32_t length = le32(chunk + 4);
    const std::int64_t body = at + 8;
    const auto present = static_cast<std::uint64_t>(std::min<std::int64_t>(length, size - body));
    if (isId(chunk, "FMT ") && !haveFormat) {
      if (present < 16) return failure("the format chunk is too short");
      std::uint8_t fmt[26] = {};
      if (!file.read(body, std::span(fmt, std::min<std::size_t>(present, sizeof fmt)))) break;
      std::uint16_t tag = le16(fmt);
      layout.channels = le16(fmt + 2);
      layout.sampleRate = static_cast<int>(std::min<std::uint32_t>(le32(fmt + 4), 1u << 30));
      layout.blockAlign = le16(fmt + 12);
      layout.bitsPerSample = le16(fmt + 14);
      if (tag == kFormatExtensible && present >= 26) tag = le16(fmt + 24);
      if (tag != kFormatPcm) return failure("not PCM sound");
      haveFormat = true;
    } else if (isId(chunk, "DATA") && !haveData) {
      layout.dataStart = body;
      dataLength = present;
      haveData = true;
    }
    // A chunk that runs to or past the end is the last one.
    if (length >= static_cast<std::uint64_t>(size - body)) break;
    at = body + length + (length & 1);
  }
  if (!haveFormat) return failure("no format chunk");
  if (!haveData) return failure("no sound data");
  if (layout.channels < 1 || layout.channels > 2) {
    return failure("only mono and stereo can be played");
  }
  if (layout.bitsPerSample != 8 && layout.bitsPerSample != 16) {
    return failure("only 8 and 16 bit sound can be played");
  }
  if (layout.sampleRate < 1) return failure("the sample rate is 0");
  // The frame size follows from the samples; a block alignment that says otherwise is
  // the header's mistake.
  layout.blockAlign = layout.channels * layout.bitsPerSample / 8;
  layout.frames = dataLength / static_cast<std::uint64_t>(layout.blockAlign);
  return layout;
}

void deliverFrames(const WavLayout& layout, std::span<const std::uint8_t> raw, std::size_t frames,
                   std::span<std::uint8_t> out) {
  const std::size_t bytes = frames * static_cast<std::size_t>(layout.blockAlign);
  std::memcpy(out.data(), raw.data(), std::min({bytes, raw.size(), out.size()}));
}

Result<std::unique_ptr<SoundFileReader>> openSoundFile(const std::filesystem::path& file) {
  auto source = std::make_unique<FileSource>(file);
  if (!source->opened()) return failure("cannot open " + file.string());
  auto layout = readWavLayout(*source);
  if (!layout) return failure(file.string() + ": " + layout.error().message);
  return std::unique_ptr<SoundFileReader>(
      std::make_unique<WavFileReader>(std::move(source), *layout));
}

}  // namespace tv
