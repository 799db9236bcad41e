#include "platform/sound/sound_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/sndfile/sndfile_reader.h"
#include "platform/sound/wav_layout.h"

namespace tv {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Beyond 7.1 sound no recording a ham keeps is to be expected; a count beyond it is a
// broken header.
constexpr int kMostChannels = 8;
constexpr const char* kNotWav = "not a WAV file";
constexpr const char* kCompressed = "compressed sound";
// Reads are cut into blocks of this size, so that a reader holds little whatever it is
// asked for.
constexpr std::size_t kBlockBytes = 1 << 16;

std::uint32_t le32(const std::uint8_t* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint16_t le16(const std::uint8_t* b) {
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

void put16(std::uint8_t* b, int v) {
  b[0] = static_cast<std::uint8_t>(v & 0xFF);
  b[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// The names of the codings met in WAV files that are not plain samples.
std::string codingName(std::uint16_t tag) {
  switch (tag) {
    case 0x0002:
      return "Microsoft ADPCM";
    case 0x0006:
      return "A-law";
    case 0x0007:
      return "µ-law";
    case 0x0011:
      return "IMA ADPCM";
    case 0x0031:
      return "GSM 6.10";
    case 0x0050:
      return "MPEG";
    case 0x0055:
      return "MPEG layer 3";
    default:
      break;
  }
  char text[32];
  std::snprintf(text, sizeof text, "format tag 0x%04X", tag);
  return text;
}

// One stored sample on the 16-bit scale, signed.
int sample16(const WavLayout& layout, const std::uint8_t* s) {
  if (layout.coding == WavLayout::Coding::floating) {
    double v;
    if (layout.bitsPerSample == 32) {
      float f;
      const std::uint32_t bits = le32(s);
      std::memcpy(&f, &bits, sizeof f);
      v = f;
    } else {
      const std::uint64_t bits = le32(s) | (static_cast<std::uint64_t>(le32(s + 4)) << 32);
      std::memcpy(&v, &bits, sizeof v);
    }
    if (!(v == v)) return 0;  // NaN
    return static_cast<int>(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
  }
  switch (layout.bitsPerSample) {
    case 8:
      return (s[0] - 128) * 256;
    case 16:
      return static_cast<std::int16_t>(le16(s));
    // Wider samples keep their upper 16 bits.
    case 24:
      return static_cast<std::int16_t>(le16(s + 1));
    default:
      return static_cast<std::int16_t>(le16(s + 2));
  }
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

class RateChangingReader : public SoundFileReader {
 public:
  RateChangingReader(std::unique_ptr<SoundFileReader> sound, int playRate, int outputRate)
      : sound_(std::move(sound)),
        playRate_(static_cast<std::uint64_t>(playRate)),
        outputRate_(static_cast<std::uint64_t>(outputRate)),
        info_(sound_->info()) {
    info_.sampleRate = outputRate;
    info_.frames = sound_->info().frames * outputRate_ / playRate_;
  }

  const SoundFileInfo& info() const override { return info_; }

  Result<std::size_t> read(std::uint64_t frame, std::span<std::uint8_t> out) override {
    if (frame >= info_.frames) return std::size_t{0};
    const auto bytesPerFrame = static_cast<std::size_t>(info_.bytesPerFrame());
    const std::uint64_t sourceFrames = sound_->info().frames;
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(out.size() / bytesPerFrame, info_.frames - frame));
    std::size_t done = 0;
    while (done < wanted) {
      // A block of the sound's frames at the most, however fast it plays.
      const std::size_t block = static_cast<std::size_t>(
          std::max<std::uint64_t>(1, kBlockBytes / bytesPerFrame * outputRate_ / playRate_));
      const std::size_t n = std::min(wanted - done, block);
      const std::uint64_t j0 = frame + done;
      const std::uint64_t first = j0 * playRate_ / outputRate_;
      const std::uint64_t last =
          std::min(sourceFrames - 1, (j0 + n - 1) * playRate_ / outputRate_ + 1);
      source_.resize(static_cast<std::size_t>(last - first + 1) * bytesPerFrame);
      auto got = sound_->read(first, source_);
      if (!got) return got.error();
      if (*got == 0) break;
      for (std::size_t k = 0; k < n; ++k) {
        const std::uint64_t position = (j0 + k) * playRate_;
        const std::size_t i = static_cast<std::size_t>(position / outputRate_ - first);
        if (i >= *got) return done + k;
        const std::size_t i2 = std::min(i + 1, *got - 1);
        const double part = static_cast<double>(position % outputRate_) / outputRate_;
        std::uint8_t* o = out.data() + (done + k) * bytesPerFrame;
        for (int c = 0; c < info_.channels; ++c) {
          if (info_.bitsPerSample == 8) {
            const int a = source_[i * bytesPerFrame + c];
            const int b = source_[i2 * bytesPerFrame + c];
            o[c] = static_cast<std::uint8_t>(std::lround(a + (b - a) * part));
          } else {
            const int a = static_cast<std::int16_t>(le16(&source_[i * bytesPerFrame + 2 * c]));
            const int b = static_cast<std::int16_t>(le16(&source_[i2 * bytesPerFrame + 2 * c]));
            put16(o + 2 * c, static_cast<int>(std::lround(a + (b - a) * part)));
          }
        }
      }
      done += n;
    }
    return done;
  }

 private:
  std::unique_ptr<SoundFileReader> sound_;
  std::uint64_t playRate_;
  std::uint64_t outputRate_;
  SoundFileInfo info_;
  std::vector<std::uint8_t> source_;
};

}  // namespace

std::unique_ptr<SoundFileReader> playedAt(std::unique_ptr<SoundFileReader> sound, int playRate,
                                          int outputRate) {
  return std::make_unique<RateChangingReader>(std::move(sound), playRate, outputRate);
}

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
  info.channels = std::min(channels, 2);
  info.bitsPerSample = coding == Coding::integer && bitsPerSample == 8 ? 8 : 16;
  info.sampleRate = sampleRate;
  info.frames = frames;
  return info;
}

Result<WavLayout> readWavLayout(ByteSource& file) {
  const std::int64_t size = file.size();
  std::uint8_t head[12];
  if (!file.read(0, head) || !isId(head, "RIFF") || !isId(head + 8, "WAVE")) {
    return failure(kNotWav);
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
      // The subformat's GUID begins with the tag it stands for.
      if (tag == kFormatExtensible && present >= 26) tag = le16(fmt + 24);
      if (tag == kFormatFloat) {
        layout.coding = WavLayout::Coding::floating;
      } else if (tag != kFormatPcm) {
        return failure(std::string(kCompressed) + " (" + codingName(tag) + ")");
      }
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
  if (layout.channels < 1) return failure("the file names no channels");
  if (layout.channels > kMostChannels) {
    return failure(std::to_string(layout.channels) + " channels are more than can be mixed");
  }
  const int bits = layout.bitsPerSample;
  const bool known = layout.coding == WavLayout::Coding::floating
                         ? bits == 32 || bits == 64
                         : bits == 8 || bits == 16 || bits == 24 || bits == 32;
  if (!known) {
    return failure(std::to_string(bits) +
                   (layout.coding == WavLayout::Coding::floating ? "-bit floating-point" : "-bit") +
                   " samples cannot be played");
  }
  if (layout.sampleRate < 1) return failure("the sample rate is 0");
  // The frame size follows from the samples; a block alignment that says otherwise is
  // the header's mistake.
  layout.blockAlign = layout.channels * bits / 8;
  layout.frames = dataLength / static_cast<std::uint64_t>(layout.blockAlign);
  return layout;
}

bool refusedForCoding(const std::string& reason) {
  return reason.starts_with(kNotWav) || reason.starts_with(kCompressed);
}

bool WavLayout::deliveredAsStored() const {
  return coding == Coding::integer && channels <= 2 && (bitsPerSample == 8 || bitsPerSample == 16);
}

void deliverFrames(const WavLayout& layout, std::span<const std::uint8_t> raw, std::size_t frames,
                   std::span<std::uint8_t> out) {
  const auto stored = static_cast<std::size_t>(layout.blockAlign);
  frames = std::min(frames, raw.size() / stored);
  if (layout.deliveredAsStored()) {
    std::memcpy(out.data(), raw.data(), std::min(frames * stored, out.size()));
    return;
  }
  const SoundFileInfo info = layout.delivered();
  const auto delivered = static_cast<std::size_t>(info.bytesPerFrame());
  frames = std::min(frames, out.size() / delivered);
  const int bytes = layout.bitsPerSample / 8;
  int value[kMostChannels];
  for (std::size_t f = 0; f < frames; ++f) {
    const std::uint8_t* in = raw.data() + f * stored;
    for (int c = 0; c < layout.channels; ++c) value[c] = sample16(layout, in + c * bytes);
    int left = value[0];
    int right = layout.channels > 1 ? value[1] : 0;
    if (layout.channels > 2) {
      // Front left and right keep their sides; the rest (centre, bass, surround) is
      // shared by both, so that nothing of the sound is lost.
      long long rest = 0;
      for (int c = 2; c < layout.channels; ++c) rest += value[c];
      const int others = layout.channels - 2;
      left = static_cast<int>((left + rest) / (1 + others));
      right = static_cast<int>((right + rest) / (1 + others));
    }
    std::uint8_t* o = out.data() + f * delivered;
    if (info.bitsPerSample == 8) {
      o[0] = static_cast<std::uint8_t>((left >> 8) + 128);
      if (info.channels > 1) o[1] = static_cast<std::uint8_t>((right >> 8) + 128);
    } else {
      put16(o, left);
      if (info.channels > 1) put16(o + 2, right);
    }
  }
}

Result<std::unique_ptr<SoundFileReader>> openSoundFile(const std::filesystem::path& file) {
  auto source = std::make_unique<FileSource>(file);
  if (!source->opened()) return failure("cannot open " + file.string());
  auto layout = readWavLayout(*source);
  if (!layout) {
    if (!refusedForCoding(layout.error().message)) {
      return failure(file.string() + ": " + layout.error().message);
    }
    auto other = openWithSndfile(file);
    if (other) return other;
    return failure(file.string() + ": " + layout.error().message + "; " + other.error().message);
  }
  return std::unique_ptr<SoundFileReader>(
      std::make_unique<WavFileReader>(std::move(source), *layout));
}

}  // namespace tv
