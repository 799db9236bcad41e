#include "platform/sndfile/sndfile_archive_writer.h"

#include <fcntl.h>
#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace tv {

namespace {

struct CloseSoundFile {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, CloseSoundFile>;

struct DeleteResampler {
  void operator()(SRC_STATE* state) const { src_delete(state); }
};

constexpr sf_count_t kBlockFrames = 4096;
constexpr double kOpusSpeechLevel = 0.99;

// FLAC holds integers of 8, 16 or 24 bits: the source's width, or the nearest above.
int flacSubtype(int sourceFormat) {
  switch (sourceFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_S8:
      return SF_FORMAT_PCM_S8;
    case SF_FORMAT_PCM_16:
      return SF_FORMAT_PCM_16;
    default:
      return SF_FORMAT_PCM_24;
  }
}

// Integers from one file to the other: libsndfile scales both sides by the same
// power of two, so every sample keeps its value (an unsigned 8-bit one less 128).
bool copyExactly(SNDFILE* from, SNDFILE* to, int channels) {
  std::vector<int> block(static_cast<std::size_t>(kBlockFrames * channels));
  for (;;) {
    const sf_count_t got = sf_readf_int(from, block.data(), kBlockFrames);
    if (got <= 0) return true;
    if (sf_writef_int(to, block.data(), got) != got) return false;
  }
}

bool copyResampled(SNDFILE* from, SNDFILE* to, int channels, double ratio, std::string& problem) {
  int error = 0;
  std::unique_ptr<SRC_STATE, DeleteResampler> state(
      src_new(SRC_SINC_MEDIUM_QUALITY, channels, &error));
  if (!state) {
    problem = src_strerror(error);
    return false;
  }
  const auto blockSamples = static_cast<std::size_t>(kBlockFrames * channels);
  std::vector<float> in(blockSamples);
  std::vector<float> out(static_cast<std::size_t>((kBlockFrames * ratio + 16) * channels));
  bool ended = false;
  while (!ended) {
    const sf_count_t got = sf_readf_float(from, in.data(), kBlockFrames);
    ended = got < kBlockFrames;
    SRC_DATA data{};
    data.data_in = in.data();
    data.input_frames = static_cast<long>(got);
    data.src_ratio = ratio;
    data.end_of_input = ended ? 1 : 0;
    // The resampler may keep part of the input back; it is offered again.
    do {
      data.data_out = out.data();
      data.output_frames = static_cast<long>(out.size() / static_cast<std::size_t>(channels));
      if ((error = src_process(state.get(), &data)) != 0) {
        problem = src_strerror(error);
        return false;
      }
      if (data.output_frames_gen > 0 &&
          sf_writef_float(to, out.data(), data.output_frames_gen) != data.output_frames_gen) {
        problem = sf_strerror(to);
        return false;
      }
      data.data_in += data.input_frames_used * channels;
      data.input_frames -= data.input_frames_used;
    } while (data.input_frames > 0 || (ended && data.output_frames_gen > 0));
  }
  return true;
}

}  // namespace

int opusRate(int rate) {
  for (int allowed : {8000, 12000, 16000, 24000, 48000})
    if (rate <= allowed) return allowed;
  return 48000;
}

Result<void> SndfileArchiveWriter::write(const std::string& source, const std::string& target,
                                         ArchiveFormat format) {
  SF_INFO in{};
  SoundFile from(sf_open(source.c_str(), SFM_READ, &in));
  if (!from) return failure(source + ": " + sf_strerror(nullptr));

  SF_INFO out{};
  out.channels = in.channels;
  out.samplerate = in.samplerate;
  switch (format) {
    case ArchiveFormat::Flac:
      out.format = SF_FORMAT_FLAC | flacSubtype(in.format);
      break;
    case ArchiveFormat::Opus:
      out.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
      out.samplerate = opusRate(in.samplerate);
      break;
    case ArchiveFormat::Mp3:
      out.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
      break;
    case ArchiveFormat::Wav:
      return failure(target + ": a WAV copy is not written here");
  }

  const std::string part = target + ".part";
  bool written = false;
  std::string problem;
  {
    SoundFile to(sf_open(part.c_str(), SFM_WRITE, &out));
    if (!to) {
      const std::string why = sf_strerror(nullptr);
      std::remove(part.c_str());
      return failure(target + ": " + why);
    }
    if (format == ArchiveFormat::Opus) {
      // libsndfile spreads the level over 6 to 256 kbit/s; left alone it writes some
      // 25 kbit/s. Speech is clear at some 8, under a tenth of a recording at 11025 Hz.
      double level = kOpusSpeechLevel;
      sf_command(to.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    }
    if (out.samplerate == in.samplerate) {
      written = copyExactly(from.get(), to.get(), in.channels);
      if (!written) problem = sf_strerror(to.get());
    } else {
      written = copyResampled(from.get(), to.get(), in.channels,
                              static_cast<double>(out.samplerate) / in.samplerate, problem);
    }
    // The encoders write their last frames and headers as the file is closed.
    if (sf_close(to.release()) != 0 && written) {
      written = false;
      problem = "the file could not be completed";
    }
  }
  // Synced before the rename: a power cut leaves the name with the whole copy or none.
  if (written) {
    const int fd = ::open(part.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
      written = false;
      problem = "cannot be synced to the disk";
    }
    if (fd >= 0) ::close(fd);
  }
  if (written && std::rename(part.c_str(), target.c_str()) != 0) {
    written = false;
    problem = "cannot be renamed into place";
  }
  if (!written) {
    std::remove(part.c_str());
    return failure(target + ": " + problem);
  }
  return success();
}

}  // namespace tv
