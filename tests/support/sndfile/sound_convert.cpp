// tv_sound_convert IN OUT [RATE]: the sound of IN (anything libsndfile reads) written into
// OUT in the format its extension names, as tests/support/sndfile/sound_writer.h lists;
// at RATE when given (each sample taken from the nearest earlier one: for formats that
// refuse the rate of IN, not for listening).

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/sndfile/sound_writer.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: tv_sound_convert IN OUT [RATE]\n");
    return 2;
  }
  SF_INFO info{};
  SNDFILE* in = sf_open(argv[1], SFM_READ, &info);
  if (!in) {
    std::fprintf(stderr, "%s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  std::vector<std::int16_t> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_short(in, samples.data(), info.frames);
  sf_close(in);
  int rate = info.samplerate;
  if (argc == 4) {
    rate = std::atoi(argv[3]);
    if (rate < 1) return 2;
    const auto frames = static_cast<std::size_t>(info.frames * rate / info.samplerate);
    std::vector<std::int16_t> resampled(frames * static_cast<std::size_t>(info.channels));
    for (std::size_t f = 0; f < frames; ++f)
      for (int c = 0; c < info.channels; ++c)
        resampled[f * info.channels + c] =
            samples[(f * info.samplerate / rate) * info.channels + c];
    samples.swap(resampled);
  }
  const std::string problem = tv::test::writeSoundFile(argv[2], info.channels, rate, samples);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s: %s\n", argv[2], problem.c_str());
    return 1;
  }
  return 0;
}
