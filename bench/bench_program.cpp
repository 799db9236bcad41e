#include "bench/bench_program.h"

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"

namespace tv::bench {

BenchProgram::BenchProgram(const std::string& inputWav, const std::vector<std::string>& lines,
                           bool takeWriterThreads, WorkerFactory makeWorker) {
  sound = std::make_unique<FileSoundSystem>(inputWav, t.clock);
  t.sound = sound.get();
  t.takeWriterThreads = takeWriterThreads;
  t.makeWorker = std::move(makeWorker);
  auto settings = lines;
  if (test::line(settings, 2).empty()) test::line(settings, 2) = t.folder();
  test::writeSettings(t.file("Tonvogel.ini"), settings);
  t.build();
  t.p().startUp();
}

std::vector<std::string> benchSettings(const std::string& folder) {
  auto lines = test::freshSettingsLines(folder);
  test::line(lines, 16) = "1";
  test::line(lines, 19) = "0";
  return lines;
}

double processCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

long statusKb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string wanted = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(wanted, 0) == 0) return std::strtol(line.c_str() + wanted.size(), nullptr, 10);
  }
  return -1;
}

void writeWave(const std::string& path, int rate, const std::vector<std::uint8_t>& samples) {
  (void)writeMonoU8Wave(path, rate, samples);
}

}  // namespace tv::bench
