// What each archive format costs: the time to write ten minutes of a net's speech and
// the size of the copy against the WAV in W, at the recorder's rates.
//
//   bench_archive [SECONDS]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sndfile/sndfile_archive_writer.h"
#include "platform/sound/wav_file.h"
#include "tests/support/temp_folder.h"

namespace {

// Speech-like sound as an FM receiver gives it: voiced syllables (a wandering pitch with
// its harmonics up to 3 kHz) of a quarter second, short gaps, a faint hiss beneath.
std::vector<std::uint8_t> netSpeech(int rate, int seconds) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(rate) * seconds);
  std::uint32_t noise = 99;
  double phase = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double syllable = std::fmod(t, 0.33);
    const double envelope = syllable < 0.25 ? std::sin(M_PI * syllable / 0.25) : 0;
    const double pitch = 150 + 50 * std::sin(2 * M_PI * 0.7 * t);
    phase += 2 * M_PI * pitch / rate;
    double voice = 0;
    for (int h = 1; h * pitch < 3000 && h < 20; ++h) voice += std::sin(h * phase) / h;
    noise = noise * 1664525u + 1013904223u;
    const double hiss = 0.02 * (static_cast<double>(noise >> 16) / 32768.0 - 1);
    const double v = std::clamp(0.55 * envelope * voice + hiss, -1.0, 1.0);
    out[i] = static_cast<std::uint8_t>(std::lround(127.5 + 127.5 * v));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 600;
  tv::test::TempFolder temp;
  tv::SndfileArchiveWriter writer;
  std::printf("%d s of speech per rate\n%-6s %-6s %12s %8s %10s %12s\n", seconds, "rate", "format",
              "bytes", "of WAV", "write ms", "x real time");
  for (int rate : {8000, 11025, 22050, 44100}) {
    const std::string wave = temp.path() + "/take.wav";
    if (!tv::writeMonoU8Wave(wave, rate, netSpeech(rate, seconds))) return 1;
    const auto waveBytes = std::filesystem::file_size(wave);
    std::printf("%-6d %-6s %12ju %7.1f%% %10s %12s\n", rate, "wav",
                static_cast<std::uintmax_t>(waveBytes), 100.0, "-", "-");
    for (tv::ArchiveFormat format :
         {tv::ArchiveFormat::Flac, tv::ArchiveFormat::Opus, tv::ArchiveFormat::Mp3}) {
      const std::string target = temp.path() + "/take" + std::string(tv::archiveExtension(format));
      const auto start = std::chrono::steady_clock::now();
      const tv::Result<void> written = writer.write(wave, target, format);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      if (!written) {
        std::printf("%-6d %-6s failed: %s\n", rate, tv::archiveExtension(format).data() + 1,
                    written.error().message.c_str());
        continue;
      }
      const auto bytes = std::filesystem::file_size(target);
      std::printf("%-6d %-6s %12ju %7.1f%% %10.0f %12.0f\n", rate,
                  tv::archiveExtension(format).data() + 1, static_cast<std::uintmax_t>(bytes),
                  100.0 * static_cast<double>(bytes) / static_cast<double>(waveBytes), ms,
                  seconds * 1000.0 / ms);
    }
  }
  return 0;
}
