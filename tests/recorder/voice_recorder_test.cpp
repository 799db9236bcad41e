#include "recorder/voice_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/program.h"
#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"
#include "tests/recorder/recorder_harness.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFirst = "1_12-07-2026_10-00-00.wav";
constexpr const char* kOpen = "open new type waveaudio alias capture ";
constexpr const char* kFormat =
    "set capture time format milliseconds  bitspersample 8 samplespersec 11025 channels 1 "
    "bytespersec 11025 alignment 1";

struct VoiceRecorderTest : testing::Test {
  RecorderHarness h;
  std::string w(const std::string& name = "") {
    return h.t.file("W") + (name.empty() ? "" : "/" + name);
  }
  std::string tree(const std::string& name) {
    return h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-10/" + name);
  }
  // The file's samples are one stretch of the input that holds [from, to).
  void expectHolds(const std::string& path, int fromMs, int toMs) {
    const auto samples = h.samplesOf(path);
    const long long at = h.positionInInput(samples);
    ASSERT_GE(at, 0) << path << " is not a stretch of the input";
    EXPECT_LE(at, static_cast<long long>(h.at(fromMs))) << path;
    EXPECT_GE(at + static_cast<long long>(samples.size()), static_cast<long long>(h.at(toMs)))
        << path;
  }
};

TEST_F(VoiceRecorderTest, OneBurstLongerThanTheMinimumGivesOneFileInBothFoldersAndNoWorkingFile) {
  h.silence(500);
  h.burst(6000);
  Program& p = h.start();
  ASSERT_EQ(p.recorder.recordingActive, 1);  // switching on starts a capture at once
  h.t.loop.runFor(15'000);

  EXPECT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  EXPECT_TRUE(fs::exists(tree(kFirst)));
  EXPECT_FALSE(fs::exists(h.t.file(kFirst)));
  expectHolds(w(kFirst), 0, 6500);
  EXPECT_EQ(readFile(w(kFirst)), readFile(tree(kFirst)));
  EXPECT_EQ(p.recorder.recordingActive, 0);
  EXPECT_EQ(p.frm_DoKu.sb.panels().at(1).text, "1");

  const std::vector<std::string> expected = {kOpen,
                                             kFormat,
                                             "record capture ",
                                             "stop capture wait ",
                                             std::string("save capture wait ") + kFirst,
                                             "close capture wait ",
                                             "close capture "};
  EXPECT_EQ(h.captureCommands(), expected);
}

TEST_F(VoiceRecorderTest, EnglishNamesTheTreeRcAndTheStartTimeNamesEachLaterFile) {
  line(h.lines, 5) = "2";
  h.silence(500);
  h.burst(6000);
  h.silence(8000);  // recording ends, recorder waits
  h.burst(7000);    // starts at 14.5 s
  Program& p = h.start();
  h.t.loop.runFor(30'000);
  const std::string second = "1_12-07-2026_10-00-14.wav";
  EXPECT_EQ(h.filesIn(w()), (std::vector<std::string>{kFirst, second}));
  EXPECT_TRUE(fs::exists(h.t.file("RC_1/JJ_2026/MM-12/DD-07/hh-10/" + second)));
  // The trigger fired on samples up to a meter block old; the take reaches back
  // before them, so the burst's beginning is in the file.
  expectHolds(w(second), 14'500, 21'500);
  (void)p;
}

TEST_F(VoiceRecorderTest, ASoftFirstWordBelowTheThresholdIsInTheRecording) {
  h.silence(500);
  h.burst(6000);
  h.silence(8000);
  h.soft(600, 12);  // 14.5 s: too quiet to trigger
  h.silence(120);   // the gap between two words
  h.burst(7000);    // triggers some 720 ms after the transmission began
  Program& p = h.start();
  h.t.loop.runFor(30'000);
  const auto files = h.filesIn(w());
  ASSERT_EQ(files.size(), 2u);
  expectHolds(w(files[1]), 14'500, 22'220);
  // Nothing of the first recording is recorded twice.
  const auto first = h.samplesOf(w(files[0]));
  const long long firstAt = h.positionInInput(first);
  EXPECT_LE(firstAt + static_cast<long long>(first.size()),
            h.positionInInput(h.samplesOf(w(files[1]))));
  (void)p;
}

TEST_F(VoiceRecorderTest, AfterATakeEndsTheLevelIsPolledAtTheSettingsIntervalAgain) {
  h.silence(500);
  h.burst(6000);
  Program& p = h.start();
  h.t.loop.runFor(3000);
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 50) << "while a take runs";
  h.t.loop.runFor(12'000);
  ASSERT_EQ(p.recorder.recordingActive, 0);
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 10)
      << "every end of a take puts the interval of the settings back";
}

TEST_F(VoiceRecorderTest, BurstShorterThanTheMinimumLeavesNoFileAnywhere) {
  line(h.lines, 16) = "0";
  h.silence(10'000);
  h.burst(500);
  Program& p = h.start();
  // Switched on by hand, after the start: the burst comes at 10 s.
  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  h.t.loop.runFor(20'000);
  EXPECT_TRUE(h.filesIn(w()).empty());
  EXPECT_TRUE(h.filesIn(h.t.folder()).size() == 1);  // only the input itself
}

TEST_F(VoiceRecorderTest, SilenceTicksStandAtTwoAfterATrigger) {
  h.silence(300);
  h.burst(3000);
  Program& p = h.start();
  h.t.loop.runFor(1000);
  EXPECT_EQ(p.recorder.silenceTicks, 2);
}

TEST_F(VoiceRecorderTest, MaximumTimeSplitsARecordingWithoutLosingOrDoublingASample) {
  line(h.lines, 11) = "8";
  h.silence(200);
  h.burst(20'000);
  Program& p = h.start();
  h.t.loop.runFor(30'000);
  const auto files = h.filesIn(w());
  ASSERT_GE(files.size(), 2u);
  const auto a = h.samplesOf(w(files[0]));
  const auto b = h.samplesOf(w(files[1]));
  const long long atA = h.positionInInput(a);
  const long long atB = h.positionInInput(b);
  ASSERT_GE(atA, 0);
  ASSERT_GE(atB, 0);
  EXPECT_EQ(atA, 0);
  EXPECT_EQ(atA + static_cast<long long>(a.size()), atB);  // contiguous
  EXPECT_NEAR(a.size() / 11025.0, 8.0, 0.3);
  (void)p;
}

TEST_F(VoiceRecorderTest, WithoutPauseAfterSilenceRecordingsAreKeptAtTheirMaximumTime) {
  line(h.lines, 11) = "8";
  h.silence(200);
  h.burst(3000);
  Program& p = h.start();
  // No settings file gives less than 4 s any more; the recorder still keeps such takes.
  p.pauseAfterSilence = 0;
  h.t.loop.runFor(12'000);
  EXPECT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  expectHolds(w(kFirst), 0, 3200);
  EXPECT_EQ(p.frm_DoKu.progressbar4.value(), 0);
}

TEST_F(VoiceRecorderTest, SwitchingOffAndProgramEndSaveTheRecordingInProgress) {
  h.silence(200);
  h.burst(30'000);
  Program& p = h.start();
  h.t.loop.runFor(7000);
  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  h.t.loop.runPosted();  // the filing reports back
  EXPECT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  EXPECT_FALSE(p.levelMeter.isOpen());
  EXPECT_TRUE(p.recorder.captureName.empty());

  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  h.t.loop.runFor(7000);
  const std::string inProgress = p.recorder.captureName;
  p.shutdownRoutine();
  EXPECT_TRUE(fs::exists(w(inProgress))) << inProgress;
  EXPECT_EQ(h.filesIn(w()).size(), 2u);
  EXPECT_TRUE(p.ended());
}

TEST_F(VoiceRecorderTest, ARecordingSurvivesSavingTheSettings) {
  h.silence(200);
  h.burst(12'000);
  Program& p = h.start();
  h.t.loop.runFor(3000);
  const std::string name = p.recorder.captureName;
  p.settingsWindow.pressSave();
  EXPECT_EQ(p.recorder.captureName, name);
  EXPECT_EQ(p.recorder.recordingActive, 1);
  h.t.loop.runFor(15'000);
  int opens = 0;
  for (const auto& c : h.captureCommands()) opens += c == kOpen;
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  expectHolds(w(kFirst), 0, 12'200);
}

TEST_F(VoiceRecorderTest, ACopyThatFailsKeepsTheWorkingFileAndTheNextStartFilesIt) {
  line(h.lines, 19) = "0";
  h.silence(200);
  h.burst(6000);
  writeFile(h.t.file("W"), "not a folder");
  Program& p = h.start();
  h.t.loop.runFor(15'000);
  EXPECT_TRUE(fs::exists(h.t.file(kFirst)));
  EXPECT_TRUE(h.t.noticed(kFirst));
  EXPECT_TRUE(h.t.services.messages().empty());

  p.shutdownRoutine();
  h.t.program.reset();
  fs::remove(h.t.file("W"));
  fs::create_directory(h.t.file("W"));
  line(h.lines, 16) = "0";
  writeSettings(h.t.file("Tonvogel.ini"), h.lines);
  h.t.build();
  h.t.p().startUp();
  EXPECT_TRUE(fs::exists(w(kFirst)));
  EXPECT_FALSE(fs::exists(h.t.file(kFirst)));
  expectHolds(w(kFirst), 0, 6200);
}

TEST_F(VoiceRecorderTest, ATwoDigitNetworkNumberIsRefusedWhereTypedAndWhenApplied) {
  line(h.lines, 6) = "12";
  line(h.lines, 16) = "0";
  Program& p = h.start();
  EXPECT_EQ(p.networkNumber, 0);
  EXPECT_EQ(p.frm_Einstellungen.ed_FK.text(), "0");
  EXPECT_TRUE(h.t.noticed("\"12\""));

  p.frm_Einstellungen.ed_FK.userEdited("3");
  EXPECT_EQ(p.frm_Einstellungen.ed_FK.text(), "3");
  p.settingsWindow.pressSave();
  EXPECT_EQ(p.networkNumber, 3);
  p.frm_Einstellungen.ed_FK.userEdited("34");
  EXPECT_EQ(p.frm_Einstellungen.ed_FK.text(), "3");
}

}  // namespace
}  // namespace tv::test
