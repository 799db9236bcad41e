#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file/file_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::bench {

// The whole program on the virtual clock with a WAV file as its input, as the
// scenario tests run it.
struct BenchProgram {
  // `lines` is a settings file; see freshSettingsLines. Takes are written where their
  // samples are delivered unless `takeWriterThreads`, as in the program.
  BenchProgram(const std::string& inputWav, const std::vector<std::string>& lines,
               bool takeWriterThreads = false, WorkerFactory makeWorker = {});
  Program& p() { return t.p(); }

  test::TestProgram t;
  std::unique_ptr<FileSoundSystem> sound;
};

// Settings for a bench: the recorder on at start, no dated tree.
std::vector<std::string> benchSettings(const std::string& folder);

// CPU time of this process in seconds.
double processCpuSeconds();

// A field of /proc/self/status in kB (VmRSS, VmHWM); -1 when it cannot be read.
long statusKb(const char* field);

void writeWave(const std::string& path, int rate, const std::vector<std::uint8_t>& samples);

}  // namespace tv::bench
