// Filing never holds up the capture and never fails silently: the disk work runs on the
// filing worker, a failed tree copy is told and owed, names never collide, and a
// recordings folder that has gone is not made anew.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/program.h"
#include "platform/sound/wav_file.h"
#include "recorder/capture_name.h"
#include "tests/app/settings_lines.h"
#include "tests/recorder/recorder_harness.h"
#include "tests/support/slow_worker.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFirst = "1_12-07-2026_10-00-00.wav";

struct Filing : testing::Test {
  Filing() { line(h.lines, 10) = "3"; }  // minimum 3 s

  std::string w(const std::string& name = "") {
    return h.t.file("W") + (name.empty() ? "" : "/" + name);
  }
  std::string hour(const std::string& recordings, const std::string& day = "07") {
    return recordings + "/FK_1/Ja_2026/Mo-12/Tg-" + day + "/hh-10";
  }
  std::vector<std::string> owed() { return readLines(h.t.file(RecordingFiler::kTreeOwedFile)); }
  // Transmissions from 0.2 to 5.2 s and from 20.2 to 25.2 s; runs the first one's 15 s.
  Program& startTwoTransmissions() {
    h.twoTransmissions();
    Program& p = h.start();
    h.t.loop.runFor(15'000);
    return p;
  }
  void switchRecorder() {
    Program& p = h.p();
    p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
    p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  }
  // Where each file's samples stand in the input: [first, end).
  std::vector<std::pair<long long, long long>> stretches(const std::vector<std::string>& files,
                                                         const std::string& folder) {
    std::vector<std::pair<long long, long long>> out;
    for (const auto& f : files) {
      const auto samples = h.samplesOf(folder + "/" + f);
      const long long at = h.positionInInput(samples);
      out.emplace_back(at, at + static_cast<long long>(samples.size()));
    }
    return out;
  }

  RecorderHarness h;
};

TEST_F(Filing, ATreeCopyThatFailsWhileWWorksIsToldOnceOwedSparedByTheCleanUpAndMadeLater) {
  // A file where the network's folder of the tree belongs.
  writeFile(h.t.file("FK_1"), "not a folder");
  h.silence(200);
  h.burst(5000);
  h.silence(8000);
  h.burst(5000);  // 13.2 to 18.2 s
  h.silence(20'000);
  h.burst(5000);  // 38.2 to 43.2 s
  Program& p = h.start();
  h.t.loop.runFor(30'000);

  const auto filed = h.filesIn(w());
  ASSERT_EQ(filed.size(), 2u);
  EXPECT_EQ(h.t.noticeCount("Dokumentationsbaum"), 1);
  EXPECT_EQ(h.t.noticeCount(filed[0]), 1);
  EXPECT_TRUE(h.t.services.messages().empty());
  EXPECT_EQ(owed(), (std::vector<std::string>{w(filed[0]), w(filed[1])}));
  for (const auto& name : filed) EXPECT_FALSE(fs::exists(h.t.file(name))) << name;

  // Five days on, older than the days to keep: the clean-up spares what the tree lacks.
  h.t.clock.setLocal({2026, 12, 12, 10, 0, 30, 0});
  p.recordingIndex.rebuildSoundList();
  EXPECT_EQ(h.filesIn(w()), filed);

  // The tree can be made again: the next filing makes the owed copies too.
  fs::remove(h.t.file("FK_1"));
  h.t.loop.runFor(20'000);
  for (const auto& name : filed) EXPECT_TRUE(fs::exists(hour(h.t.folder()) + "/" + name)) << name;
  EXPECT_EQ(h.filesIn(hour(h.t.folder(), "12")).size(), 1u);
  EXPECT_FALSE(fs::exists(h.t.file(RecordingFiler::kTreeOwedFile)));
  p.recordingIndex.rebuildSoundList();
  EXPECT_EQ(h.filesIn(w()).size(), 1u);  // now the old ones go
}

TEST_F(Filing, AnOwedTreeCopyIsMadeAtTheNextStart) {
  line(h.lines, 16) = "0";
  fs::create_directory(h.t.file("W"));
  std::vector<std::uint8_t> sound(5 * RecorderHarness::kRate, 200);
  (void)writeMonoU8Wave(w("1_12-07-2026_09-00-00.wav"), RecorderHarness::kRate, sound);
  writeFile(h.t.file(RecordingFiler::kTreeOwedFile), w("1_12-07-2026_09-00-00.wav") + "\n");
  h.start();
  h.t.loop.runPosted();
  EXPECT_TRUE(fs::exists(h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-09/1_12-07-2026_09-00-00.wav")));
  EXPECT_FALSE(fs::exists(h.t.file(RecordingFiler::kTreeOwedFile)));
}

TEST_F(Filing, TwoTakesThatBeginInTheSameSecondGetTwoNames) {
  line(h.lines, 10) = "0.5";
  h.burst(20'000);
  Program& p = h.start();
  h.t.loop.runFor(900);
  switchRecorder();  // off: the first take is filed
  switchRecorder();  // on again, in the same second: a take begins at once
  EXPECT_EQ(p.recorder.captureName, "1_12-07-2026_10-00-01.wav");
  h.t.loop.runFor(3000);
  switchRecorder();
  h.t.loop.runPosted();
  EXPECT_EQ(h.filesIn(w()), (std::vector<std::string>{kFirst, "1_12-07-2026_10-00-01.wav"}));
  EXPECT_NEAR(h.samplesOf(w(kFirst)).size() / double(RecorderHarness::kRate), 0.9, 0.1);
  EXPECT_NEAR(h.samplesOf(w("1_12-07-2026_10-00-01.wav")).size() / double(RecorderHarness::kRate),
              3.0, 0.1);
}

TEST_F(Filing, TheHourRepeatedByAClockSetBackNamesNoTakeLikeAnEarlierOne) {
  h.burst(6000);
  Program& p = h.start();
  h.t.loop.runFor(20'000);
  switchRecorder();  // off
  ASSERT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  const auto first = readFile(w(kFirst));
  // The end of summer time: 10:00:20 becomes 09:00:20, and the hour comes round again.
  h.t.clock.setLocal({2026, 12, 7, 9, 0, 20, 0});
  h.t.loop.runFor(3'580'000);
  ASSERT_EQ(p.platform.clock.localNow().hour, 10);
  switchRecorder();  // on, at 10:00:00 once more: the burst is heard again
  EXPECT_EQ(p.recorder.captureName, "1_12-07-2026_10-00-01.wav");
  h.t.loop.runFor(20'000);
  EXPECT_EQ(h.filesIn(w()), (std::vector<std::string>{kFirst, "1_12-07-2026_10-00-01.wav"}));
  EXPECT_EQ(h.filesIn(hour(h.t.folder())), h.filesIn(w()));
  EXPECT_EQ(readFile(w(kFirst)), first);
}

TEST(CaptureNames, TheNextSecondCarriesOverIntoMinutesDaysAndYears) {
  EXPECT_EQ(nextCaptureName("1_12-07-2026_10-00-59.wav"), "1_12-07-2026_10-01-00.wav");
  EXPECT_EQ(nextCaptureName("3_02-28-2028_23-59-59.wav"), "3_02-29-2028_00-00-00.wav");
  EXPECT_EQ(nextCaptureName("3_12-31-2026_23-59-59.wav"), "3_01-01-2027_00-00-00.wav");
  EXPECT_FALSE(nextCaptureName("X_12-31-2026_23-59-59.wav"));
}

TEST_F(Filing, AMissingRecordingsFolderIsNotMadeAnewAndItsTakesAreFiledWhenItIsBack) {
  const std::string disk = h.t.file("disk");
  line(h.lines, 2) = disk;
  Program& p = startTwoTransmissions();
  EXPECT_FALSE(fs::exists(disk));
  EXPECT_TRUE(fs::exists(h.t.file(kFirst)));
  // Where and why, once.
  EXPECT_EQ(h.t.noticeCount("Der Aufnahmeordner " + disk + " ist nicht da"), 1);
  EXPECT_EQ(h.t.noticeCount("bleibt in " + h.t.folder() + " und"), 1);

  fs::create_directory(disk);
  h.t.loop.runFor(20'000);
  EXPECT_EQ(h.filesIn(disk + "/W").size(), 2u);
  EXPECT_TRUE(fs::exists(hour(disk) + "/" + kFirst));
  EXPECT_FALSE(fs::exists(h.t.file(kFirst)));
  (void)p;
}

TEST_F(Filing, AnEmptyMountPointIsNotFilledAndIsFiledIntoOnceTheDiskIsMountedAgain) {
  // The recordings folder had its W at the last filing, an earlier run's; now only the
  // empty mount point is there.
  const std::string mount = h.t.file("mnt");
  fs::create_directory(mount);
  writeFile(h.t.file(RecordingFiler::kLastFilingFile), mount + "\n");
  line(h.lines, 2) = mount;
  h.silence(200);
  h.burst(5000);
  Program& p = h.start();
  h.t.loop.runFor(15'000);
  EXPECT_TRUE(fs::is_empty(mount)) << "neither W, the tree nor CQFiles";
  EXPECT_TRUE(fs::exists(h.t.file(kFirst)));
  EXPECT_EQ(h.t.noticeCount("Im Aufnahmeordner " + mount + " fehlt der Ordner W"), 1);

  // Mounted again: the next apply files it.
  fs::create_directory(mount + "/W");
  p.settingsWindow.pressSave();
  h.t.loop.runPosted();
  EXPECT_EQ(h.filesIn(mount + "/W"), std::vector<std::string>{kFirst});
  EXPECT_FALSE(fs::exists(h.t.file(kFirst)));
}

TEST_F(Filing, AFolderWhoseWDisappearedIsNotFilledAgain) {
  const std::string rec = h.t.file("rec");
  fs::create_directory(rec);
  line(h.lines, 2) = rec;
  Program& p = startTwoTransmissions();
  ASSERT_EQ(h.filesIn(rec + "/W"), std::vector<std::string>{kFirst});
  // The disk goes; a folder of the same name stays behind, without W.
  fs::remove_all(rec);
  fs::create_directory(rec);
  writeFile(rec + "/lost+found", "");
  h.t.loop.runFor(15'000);
  EXPECT_EQ(h.filesIn(h.t.folder()).size(), 2u);  // the input and the kept take
  EXPECT_FALSE(fs::exists(rec + "/W"));
  EXPECT_FALSE(fs::exists(rec + "/FK_1"));
  p.settingsWindow.pressSave();
  EXPECT_FALSE(fs::exists(rec + "/CQFiles"));
  EXPECT_EQ(h.t.noticeCount("Im Aufnahmeordner " + rec + " fehlt der Ordner W"), 1);
}

TEST_F(Filing, APauseAfterSilenceBelowFourFromTheFileIsRaisedSoSpeechIsNotChopped) {
  line(h.lines, 12) = "2";
  h.silence(200);
  h.burst(12'000);
  Program& p = h.start();
  EXPECT_EQ(p.pauseAfterSilence, 4);
  EXPECT_EQ(p.frm_Einstellungen.ed_PauseStille.text(), "4");
  h.t.loop.runFor(25'000);
  ASSERT_EQ(h.filesIn(w()), std::vector<std::string>{kFirst});
  const auto samples = h.samplesOf(w(kFirst));
  EXPECT_EQ(h.positionInInput(samples), 0);
  EXPECT_GE(samples.size(), h.at(12'200));
}

TEST_F(Filing, SplitsAtTheMaximumTimeAreSeamlessBehindAFilerSlowerThanTheTakes) {
  line(h.lines, 11) = "2";
  line(h.lines, 10) = "1";
  h.t.makeWorker = [this](std::string_view) {
    return std::make_unique<SlowWorker>(h.t.p().ui().timers(), 3000);
  };
  h.silence(200);
  h.burst(12'000);
  h.start();
  h.t.loop.runFor(40'000);
  const auto files = h.filesIn(w());
  ASSERT_GE(files.size(), 5u);
  const auto s = stretches(files, w());
  EXPECT_EQ(s.front().first, 0);
  // Every take that begins within the burst begins with the sample after the last one
  // of the take before it.
  for (std::size_t i = 1; i < s.size() && s[i].first < static_cast<long long>(h.at(12'200)); ++i) {
    EXPECT_EQ(s[i].first, s[i - 1].second) << files[i];
  }
}

TEST_F(Filing, TheEndWaitsTenSecondsForTheFilingsAndLeavesTheRestForTheNextStart) {
  line(h.lines, 11) = "2";
  line(h.lines, 10) = "1";
  SlowWorker* slow = nullptr;
  h.t.makeWorker = [this, &slow](std::string_view) {
    auto worker = std::make_unique<SlowWorker>(h.t.p().ui().timers(), 4000);
    slow = worker.get();
    return worker;
  };
  h.silence(200);
  h.burst(30'000);
  Program& p = h.start();
  h.t.loop.runFor(16'000);
  ASSERT_NE(slow, nullptr);
  const std::size_t waiting = slow->pending();
  ASSERT_GE(waiting, 3u);
  const std::size_t filedBefore = h.filesIn(w()).size();
  p.shutdownRoutine();
  // The take in progress joins the queue; two filings fit in 10 s.
  EXPECT_EQ(h.filesIn(w()).size(), filedBefore + 2);
  const auto left = h.filesIn(h.t.folder()).size() - 1;  // less the input
  EXPECT_EQ(left, waiting + 1 - 2);

  h.t.program.reset();
  line(h.lines, 16) = "0";
  writeSettings(h.t.file("Tonvogel.ini"), h.lines);
  h.t.makeWorker = nullptr;
  h.t.build();
  h.t.p().startUp();
  EXPECT_EQ(h.filesIn(h.t.folder()).size(), 1u);
  EXPECT_EQ(h.filesIn(w()).size(), filedBefore + waiting + 1);
}

}  // namespace
}  // namespace tv::test
