#include "platform/sndfile/sndfile_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace tv {
namespace {

// Frames asked of libsndfile at once, so that a reader holds little whatever it is
// asked for.
constexpr std::size_t kBlockFrames = 8192;

void put16(std::uint8_t* b, int v) {
  b[0] = static_cast<std::uint8_t>(v & 0xFF);
  b[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

class SndfileReader : public SoundFileReader {
 public:
  SndfileReader(SNDFILE* file, const SF_INFO& sf) : file_(file), stored_(sf.channels) {
    info_.channels = std::min(sf.channels, 2);
    info_.bitsPerSample = 16;
    info_.sampleRate = sf.samplerate;
    info_.frames = sf.frames > 0 ? static_cast<std::uint64_t>(sf.frames) : 0;
  }
  ~SndfileReader() override { sf_close(file_); }
  SndfileReader(const SndfileReader&) = delete;
  SndfileReader& operator=(const SndfileReader&) = delete;

  const SoundFileInfo& info() const override { return info_; }

  Result<std::size_t> read(std::uint64_t frame, std::span<std::uint8_t> out) override {
    if (frame >= info_.frames) return std::size_t{0};
    const auto delivered = static_cast<std::size_t>(info_.bytesPerFrame());
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(out.size() / delivered, info_.frames - frame));
    // Reading on from where the last read ended needs no seek, which costs much in a
    // compressed stream.
    if (frame != position_) {
      if (sf_seek(file_, static_cast<sf_count_t>(frame), SEEK_SET) < 0) {
        return failure(std::string("the sound file cannot be read: ") + sf_strerror(file_));
      }
      position_ = frame;
    }
    std::size_t done = 0;
    while (done < wanted) {
      const std::size_t n = std::min(wanted - done, kBlockFrames);
      samples_.resize(n * static_cast<std::size_t>(stored_));
      const sf_count_t got = sf_readf_short(file_, samples_.data(), static_cast<sf_count_t>(n));
      if (got <= 0) break;  // a stream shorter than its header said ends here
      deliver(static_cast<std::size_t>(got), out.subspan(done * delivered));
      done += static_cast<std::size_t>(got);
      position_ += static_cast<std::uint64_t>(got);
    }
    return done;
  }

 private:
  void deliver(std::size_t frames, std::span<std::uint8_t> out) {
    for (std::size_t f = 0; f < frames; ++f) {
      const short* s = samples_.data() + f * static_cast<std::size_t>(stored_);
      int left = s[0];
      int right = stored_ > 1 ? s[1] : 0;
      if (stored_ > 2) {
        // Front left and right keep their sides; the rest is shared by both.
        long long rest = 0;
        for (int c = 2; c < stored_; ++c) rest += s[c];
        left = static_cast<int>((left + rest) / (stored_ - 1));
        right = static_cast<int>((right + rest) / (stored_ - 1));
      }
      std::uint8_t* o = out.data() + f * static_cast<std::size_t>(info_.bytesPerFrame());
      put16(o, left);
      if (info_.channels > 1) put16(o + 2, right);
    }
  }

  SNDFILE* file_;
  int stored_;
  SoundFileInfo info_;
  std::uint64_t position_ = 0;
  std::vector<short> samples_;
};

}  // namespace

Result<std::unique_ptr<SoundFileReader>> openWithSndfile(const std::filesystem::path& file) {
  SF_INFO sf{};
  SNDFILE* opened = sf_open(file.c_str(), SFM_READ, &sf);
  if (!opened) return failure(sf_strerror(nullptr));
  if (sf.channels < 1 || sf.samplerate < 1) {
    sf_close(opened);
    return failure("the file holds no sound");
  }
  return std::unique_ptr<SoundFileReader>(std::make_unique<SndfileReader>(opened, sf));
}

}  // namespace tv
