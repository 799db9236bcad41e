// CPU cost of monitoring the input: the level tick at its default 10 ms,
// headless on the virtual clock, and the real program with its windows under
// Xvfb (when xvfb-run and the tonvogel binary are there).

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "bench/bench_program.h"
#include "tests/app/settings_lines.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRate = 11025;
constexpr int kSeconds = 600;

// Receiver noise well below the threshold: the meter works, nothing records.
std::vector<std::uint8_t> noise(int seconds) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> around(-6, 6);
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(seconds) * kRate);
  for (auto& s : samples) s = static_cast<std::uint8_t>(128 + around(random));
  return samples;
}

double headless() {
  tv::test::TempFolder input;
  const std::string wav = input.path() + "/noise.wav";
  tv::bench::writeWave(wav, kRate, noise(kSeconds));
  auto lines = tv::bench::benchSettings("");
  tv::bench::BenchProgram b(wav, lines);
  tv::Program& p = b.p();
  if (!p.levelMeter.isOpen()) {
    std::puts("headless: the meter did not open");
    return -1;
  }
  const double before = tv::bench::processCpuSeconds();
  b.t.loop.runFor(static_cast<std::int64_t>(kSeconds) * 1000);
  const double used = tv::bench::processCpuSeconds() - before;
  std::printf("headless: %d s of monitoring at a %d ms tick took %.3f s CPU: %.3f %% of one core\n",
              kSeconds, p.frm_DoKu.tmrPegel.interval(), used, 100.0 * used / kSeconds);
  return used / kSeconds;
}

// utime + stime of a process, in seconds.
double cpuOf(const std::string& statFile) {
  std::ifstream in(statFile);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void withWindows(const std::string& binary) {
  namespace fs = std::filesystem;
  if (binary.empty() || !fs::exists(binary)) {
    std::puts("windows: no tonvogel binary given (bench_meter PATH/TO/tonvogel); skipped");
    return;
  }
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) {
    std::puts("windows: xvfb-run is missing; skipped");
    return;
  }
  tv::test::TempFolder folder;
  const std::string dir = folder.path();
  tv::bench::writeWave(dir + "/noise.wav", kRate, noise(120));
  tv::test::writeSettings(dir + "/Tonvogel.ini", tv::bench::benchSettings(dir));
  constexpr int kWarmUp = 5;
  constexpr int kMeasured = 30;
  const std::string script =
      "xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '" + binary + " --program-folder " + dir +
      " --input-file " + dir + "/noise.wav >/dev/null 2>&1 & pid=$!; sleep " +
      std::to_string(kWarmUp) + "; cat /proc/$pid/stat > " + dir + "/a; sleep " +
      std::to_string(kMeasured) + "; cat /proc/$pid/stat > " + dir + "/b; kill $pid; wait'";
  if (std::system(script.c_str()) != 0 && !fs::exists(dir + "/b")) {
    std::puts("windows: the program did not run under Xvfb");
    return;
  }
  const double used = cpuOf(dir + "/b") - cpuOf(dir + "/a");
  std::printf("windows (Qt, Xvfb): %d s of monitoring took %.3f s CPU: %.3f %% of one core\n",
              kMeasured, used, 100.0 * used / kMeasured);
}

}  // namespace

int main(int argc, char** argv) {
  std::puts("bench_meter: CPU per second of monitoring, default 10 ms tick");
  std::puts("targets: headless under 1 %, with windows under 3 %");
  // The program makes its folder the working directory; that folder goes with it.
  const auto folder = std::filesystem::current_path();
  headless();
  std::filesystem::current_path(folder);
  withWindows(argc > 1 ? argv[1] : "");
  return 0;
}
