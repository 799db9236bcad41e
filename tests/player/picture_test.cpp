// The waveform and the peak bar of the playback window, read off the program's thread.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/sound_file.h"
#include "platform/worker.h"
#include "player/waveform.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

// A worker whose jobs wait until the test lets them run: reading that takes as long as
// the test wants.
class HeldWorker : public Worker {
 public:
  void submit(Job work, Job done) override { jobs_.emplace_back(std::move(work), std::move(done)); }
  std::size_t pending() const override { return jobs_.size(); }
  bool finish(std::int64_t) override {
    release();
    return true;
  }
  void release() {
    while (!jobs_.empty()) {
      auto [work, done] = std::move(jobs_.front());
      jobs_.pop_front();
      if (work) work();
      if (done) done();
    }
  }

 private:
  std::deque<std::pair<Job, Job>> jobs_;
};

struct Picture : testing::Test {
  Picture() {
    t.makeWorker = [this](std::string_view) {
      auto w = std::make_unique<HeldWorker>();
      worker = w.get();
      return std::unique_ptr<Worker>(std::move(w));
    };
    t.build();
    t.p().startUp();
  }
  Program& p() { return t.p(); }
  PlaybackForm& window() { return p().frm_Oszi; }
  void show(const std::string& path) {
    window().frx1.cls();
    p().player.selectedFile = path;
    p().player.ShowLoadedWave();
  }

  TestProgram t;
  HeldWorker* worker = nullptr;
};

TEST_F(Picture, TheWaveformIsDrawnWhenTheReadingArrives) {
  const std::string path = t.file("take.wav");
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(100'000, 0))).writeTo(path);
  show(path);
  // The window shows the file at once; its picture follows.
  EXPECT_EQ(window().lblFile.caption(), path);
  EXPECT_TRUE(window().frx1.lines().empty());
  ASSERT_NE(worker, nullptr);
  worker->release();
  EXPECT_GE(window().frx1.lines().size(), 1u + 296u);
  EXPECT_GT(p().player.peakCount, 0);
}

TEST_F(Picture, AReadingThatTakesLongShowsHowFarItHasGotAndThenTheFileAlone) {
  const std::string path = t.file("long.wav");
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(200'000, 0))).writeTo(path);
  show(path);
  t.loop.runFor(300);
  EXPECT_EQ(window().lblFile.caption(), path);
  t.loop.runFor(400);
  EXPECT_EQ(window().lblFile.caption(), path + "   (wird gelesen: 0 %)");
  worker->release();
  t.loop.runFor(200);
  EXPECT_EQ(window().lblFile.caption(), path);
  EXPECT_FALSE(window().tmrReading.enabled());
}

TEST_F(Picture, ANewFileCancelsThePictureOfTheOneBefore) {
  const std::string first = t.file("first.wav");
  const std::string second = t.file("second.wav");
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(100'000, 0))).writeTo(first);
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(100'000, 128))).writeTo(second);
  show(first);
  show(second);
  worker->release();
  // Only the second file's picture: silence, flat columns around the centre line.
  for (const DrawingFrame::Line& line : window().frx1.lines()) EXPECT_EQ(line.y1, line.y2);
  EXPECT_EQ(p().player.peakTable[1], 32'896 - 32'750);
}

TEST_F(Picture, ALongSoundLeavesThePeakBarAtRestWithoutATable) {
  // 800 s, at 100 samples per second.
  const std::string path = t.file("long.wav");
  WavBytes().bytes(pcmWave(1, 100, 8, std::vector<std::uint8_t>(80'000, 0))).writeTo(path);
  show(path);
  worker->release();
  EXPECT_EQ(p().player.peakCount, 0);
  EXPECT_LE(p().player.peakTable.size(), 1u);
}

TEST(PeakTable, ASoundOfManyMegabytesGetsABoundedTableOverAllOfIt) {
  // 20 MB of 16-bit sound: silent, but for its last tenth at full scale.
  std::vector<std::uint8_t> sound(20'000'000, 0);
  for (std::size_t i = 18'000'000; i < sound.size(); i += 2) sound[i + 1] = 0x80;
  const PeakTable table = buildPeakTable(sound, 16);
  EXPECT_EQ(table.count, static_cast<int>(kMostPeakEntries));
  EXPECT_EQ(table.entries.size(), kMostPeakEntries + 1);
  // Silence lies at mid-scale, full scale far from it, and the end is in the table.
  EXPECT_EQ(table.entries[1], 32'768 - 32'750);
  EXPECT_EQ(table.entries[static_cast<std::size_t>(table.count)], 32'750);
}

TEST(PeakTable, ReadAPieceAtATimeItIsTheTableOfTheWholeSound) {
  TempFolder folder;
  std::vector<std::uint8_t> data(300'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13);
  const std::string path = folder.path() + "/take.wav";
  WavBytes().bytes(pcmWave(1, 8000, 8, data)).writeTo(path);
  auto sound = openSoundFile(path);
  ASSERT_TRUE(sound);
  const PeakTable read = buildPeakTable(**sound);
  const PeakTable whole = buildPeakTable(data, 8);
  EXPECT_EQ(read.count, whole.count);
  EXPECT_EQ(read.entries, whole.entries);
}

}  // namespace
}  // namespace tv::test
