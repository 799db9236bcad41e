#include "tests/support/sndfile/sound_writer.h"

#include <sndfile.h>

namespace tv::test {
namespace {

int formatFor(const std::string& name) {
  const auto endsWith = [&name](const char* tail) { return name.ends_with(tail); };
  if (endsWith(".flac")) return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
  if (endsWith(".ogg")) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  if (endsWith(".opus")) return SF_FORMAT_OGG | SF_FORMAT_OPUS;
  if (endsWith(".mp3")) return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
  if (endsWith(".w64")) return SF_FORMAT_W64 | SF_FORMAT_PCM_16;
  if (endsWith(".rf64")) return SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
  if (endsWith(".ulaw.wav")) return SF_FORMAT_WAV | SF_FORMAT_ULAW;
  if (endsWith(".ima.wav")) return SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM;
  return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

}  // namespace

std::string writeSoundFile(const std::filesystem::path& file, int channels, int rate,
                           const std::vector<std::int16_t>& samples) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = rate;
  info.format = formatFor(file.filename().string());
  if (!sf_format_check(&info)) return "libsndfile cannot write " + file.string();
  SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
  if (!out) return sf_strerror(nullptr);
  const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / channels;
  const sf_count_t written = sf_writef_short(out, samples.data(), frames);
  std::string problem = written == frames ? "" : sf_strerror(out);
  sf_close(out);
  return problem;
}

}  // namespace tv::test
