// Ten minutes of 44,100 Hz audio into one capture: through the file input,
// paced by the clock and read by a 10 ms tick as the meter reads it, and
// through ALSA's file device as fast as it delivers. Counts samples dropped
// or doubled, and for the file input how long a sample waits from its
// arrival until the tick that sees it.
//
//   bench_capture --server [SECONDS]
// instead captures SECONDS (600) of 11,025 Hz in real time from ALSA's
// `default` through a sound server (run it under tests/support/pulse/with_pulse.sh)
// and counts the overruns and the samples lost in them.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_program.h"
#include "platform/file/file_sound_system.h"
#include "platform/posix/posix_take_file.h"
#include "platform/sound/mci.h"
#include "platform/sound/wav_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/virtual_clock.h"
#ifdef TONVOGEL_BENCH_ALSA
#include "platform/alsa/alsa_sound_system.h"
#include "platform/posix/real_clock.h"
#include "tests/support/sound/manual_clock.h"
#endif

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 600;

std::vector<std::uint8_t> program() {
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(kRate) * kSeconds);
  std::uint32_t x = 12345;
  for (auto& s : samples) {
    x = x * 1664525u + 1013904223u;
    s = static_cast<std::uint8_t>(x >> 24);
  }
  return samples;
}

// Samples missing and samples extra, after aligning the capture to the input.
void compare(const char* what, const std::vector<std::uint8_t>& input,
             const std::vector<std::uint8_t>& captured) {
  const std::size_t common = std::min(input.size(), captured.size());
  std::size_t firstDifference = common;
  for (std::size_t i = 0; i < common; ++i) {
    if (input[i] != captured[i]) {
      firstDifference = i;
      break;
    }
  }
  const long long dropped =
      captured.size() < input.size() ? static_cast<long long>(input.size() - captured.size()) : 0;
  const long long doubled =
      captured.size() > input.size() ? static_cast<long long>(captured.size() - input.size()) : 0;
  std::printf(
      "%s: %zu samples in, %zu captured; dropped %lld, doubled %lld, %s\n", what, input.size(),
      captured.size(), dropped, doubled,
      firstDifference == common ? "every sample in order" : "samples differ from the input");
}

std::vector<std::uint8_t> saved(tv::Mci& mci, const std::string& file) {
  mci.sendString("stop capture wait ");
  mci.sendString("save capture wait " + file);
  auto wave = tv::readPcmWave(file);
  return wave ? wave->data : std::vector<std::uint8_t>{};
}

void fileInput(const std::vector<std::uint8_t>& input, const std::string& dir) {
  tv::test::VirtualClock clock;
  tv::FileSoundSystem sound(dir + "/in.wav", clock);
  auto opened = sound.openInput("in.wav", kRate);
  if (!opened) {
    std::puts("file input: cannot open");
    return;
  }
  std::shared_ptr<tv::CaptureStream> stream = *opened;
  tv::PosixTakeFiles takeFiles;
  tv::Mci mci(sound, &takeFiles);
  mci.setInputStream(stream);
  mci.sendString("open new type waveaudio alias capture ");
  mci.setCaptureStart(0);
  mci.sendString("record capture ");
  const std::int64_t openedAt = clock.monotonicMs();
  // Waits in steps of 0.01 ms, every sample counted.
  std::vector<std::uint64_t> histogram(100'001);
  std::uint64_t seen = 0;
  std::uint64_t counted = 0;
  double waitSum = 0;
  double waitMax = 0;
  for (int tick = 1; tick <= kSeconds * 100; ++tick) {
    clock.advance(10);
    const std::uint64_t now = stream->produced();
    const double tickMs = static_cast<double>(clock.monotonicMs() - openedAt);
    // Sample n is due at n / rate; this tick is the first to see it.
    for (std::uint64_t n = seen; n < now; ++n) {
      const double wait = tickMs - 1000.0 * static_cast<double>(n) / kRate;
      waitSum += wait;
      waitMax = std::max(waitMax, wait);
      ++histogram[std::min<std::size_t>(static_cast<std::size_t>(wait * 100), 100'000)];
      ++counted;
    }
    seen = now;
  }
  const auto captured = saved(mci, "file.wav");
  compare("file input (paced)", input,
          std::vector<std::uint8_t>(captured.begin(),
                                    captured.begin() + std::min(captured.size(), input.size())));
  double median = 0;
  for (std::uint64_t i = 0, sum = 0; i < histogram.size(); ++i) {
    sum += histogram[i];
    if (sum * 2 >= counted) {
      median = static_cast<double>(i) / 100;
      break;
    }
  }
  std::printf(
      "file input: arrival to the tick that sees it: mean %.2f ms, median %.2f ms, max %.2f ms "
      "(10 ms tick)\n",
      waitSum / static_cast<double>(counted), median, waitMax);
}

#ifdef TONVOGEL_BENCH_ALSA
void alsaInput(const std::vector<std::uint8_t>& input, const std::string& dir) {
  {
    std::ofstream raw(dir + "/in.raw", std::ios::binary);
    raw.write(reinterpret_cast<const char*>(input.data()),
              static_cast<std::streamsize>(input.size()));
  }
  std::ofstream(dir + "/alsa.conf")
      << "pcm.tvbench { type file slave.pcm \"null\" format \"raw\" infile \"" << dir
      << "/in.raw\" file \"/dev/null\" hint { show on description \"Bench capture\" } }\n";
  ::setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + dir + "/alsa.conf").c_str(), 1);
  tv::ManualClock clock;
  tv::AlsaOptions options;
  tv::AlsaSoundSystem sound(clock, options);
  auto opened = sound.openInput("tvbench", kRate);
  if (!opened) {
    std::printf("ALSA file device: %s\n", opened.error().message.c_str());
    return;
  }
  std::shared_ptr<tv::CaptureStream> stream = *opened;
  tv::PosixTakeFiles takeFiles;
  tv::Mci mci(sound, &takeFiles);
  mci.setInputStream(stream);
  mci.sendString("open new type waveaudio alias capture ");
  mci.setCaptureStart(0);
  mci.sendString("record capture ");
  // Not paced: the clock is put far ahead, the device delivers as fast as it can.
  clock.advance(static_cast<std::int64_t>(kSeconds) * 2000);
  const auto started = std::chrono::steady_clock::now();
  while (stream->produced() < input.size() &&
         std::chrono::steady_clock::now() - started < std::chrono::seconds(120)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  auto captured = saved(mci, "alsa.wav");
  if (captured.size() > input.size()) captured.resize(input.size());
  compare("ALSA file device (not paced)", input, captured);
  std::printf("ALSA file device: %d s of sound delivered in %.2f s\n", kSeconds, took);
}

int serverInput(int seconds) {
  constexpr int kServerRate = 11025;
  tv::RealClock clock;
  tv::AlsaSoundSystem sound(clock);
  auto opened = sound.openInput("default", kServerRate);
  if (!opened) {
    std::printf("sound server: %s\n", opened.error().message.c_str());
    return 1;
  }
  std::shared_ptr<tv::CaptureStream> stream = *opened;
  auto tap = stream->openTap();
  std::vector<std::uint8_t> taken;
  std::array<std::uint8_t, tv::kMeterBlockBytes> block{};
  const auto started = std::chrono::steady_clock::now();
  const std::uint64_t atStart = stream->produced();
  // Read as the meter and a take read it: the newest block and a tap every 10 ms.
  while (std::chrono::steady_clock::now() - started < std::chrono::seconds(seconds)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stream->newestBlock(block);
    taken.clear();
    tap->drainInto(taken);
    if (!stream->status()) break;
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::uint64_t lost = 0;
  for (const auto& gap : stream->gaps()) lost += gap.samples;
  const std::uint64_t delivered = stream->produced() - atStart;
  std::printf(
      "sound server, %d s of %d Hz from `default`: %zu overruns, %llu samples lost (target 0); "
      "%llu samples delivered in %.1f s, %.1f per second%s\n",
      seconds, kServerRate, stream->gaps().size(), static_cast<unsigned long long>(lost),
      static_cast<unsigned long long>(delivered), elapsed, static_cast<double>(delivered) / elapsed,
      stream->status() ? "" : " (the input failed)");
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--server") {
#ifdef TONVOGEL_BENCH_ALSA
    return serverInput(argc > 2 ? std::atoi(argv[2]) : kSeconds);
#else
    std::puts("sound server: built without ALSA");
    return 1;
#endif
  }
  std::puts("bench_capture: 10 minutes of 44,100 Hz into one capture; target 0 dropped, 0 doubled");
  tv::test::TempFolder folder;
  const std::string dir = folder.path();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  const auto input = program();
  tv::bench::writeWave(dir + "/in.wav", kRate, input);
  fileInput(input, dir);
#ifdef TONVOGEL_BENCH_ALSA
  alsaInput(input, dir);
#else
  std::puts("ALSA file device: built without ALSA; skipped");
#endif
  std::filesystem::current_path(previous);
  return 0;
}
