// How long the sound list takes to rebuild, and the start-up up to the shown main window,
// with 100, 1,000 and 10,000 recordings in the collecting folder. Runs headless on the
// test stand-ins; the files are fresh, so they are read from the page cache.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/test_program.h"

namespace {

using Clock = std::chrono::steady_clock;
using tv::test::line;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// `count` recordings of network 1 over the last two days, 30 s each, plus as many of
// network 2 that the list must pass over.
void fill(const std::string& w, int count) {
  std::filesystem::create_directories(w);
  tv::test::WavBytes wav;
  wav.canonicalStart(1, 11025, 8).id("data").u32(30 * 11025).fill(16, 128);
  for (int network = 1; network <= 2; ++network) {
    for (int i = 0; i < count; ++i) {
      const int day = 6 + i % 2;
      const int second = i / 2;
      char name[40];
      std::snprintf(name, sizeof name, "%d_12-%02d-2026_%02d-%02d-%02d.wav", network, day,
                    second / 3600, second / 60 % 60, second % 60);
      wav.writeTo(w + "/" + name);
    }
  }
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  std::printf("%10s %14s %14s %14s %12s\n", "recordings", "start-up ms", "rebuild ms",
              "per file us", "listed");
  for (int count : {100, 1000, 10000}) {
    tv::test::TestProgram t;
    std::vector<std::string> lines = tv::test::freshSettingsLines(t.folder());
    line(lines, 16) = std::string("0");
    tv::test::writeSettings(t.file("Tonvogel.ini"), lines);
    fill(t.file("W"), count);

    const auto started = Clock::now();
    t.build();
    if (!t.p().startUp() || !t.p().frm_DoKu.visible()) {
      std::printf("start-up failed\n");
      return 1;
    }
    const double startUpMs = msSince(started);

    std::vector<double> rebuilds;
    for (int run = 0; run < 7; ++run) {
      const auto begin = Clock::now();
      t.p().recordingIndex.rebuildSoundList();
      rebuilds.push_back(msSince(begin));
    }
    const double rebuildMs = median(rebuilds);
    const double perFile = rebuildMs * 1000 / (2.0 * count);
    std::printf("%10d %14.1f %14.2f %14.2f %12d\n", count, startUpMs, rebuildMs, perFile,
                t.p().frm_DoKu.lb_Sounds.listCount());
  }
  std::printf(
      "(each folder also holds as many recordings of another network; per file counts "
      "both)\n");

  // The other way round: every recording is due, and the start-up deletes them all.
  tv::test::TestProgram t;
  std::vector<std::string> lines = tv::test::freshSettingsLines(t.folder());
  line(lines, 16) = std::string("0");
  line(lines, 14) = std::string("0");
  tv::test::writeSettings(t.file("Tonvogel.ini"), lines);
  fill(t.file("W"), 10000);
  const auto started = Clock::now();
  t.build();
  t.p().startUp();
  std::printf("start-up deleting 10000 due recordings: %.1f ms, %d left listed\n", msSince(started),
              t.p().frm_DoKu.lb_Sounds.listCount());
  return 0;
}
