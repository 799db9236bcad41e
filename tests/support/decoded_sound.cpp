#include "tests/support/decoded_sound.h"

#include <sndfile.h>

namespace tv::test {

std::optional<DecodedSound> decodeSoundFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return std::nullopt;
  DecodedSound sound;
  sound.format = info.format;
  sound.rate = info.samplerate;
  sound.channels = info.channels;
  std::vector<int> block(4096 * static_cast<std::size_t>(info.channels));
  sf_count_t got = 0;
  while ((got = sf_readf_int(file, block.data(), 4096)) > 0)
    sound.samples.insert(sound.samples.end(), block.begin(), block.begin() + got * info.channels);
  sf_close(file);
  return sound;
}

bool writeWave16(const std::string& path, int rate, const std::vector<short>& samples) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const auto count = static_cast<sf_count_t>(samples.size());
  const bool written = sf_write_short(file, samples.data(), count) == count;
  return sf_close(file) == 0 && written;
}

}  // namespace tv::test
