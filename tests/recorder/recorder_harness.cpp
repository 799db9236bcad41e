#include "tests/recorder/recorder_harness.h"

#include <algorithm>
#include <filesystem>

#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"

namespace tv::test {

RecorderHarness::RecorderHarness() {
  lines = freshSettingsLines(t.folder());
  line(lines, 10) = "6";   // minimum 6 s
  line(lines, 11) = "60";  // maximum 60 s
  line(lines, 12) = "4";   // pause after silence 4 s, the least the settings window takes
  line(lines, 16) = "1";   // the recorder starts with the program
  line(lines, 19) = "1";   // dated tree on
}

void RecorderHarness::silence(int ms) {
  input.insert(input.end(), at(ms), 128);
}

void RecorderHarness::burst(int ms) {
  const std::size_t n = at(ms);
  const std::size_t base = input.size();
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t h = (base + i + 1) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    const int swing = 90 + static_cast<int>(h % 37);
    input.push_back(static_cast<std::uint8_t>(i % 2 ? 127 + swing : 127 - swing));
  }
}

void RecorderHarness::soft(int ms, int swing) {
  const std::size_t n = at(ms);
  for (std::size_t i = 0; i < n; ++i) {
    const int step = static_cast<int>((i * 7) % static_cast<std::size_t>(swing)) + 1;
    input.push_back(static_cast<std::uint8_t>(i % 2 ? 128 + step : 128 - step));
  }
}

void RecorderHarness::twoTransmissions() {
  silence(200);
  burst(5000);
  silence(15'000);
  burst(5000);
}

Program& RecorderHarness::start() {
  // Silence after the script, so that the program never runs past the input.
  silence(600'000);
  (void)writeMonoU8Wave(t.file("input.wav"), kRate, input);
  sound = std::make_unique<FileSoundSystem>(t.file("input.wav"), t.clock);
  t.sound = sound.get();
  writeSettings(t.file("Tonvogel.ini"), lines);
  t.build();
  t.p().startUp();
  return t.p();
}

long long RecorderHarness::positionInInput(const std::vector<std::uint8_t>& samples) const {
  if (samples.empty()) return -1;
  const auto found = std::search(input.begin(), input.end(), samples.begin(), samples.end());
  if (found == input.end()) return -1;
  return found - input.begin();
}

std::vector<std::uint8_t> RecorderHarness::samplesOf(const std::string& path) const {
  auto wave = readPcmWave(path);
  return wave ? wave->data : std::vector<std::uint8_t>{};
}

std::vector<std::string> RecorderHarness::captureCommands() const {
  std::vector<std::string> commands;
  for (const auto& entry : t.program->mci.log())
    if (entry.command.find("capture") != std::string::npos) commands.push_back(entry.command);
  return commands;
}

std::vector<std::string> RecorderHarness::filesIn(const std::string& folder) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec))
    if (e.path().extension() == ".wav") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tv::test
