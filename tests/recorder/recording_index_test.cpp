#include "recorder/recording_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/timer.h"
#include "recorder/index_pictures.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// A recording of network 1 on the given day, as the recorder names it.
std::string name(int month, int day, int year, int network = 1, const char* time = "09-05-30") {
  char text[40];
  std::snprintf(text, sizeof text, "%d_%02d-%02d-%04d_%s.wav", network, month, day, year, time);
  return text;
}

// `seconds` of 8-bit mono at 11,025 Hz: the list reads the length of the sound that is
// there, not what the header claims. The samples themselves do not matter to it.
void writeRecording(const std::string& path, double seconds) {
  const auto samples = static_cast<std::uint32_t>(seconds * 11025);
  WavBytes().canonicalStart(1, 11025, 8).id("data").u32(samples).fill(samples, 128).writeTo(path);
}

struct RecordingIndexTest : testing::Test {
  // 7 December 2026, 10:00; network 1, three days to keep, recordings above 10 s.
  explicit RecordingIndexTest(LocalDateTime start = {2026, 12, 7, 10, 0, 0, 0}) : t(start) {
    lines = freshSettingsLines(t.folder());
    line(lines, 16) = "0";  // the recorder stays off
    fs::create_directories(w());
  }

  std::string w() const { return t.file("W"); }
  std::string inW(const std::string& n) const { return w() + "/" + n; }
  void record(const std::string& n, double seconds) { writeRecording(inW(n), seconds); }

  Program& start() {
    writeSettings(t.file("Tonvogel.ini"), lines);
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  const std::vector<std::string>& listed() { return t.p().frm_DoKu.lb_Sounds.items(); }
  std::string totalsFile() { return readFile(inW("t_Gesamt.txt")); }

  TestProgram t;
  std::vector<std::string> lines;
};

TEST_F(RecordingIndexTest, ListsTheNetworksRecentRecordingsAndDeletesTheOldAndTheShortOnes) {
  record(name(12, 7, 2026, 1, "08-00-00"), 12.5);
  record(name(12, 5, 2026), 20);     // two days old: kept
  record(name(12, 4, 2026), 30);     // as old as the days to keep: deleted
  record(name(12, 6, 2026), 10);     // playing time x 10 equal to the minimum: deleted
  record(name(12, 7, 2026, 2), 30);  // another network: left alone
  record(name(11, 1, 2026, 2), 30);  // another network's old one: left alone too
  writeFile(inW(name(12, 6, 2026, 1, "11-00-00")), std::string(60, 'x'));  // no header
  writeFile(inW(name(12, 6, 2026, 1, "12-00-00")), "");                    // empty
  // Not recordings, whatever their first character: never dated, listed or deleted.
  const std::vector<std::string> strangers = {"1.wav",
                                              "1_notes.txt",
                                              "1_13-01-2026_09-05-30.wav",
                                              "1_02-30-2026_09-05-30.wav",
                                              "1_11-01-2026_24-00-00.wav",
                                              "1_11-01-2026_09-05-30.WAV",
                                              "1_11-01-2026_09-05-30.wav.bak"};
  for (const std::string& s : strangers) writeFile(inW(s), std::string(60, 'x'));

  Program& p = start();

  EXPECT_EQ(listed(), (std::vector<std::string>{"1_12-05-2026_09-05-30.wav   20.0s",
                                                "1_12-07-2026_08-00-00.wav   12.5s"}));
  EXPECT_EQ(p.frm_DoKu.lb_Sounds.listIndex(), 1);
  EXPECT_EQ(p.soundFileCount, 2);
  EXPECT_EQ(p.frm_DoKu.lblGesamtzeit.caption(), "00:00:32");
  EXPECT_EQ(totalsValue(totalsFile()), 32.5);

  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(w())) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = strangers;
  for (const std::string& n :
       {name(12, 7, 2026, 1, "08-00-00"), name(12, 5, 2026), name(12, 7, 2026, 2),
        name(11, 1, 2026, 2), std::string("t_Gesamt.txt")})
    expected.push_back(n);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);  // the index file is gone again, too

  EXPECT_FALSE(p.frm_Info.visible());
  t.loop.runFor(200);  // the one-shot timer puts the count into the status bar
  EXPECT_EQ(p.frm_DoKu.sb.panels().at(1).text, "2");
}

TEST_F(RecordingIndexTest, WithNoDaysToKeepEveryRecordingGoes) {
  line(lines, 14) = "0";
  record(name(12, 7, 2026), 60);
  start();
  EXPECT_TRUE(listed().empty());
  EXPECT_FALSE(fs::exists(inW(name(12, 7, 2026))));
  EXPECT_EQ(t.p().frm_DoKu.lblGesamtzeit.caption(), "00:00:00");
}

TEST_F(RecordingIndexTest, MoreThanAThousandDueFilesAreAllDeletedInOneRebuild) {
  for (int i = 0; i < 1200; ++i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d-%02d-%02d", i / 3600, i / 60 % 60, i % 60);
    record(name(11, 1, 2026, 1, time), 30);
  }
  record(name(12, 7, 2026), 30);
  start();
  EXPECT_EQ(listed().size(), 1u);
  EXPECT_EQ(std::distance(fs::directory_iterator(w()), fs::directory_iterator()), 2);
}

TEST_F(RecordingIndexTest, LaterRebuildsLeaveTheTotalAndFilingAddsToIt) {
  record(name(12, 6, 2026), 100);
  Program& p = start();
  EXPECT_EQ(p.frm_DoKu.lblGesamtzeit.caption(), "00:01:40");

  record(name(12, 7, 2026), 50);
  p.recordingIndex.rebuildSoundList();
  p.recordingIndex.rebuildSoundList();
  EXPECT_EQ(listed().size(), 2u);                    // listed, but not counted
  const std::string caption = p.frm_Info.caption();  // the wait mark once, however often
  EXPECT_NE(caption.find("- wait! -"), std::string::npos);
  EXPECT_EQ(caption.find("- wait! -"), caption.rfind("- wait! -"));
  EXPECT_EQ(p.frm_DoKu.lblGesamtzeit.caption(), "00:01:40");
  EXPECT_EQ(totalsValue(totalsFile()), 100);

  // Fractions are kept: three recordings of 20.4 s make 161.2 s, not 160.
  for (const char* time : {"10-00-00", "10-01-00", "10-02-00"}) {
    const std::string n = name(12, 7, 2026, 1, time);
    record(n, 20.4);
    p.recordingIndex.entryAndTotalsAfterFiling(n, 20.4);
  }
  EXPECT_EQ(listed().back(), "1_12-07-2026_10-02-00.wav   20.4s");
  EXPECT_EQ(p.frm_DoKu.lb_Sounds.listIndex(), 4);
  EXPECT_NEAR(totalsValue(totalsFile()), 161.2, 1e-9);
  EXPECT_EQ(p.frm_DoKu.lblGesamtzeit.caption(), "00:02:41");
}

TEST_F(RecordingIndexTest, ARecordingFiledDuringARebuildIsListedAndCountedOnce) {
  record(name(12, 6, 2026), 100);
  writeSettings(t.file("Tonvogel.ini"), lines);
  t.build();
  Program& p = t.p();
  // A recording that ends while the rebuild lets the loop run.
  const std::string late = name(12, 7, 2026);
  Timer finish(p.ui().timers(), "finish", 10, true);
  finish.tick = [&] {
    finish.setEnabled(false);
    record(late, 30);
    p.recordingIndex.entryAndTotalsAfterFiling(late, 30);
  };
  t.clock.advance(10);
  ASSERT_TRUE(p.startUp());
  EXPECT_FALSE(finish.enabled());
  EXPECT_EQ(std::count_if(listed().begin(), listed().end(),
                          [&](const std::string& e) { return e.starts_with(late); }),
            1);
  EXPECT_EQ(totalsValue(totalsFile()), 130);
}

TEST_F(RecordingIndexTest, ADeletionWhileARebuildReadsTheFolderLeavesTheCleanUpToThatRebuild) {
  std::vector<std::string> due;
  for (int i = 0; i < 300; ++i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d-%02d-%02d", i / 3600, i / 60 % 60, i % 60);
    due.push_back(name(11, 1, 2026, 1, time));
    writeFile(inW(due.back()), "");
  }
  const std::string kept = name(12, 6, 2026);
  const std::string deleted = name(12, 7, 2026);
  record(kept, 30);
  record(deleted, 30);
  writeSettings(t.file("Tonvogel.ini"), lines);
  t.build();
  Program& p = t.p();
  // The user deletes a recording while the start-up's rebuild lets the loop run: the
  // deletion's clean-up and rebuild come in the middle of the names being read.
  Timer click(p.ui().timers(), "click", 10, true);
  bool duringTheRebuild = false;
  click.tick = [&] {
    click.setEnabled(false);
    duringTheRebuild = fs::exists(inW("w.dat"));
    fs::remove(inW(deleted));
    p.soundList.RefreshAfterDeletion();
  };
  t.clock.advance(10);
  ASSERT_TRUE(p.startUp());
  EXPECT_TRUE(duringTheRebuild);

  EXPECT_EQ(listed(), (std::vector<std::string>{kept + "   30.0s"}));
  EXPECT_EQ(p.soundFileCount, 1);
  for (const std::string& n : due) EXPECT_FALSE(fs::exists(inW(n))) << n;
  EXPECT_TRUE(fs::exists(inW(kept)));
  EXPECT_FALSE(fs::exists(inW("w.dat")));
  EXPECT_FALSE(p.frm_Info.visible());
}

struct NewYearTest : RecordingIndexTest {
  NewYearTest() : RecordingIndexTest({2027, 1, 2, 12, 0, 0, 0}) {}
};

TEST_F(NewYearTest, TheListRunsInTimeOrderAcrossTheTurnOfTheYear) {
  line(lines, 14) = "5";
  for (const std::string& n :
       {name(1, 2, 2027), name(12, 30, 2026), name(1, 1, 2027), name(12, 31, 2026)})
    record(n, 30);
  start();
  EXPECT_EQ(listed(),
            (std::vector<std::string>{
                "1_12-30-2026_09-05-30.wav   30.0s", "1_12-31-2026_09-05-30.wav   30.0s",
                "1_01-01-2027_09-05-30.wav   30.0s", "1_01-02-2027_09-05-30.wav   30.0s"}));
}

TEST_F(NewYearTest, AListReachingBackMoreThanAYearStaysInTimeOrder) {
  line(lines, 14) = "400";
  record(name(1, 1, 2026), 30);
  record(name(12, 20, 2026), 30);
  record(name(1, 1, 2027), 30);
  start();
  ASSERT_EQ(listed().size(), 3u);
  EXPECT_TRUE(listed()[0].starts_with(name(1, 1, 2026)));
  EXPECT_TRUE(listed()[1].starts_with(name(12, 20, 2026)));
  EXPECT_TRUE(listed()[2].starts_with(name(1, 1, 2027)));
}

TEST_F(RecordingIndexTest, AMissingCollectingFolderIsReportedWithItsPathAndEmptiesTheList) {
  record(name(12, 7, 2026), 30);
  Program& p = start();
  ASSERT_EQ(listed().size(), 1u);
  fs::remove_all(w());
  t.services.shown.clear();
  p.recordingIndex.rebuildSoundList();
  EXPECT_TRUE(listed().empty());
  EXPECT_EQ(p.soundFileCount, 0);
  ASSERT_EQ(t.services.shown.size(), 1u);
  EXPECT_EQ(t.services.shown[0].text,
            "Der Pfad [" + t.folder() +
                "/W] ist nicht vorhanden, oder es liegen noch keine Aufzeichnungen vor.");
  EXPECT_EQ(t.services.shown[0].title, "Info");
}

TEST_F(RecordingIndexTest, TheDailyRebuildComesOnceANightAlsoWhenATickIsLate) {
  Program& p = start();
  RecordingIndex& index = p.recordingIndex;
  int serial = 0;
  // Whether a recording that appears before the ticks is listed after them.
  auto rebuiltAfter = [&](std::initializer_list<LocalDateTime> ticks) {
    char time[16];
    std::snprintf(time, sizeof time, "00-00-%02d", serial++);
    const std::string marker = name(12, 7, 2026, 1, time);
    record(marker, 30);
    for (const LocalDateTime& tick : ticks) index.onClockTick(tick);
    return std::any_of(listed().begin(), listed().end(),
                       [&](const std::string& e) { return e.starts_with(marker); });
  };
  index.onClockTick({2026, 12, 7, 23, 59, 58, 0});
  EXPECT_FALSE(rebuiltAfter({{2026, 12, 7, 23, 59, 59, 0}, {2026, 12, 8, 0, 0, 29, 0}}));
  // The tick for 00:00:30 came late: the moment has passed, the rebuild runs.
  EXPECT_TRUE(rebuiltAfter({{2026, 12, 8, 0, 0, 31, 0}}));
  EXPECT_FALSE(rebuiltAfter({{2026, 12, 8, 0, 0, 32, 0}, {2026, 12, 8, 12, 0, 0, 0}}));
  // The clock set back over the moment does not bring the same night round again.
  EXPECT_FALSE(rebuiltAfter({{2026, 12, 8, 0, 0, 10, 0}, {2026, 12, 8, 0, 0, 40, 0}}));
  // Asleep over a whole night and the next: one rebuild on waking.
  EXPECT_TRUE(rebuiltAfter({{2026, 12, 10, 8, 0, 0, 0}}));
}

TEST(IndexPictures, TheTotalsLineReadsBackAsTheNumberItHolds) {
  EXPECT_EQ(totalsLine(1234.5), "1234.50\r\n");
  EXPECT_EQ(totalsValue(totalsLine(98765.43)), 98765.43);
  EXPECT_EQ(totalsValue("  1234,50\r\n"), 1234.5);  // as a German locale would write it
}

}  // namespace
}  // namespace tv::test
