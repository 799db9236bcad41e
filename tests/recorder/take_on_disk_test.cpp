// A take is written into its working file while it is heard, so that neither a full
// disk, a failed save at the end nor a crash loses what was recorded.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/program.h"
#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"
#include "tests/recorder/recorder_harness.h"
#include "tests/support/small_disk.h"
#include "tests/support/sound/scripted_sound_system.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFirst = "1_12-07-2026_10-00-00.wav";

struct TakeOnDisk : testing::Test {
  TakeOnDisk() {
    line(h.lines, 10) = "3";  // minimum 3 s
    h.t.takeFiles = &disk;
  }
  std::string w(const std::string& name = "") {
    return h.t.file("W") + (name.empty() ? "" : "/" + name);
  }
  // The samples of `path`: a stretch of the input from `fromMs` on, at least `leastMs` and
  // at most `mostMs` long.
  void expectStretch(const std::string& path, int fromMs, int leastMs, int mostMs) {
    const auto samples = h.samplesOf(path);
    EXPECT_EQ(h.positionInInput(samples), static_cast<long long>(h.at(fromMs))) << path;
    EXPECT_GE(samples.size(), h.at(leastMs)) << path;
    EXPECT_LE(samples.size(), h.at(mostMs)) << path;
  }
  // Starts the program again in the same folder, the recorder off.
  Program& restart() {
    h.t.program.reset();
    line(h.lines, 16) = "0";
    writeSettings(h.t.file("Tonvogel.ini"), h.lines);
    h.t.build();
    h.t.p().startUp();
    return h.t.p();
  }

  // Outlives the program, whose takes write through it.
  SmallDisk disk;
  RecorderHarness h;
};

TEST_F(TakeOnDisk, AFullDiskEndsTheTakeAtItsLastWrittenSecondFilesItAndTheNextSignalTriesAgain) {
  // About 5.5 s of sound fit on the disk of the working files.
  disk.setRoom(kWaveHeaderBytes + h.at(5500));
  h.silence(200);
  h.burst(10'000);  // 0.2 to 10.2 s
  h.silence(10'000);
  h.burst(6000);  // 20.2 to 26.2 s
  Program& p = h.start();
  h.t.loop.runFor(12'000);

  // Filed as far as it was on the medium with a header: up to the last whole second.
  ASSERT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  expectStretch(w(kFirst), 0, 4400, 5500);
  EXPECT_TRUE(fs::exists(h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-10/") + kFirst));
  EXPECT_EQ(h.t.noticeCount(kFirst), 1);
  EXPECT_EQ(h.t.noticeCount("No space left on device"), 1);  // once, however often it failed
  EXPECT_TRUE(h.t.services.messages().empty());
  EXPECT_EQ(p.recorderOn, 1);
  EXPECT_TRUE(p.levelMeter.isOpen());

  // Room again: the next transmission is recorded whole.
  disk.setRoom(std::nullopt);
  h.t.loop.runFor(20'000);
  const auto files = h.filesIn(w());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_GE(h.positionInInput(h.samplesOf(w(files[1]))), 0);
  EXPECT_GE(h.samplesOf(w(files[1])).size(), h.at(6000));
  // The failed attempts left nothing behind.
  EXPECT_EQ(h.filesIn(h.t.folder()), std::vector<std::string>{"input.wav"});
}

TEST_F(TakeOnDisk, ASaveThatFailsAtTheEndKeepsTheTakeForTheNextStartWhichSaysSo) {
  const std::vector<std::pair<const char*, std::function<void(Program&)>>> ends = {
      {"the shutdown routine", [](Program& p) { p.shutdownRoutine(); }},
      {"the tray's Exit", [](Program& p) { p.trayMenu.act(7); }},
  };
  for (const auto& [how, end] : ends) {
    SCOPED_TRACE(how);
    SmallDisk failing;
    RecorderHarness r;
    r.t.takeFiles = &failing;
    r.silence(200);
    r.burst(30'000);
    Program& p = r.start();
    r.t.loop.runFor(7000);
    const std::string name = p.recorder.captureName;
    failing.setFailSync(true);
    end(p);
    EXPECT_TRUE(p.ended());
    ASSERT_TRUE(fs::exists(r.t.file(name)));
    EXPECT_TRUE(r.filesIn(r.t.file("W")).empty());
    const std::string log = readFile(p.log.path());
    EXPECT_NE(log.find(name), std::string::npos);
    EXPECT_NE(log.find(name + ": Input/output error). Was von ihr geschrieben ist, bleibt in " +
                       r.t.folder()),
              std::string::npos)
        << log;

    r.t.program.reset();
    line(r.lines, 16) = "0";
    writeSettings(r.t.file("Tonvogel.ini"), r.lines);
    r.t.build();
    r.t.p().startUp();
    EXPECT_FALSE(fs::exists(r.t.file(name)));
    const auto samples = r.samplesOf(r.t.file("W/" + name));
    EXPECT_EQ(r.positionInInput(samples), 0);
    EXPECT_GE(samples.size(), r.at(6000));
    EXPECT_TRUE(r.t.noticed(name));
  }
}

TEST_F(TakeOnDisk, ALeftoverWithAHeaderBehindItsSoundIsFiledWholeAtTheNextStart) {
  line(h.lines, 16) = "0";
  const std::string leftover = "1_12-06-2026_09-00-00.wav";
  std::vector<std::uint8_t> sound(4 * RecorderHarness::kRate);
  for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::uint8_t>(i * 13);
  // As a crash leaves it: the header counts the first second only.
  const auto header = monoU8WaveHeader(RecorderHarness::kRate, RecorderHarness::kRate);
  std::string bytes(header.begin(), header.end());
  bytes.append(sound.begin(), sound.end());
  writeFile(h.t.file(leftover), bytes);
  writeFile(h.t.file("1_12-06-2026_09-30-00.wav"), "RIFF");  // made, never written
  Program& p = h.start();
  (void)p;

  EXPECT_EQ(h.samplesOf(w(leftover)), sound);
  EXPECT_EQ(h.samplesOf(h.t.file("FK_1/Ja_2026/Mo-12/Tg-06/hh-09/" + leftover)), sound);
  EXPECT_FALSE(fs::exists(h.t.file(leftover)));
  EXPECT_TRUE(h.t.noticed(leftover));
  EXPECT_FALSE(fs::exists(h.t.file("1_12-06-2026_09-30-00.wav")));
  EXPECT_EQ(h.filesIn(w()), std::vector<std::string>{leftover});
}

TEST_F(TakeOnDisk, ANewSampleRateEndsTheTakeAsUsualAndRecordsOnAtTheNewRate) {
  h.silence(200);
  h.burst(30'000);
  Program& p = h.start();
  h.t.loop.runFor(6000);
  p.frm_Einstellungen.cb_Sample.setText("22050");
  p.settingsWindow.pressSave();
  h.t.loop.runPosted();  // the filing reports back

  ASSERT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  expectStretch(w(kFirst), 0, 5800, 6200);
  EXPECT_EQ(readPcmWave(w(kFirst))->sampleRate, 11025);
  EXPECT_EQ(p.recorder.recordingActive, 1);
  ASSERT_TRUE(p.levelMeter.isOpen());
  EXPECT_EQ(h.captureCommands().back(), "record capture ");

  h.t.loop.runFor(10'000);
  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  h.t.loop.runPosted();
  const auto files = h.filesIn(w());
  ASSERT_EQ(files.size(), 2u);
  const auto second = readPcmWave(w(files[1]));
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(second->sampleRate, 22050);
  EXPECT_NEAR(static_cast<double>(second->data.size()) / 22050, 10.0, 0.3);
}

TEST(InputChange, AnotherDeviceOpensTheInputAnewAndTheSameOneKeepsIt) {
  TestProgram t;
  ScriptedSoundSystem sound(t.clock);
  sound.devices = {{"hw:0", "first card"}, {"hw:1", "second card"}};
  t.sound = &sound;
  auto lines = freshSettingsLines(t.folder());
  line(lines, 16) = "1";
  writeSettings(t.file("Tonvogel.ini"), lines);
  Program& p = t.build();
  p.startUp();
  ASSERT_EQ(sound.inputOpenings().size(), 1u);

  p.settingsWindow.pressSave();
  EXPECT_EQ(sound.inputOpenings().size(), 1u);

  p.frm_Einstellungen.cb_Device.userSelected(1);
  p.settingsWindow.pressSave();
  ASSERT_EQ(sound.inputOpenings().size(), 2u);
  EXPECT_EQ(sound.inputOpenings()[1].name, "hw:1");
  EXPECT_TRUE(p.levelMeter.isOpen());
  EXPECT_EQ(p.recorder.recordingActive, 1);
  EXPECT_TRUE(t.services.messages().empty());
}

}  // namespace
}  // namespace tv::test
