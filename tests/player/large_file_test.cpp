// A long recording of another program opened in the playback window while the station
// records, in real time: the program on a loop of its own, its workers on threads, the
// net coming from a WAV file as --input-file brings it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/file/file_sound_system.h"
#include "platform/posix/posix_take_file.h"
#include "platform/posix/real_clock.h"
#include "platform/sound/wav_file.h"
#include "platform/worker.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/real_time_loop.h"
#include "tests/support/scripted_services.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44'100;

// Loud and varied, so that every stretch of it is found again only where it was.
std::vector<std::uint8_t> transmission(int ms) {
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(ms) * kRate / 1000);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::uint64_t h = (i + 1) * 0x9E3779B97F4A7C15ull;
    h ^= h >> 29;
    const int swing = 90 + static_cast<int>(h % 37);
    samples[i] = static_cast<std::uint8_t>(i % 2 ? 127 + swing : 127 - swing);
  }
  return samples;
}

std::vector<std::string> recordingsIn(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() == ".wav") found.push_back(e.path().string());
  return found;
}

// The recorder's look-back reaches only as far as the input ring holds, three seconds at
// 44.1 kHz: a program that stopped for longer while it opened a file would miss the
// beginning of a transmission that began meanwhile, or all of a short one.
TEST(LargeFile, OpenedWhileATransmissionArrivesTheTransmissionIsFiledWhole) {
  TempFolder folder;
  const std::string big = folder.path() + "/long net.wav";
  // 45 minutes of 16-bit stereo, close to half a gigabyte.
  writeLongWave(big, 2, kRate, 45 * 60);

  // A short transmission: a program that is busy while it comes and goes never hears it.
  const std::vector<std::uint8_t> sent = transmission(2000);
  std::vector<std::uint8_t> net((9 + 60) * kRate + sent.size(), 128);
  std::copy(sent.begin(), sent.end(), net.begin() + 9 * kRate);
  const std::string input = folder.path() + "/input.wav";
  ASSERT_TRUE(writeMonoU8Wave(input, kRate, net));

  auto lines = freshSettingsLines(folder.path());
  line(lines, 4) = "44100";
  line(lines, 10) = "3";  // minimum 3 s
  line(lines, 12) = "4";  // pause after silence 4 s
  line(lines, 16) = "1";  // the recorder starts with the program
  line(lines, 19) = "0";  // no dated tree
  writeSettings(folder.path() + "/Tonvogel.ini", lines);

  RealClock clock;
  RealTimeLoop loop;
  ScriptedServices services;
  FakeShell shell(folder.path() + "/home");
  FileSoundSystem sound(input, clock);
  Platform platform{clock, loop, services, shell, nullptr, nullptr, &sound, {}};
  platform.makeWorker = [&loop](std::string_view) { return makeThreadWorker(loop); };
  // Takes are written as they are heard, each by a thread of its own, as in the program.
  PosixTakeFiles takeFiles;
  platform.takeFiles = &takeFiles;
  platform.takeWriterThreads = true;
  ProgramOptions options;
  options.programFolder = folder.path();
  options.executablePath = folder.path() + "/tonvogel";
  Program p(platform, options);
  loop.attach(p.ui().timers());
  // The input opens during the start: its sound comes no earlier than from here on.
  const std::int64_t started = clock.monotonicMs();
  ASSERT_TRUE(p.startUp());
  ASSERT_EQ(p.recorderOn, 1);

  // Once the take that the switch-on began has ended in the silence, and at least half a
  // second before the transmission, the user opens the long file.
  loop.runUntil([&] { return p.recorder.recordingActive == 0; }, 8000);
  loop.runUntil([&] { return clock.monotonicMs() - started >= 8500; }, 9000);
  ASSERT_EQ(p.recorder.recordingActive, 0);
  services.fileAnswers.push_back(big);
  loop.post([&p] { p.frm_DoKu.lbl_LoadWave.mouseDown(MouseButton::Left, 0, 0, 0); });
  ASSERT_TRUE(loop.runUntil([&] { return p.player.playing; }, 10'000));
  EXPECT_EQ(p.frm_Oszi.lblFile.caption(), big);

  // Filed whole in one recording; the take of silence that the switch-on began may have
  // been filed too.
  const std::string collecting = folder.path() + "/W";
  std::int64_t lookedAt = 0;
  const auto filedWhole = [&] {
    if (clock.monotonicMs() - lookedAt < 200) return false;
    lookedAt = clock.monotonicMs();
    for (const std::string& recording : recordingsIn(collecting)) {
      auto filed = readPcmWave(recording);
      if (filed && std::search(filed->data.begin(), filed->data.end(), sent.begin(), sent.end()) !=
                       filed->data.end())
        return true;
    }
    return false;
  };
  EXPECT_TRUE(loop.runUntil(filedWhole, 30'000)) << "the transmission was not filed whole";
  p.shutdownRoutine();
}

}  // namespace
}  // namespace tv::test
