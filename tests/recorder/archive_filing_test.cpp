// The dated tree in a compressed format: W stays WAV for the list and the player, the
// tree's copy is FLAC, Opus or MP3, and a recording is known by its name in whatever
// format and under whatever language's folders it lies.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "app/program.h"
#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"
#include "tests/recorder/recorder_harness.h"
#include "tests/support/decoded_sound.h"
#include "tests/support/fixed_disk_space.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFirst = "1_12-07-2026_10-00-00";
constexpr const char* kSecond = "1_12-07-2026_10-00-20";

struct ArchiveFiling : testing::Test {
  ArchiveFiling() { line(h.lines, 10) = "3"; }

  std::string w(const std::string& stem) { return h.t.file("W/" + stem + ".wav"); }
  std::string hour() { return h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-10"); }
  // The files of the tree: name and size.
  std::vector<std::pair<std::string, std::uint64_t>> treeFiles() {
    std::vector<std::pair<std::string, std::uint64_t>> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(h.t.file("FK_1"), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_regular_file())
        files.emplace_back(it->path().filename().string(), it->file_size());
    std::sort(files.begin(), files.end());
    return files;
  }
  std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Transmissions from 0.2 to 5.2 s and from 20.2 to 25.2 s, both filed.
  Program& recordTwo(const std::string& format) {
    line(h.lines, 41) = format;
    h.twoTransmissions();
    Program& p = h.start();
    h.t.loop.runFor(40'000);
    return p;
  }

  RecorderHarness h;
};

TEST_F(ArchiveFiling, FlacInTheTreeHoldsTheSamplesOfTheWaveInW) {
  Program& p = recordTwo("flac");
  EXPECT_EQ(namesIn(hour()), (std::vector<std::string>{std::string(kFirst) + ".flac",
                                                       std::string(kSecond) + ".flac"}));
  for (const char* stem : {kFirst, kSecond}) {
    const auto wave = h.samplesOf(w(stem));
    ASSERT_GT(wave.size(), 4u * RecorderHarness::kRate) << stem;
    const auto flac = decodeSoundFile(hour() + "/" + stem + ".flac");
    ASSERT_TRUE(flac) << stem;
    EXPECT_EQ(flac->format, SF_FORMAT_FLAC | SF_FORMAT_PCM_S8);
    EXPECT_EQ(flac->rate, RecorderHarness::kRate);
    ASSERT_EQ(flac->samples.size(), wave.size()) << stem;
    for (std::size_t i = 0; i < wave.size(); ++i)
      ASSERT_EQ(flac->samples[i] >> 24, wave[i] - 128) << stem << " sample " << i;
  }
  // The list reads W as ever.
  EXPECT_EQ(p.soundFileCount, 2);
  EXPECT_FALSE(fs::exists(h.t.file(RecordingFiler::kTreeOwedFile)));
}

struct LossyArchiveFiling : ArchiveFiling, testing::WithParamInterface<const char*> {};

TEST_P(LossyArchiveFiling, TheTreeCopyLastsAsLongAsTheWave) {
  const std::string format = GetParam();
  recordTwo(format);
  for (const char* stem : {kFirst, kSecond}) {
    const std::string copy = hour() + "/" + stem + "." + format;
    const auto decoded = decodeSoundFile(copy);
    ASSERT_TRUE(decoded) << copy;
    const double seconds =
        static_cast<double>(h.samplesOf(w(stem)).size()) / RecorderHarness::kRate;
    EXPECT_NEAR(decoded->seconds(), seconds, 0.05) << copy;
    EXPECT_LT(fs::file_size(copy), fs::file_size(w(stem)) / 2) << copy;
  }
  EXPECT_EQ(namesIn(hour()).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(OpusAndMp3, LossyArchiveFiling, testing::Values("opus", "mp3"));

TEST_F(ArchiveFiling, AnOwedCopyAlreadyInTheTreeInAnotherFormatIsNotMadeTwice) {
  line(h.lines, 16) = "0";
  line(h.lines, 41) = "flac";
  fs::create_directories(h.t.file("W"));
  const std::vector<std::uint8_t> sound(5 * RecorderHarness::kRate, 200);
  const std::string early = "1_12-07-2026_09-00-00";
  const std::string late = "1_12-07-2026_09-30-00";
  (void)writeMonoU8Wave(w(early), RecorderHarness::kRate, sound);
  (void)writeMonoU8Wave(w(late), RecorderHarness::kRate, sound);
  // An English tree holds the early one already, as MP3: written while the program ran
  // in English with that format, before the list of owed copies was settled.
  const std::string english = h.t.file("RC_1/JJ_2026/MM-12/DD-07/hh-09");
  fs::create_directories(english);
  writeFile(english + "/" + early + ".mp3", "an earlier copy");
  writeFile(h.t.file(RecordingFiler::kTreeOwedFile), w(early) + "\n" + w(late) + "\n");

  h.start();
  h.t.loop.runPosted();
  const std::string german = h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-09");
  EXPECT_EQ(namesIn(german), std::vector<std::string>{late + ".flac"});
  EXPECT_EQ(readFile(english + "/" + early + ".mp3"), "an earlier copy");
  EXPECT_FALSE(fs::exists(h.t.file(RecordingFiler::kTreeOwedFile)));
}

TEST_F(ArchiveFiling, ANameWhoseCopyIsInAnyTreeInAnyFormatIsNotTakenAgain) {
  line(h.lines, 41) = "opus";
  // The English tree has a recording of 10:00:00 as MP3, and nothing else of it is left.
  const std::string english = h.t.file("RC_1/JJ_2026/MM-12/DD-07/hh-10");
  fs::create_directories(english);
  writeFile(english + "/" + kFirst + ".mp3", "kept");
  h.burst(5000);
  Program& p = h.start();
  h.t.loop.runFor(500);
  EXPECT_EQ(p.recorder.captureName, "1_12-07-2026_10-00-01.wav");
  h.t.loop.runFor(15'000);
  EXPECT_EQ(namesIn(hour()), std::vector<std::string>{"1_12-07-2026_10-00-01.opus"});
  EXPECT_EQ(readFile(english + "/" + kFirst + ".mp3"), "kept");
}

TEST_F(ArchiveFiling, ADiskLowOnSpaceWithoutACapIsToldOnceAndNothingIsDeleted) {
  FixedDiskSpace disk(150ull * 1024 * 1024);
  h.t.diskSpace = &disk;
  recordTwo("wav");
  EXPECT_EQ(namesIn(hour()).size(), 2u);
  // Once for both recordings.
  EXPECT_EQ(h.t.noticeCount("sind nur noch 150 MB frei"), 1);
}

TEST_F(ArchiveFiling, UnderAFiveMegabyteCapTheTreeKeepsTheNewestAndWKeepsThemAll) {
  line(h.lines, 11) = "60";  // maximum 60 s
  line(h.lines, 43) = "5";
  // Takes of about 54 s from 10:57 on, four of them before the full hour: 14 hold over
  // 8 MB as WAV.
  h.t.clock.setLocal({2026, 12, 7, 10, 57, 0, 0});
  for (int i = 0; i < 14; ++i) {
    h.burst(50'000);
    h.silence(6000);
  }
  Program& p = h.start();
  const std::uint64_t cap = 5 * 1024 * 1024;
  std::uint64_t most = 0;
  for (int second = 0; second < 14 * 56 + 20; ++second) {
    h.t.loop.runFor(1000);
    std::uint64_t tree = 0;
    for (const auto& [name, bytes] : treeFiles()) tree += bytes;
    most = std::max(most, tree);
  }
  EXPECT_LE(most, cap);
  EXPECT_GT(most, cap - 600'000) << "the cap is used, not a fraction of it";

  const auto inW = h.filesIn(h.t.file("W"));
  ASSERT_EQ(inW.size(), 14u);
  std::vector<std::string> inTree;
  for (const auto& [name, bytes] : treeFiles()) inTree.push_back(name);
  // As many of the newest as fit, the oldest gone; the hour folder they left is gone
  // with them.
  std::size_t fit = 0;
  for (std::uint64_t bytes = 0; fit < inW.size(); ++fit) {
    bytes += fs::file_size(h.t.file("W/" + inW[inW.size() - 1 - fit]));
    if (bytes > cap) break;
  }
  EXPECT_EQ(inTree, std::vector<std::string>(inW.end() - fit, inW.end()));
  EXPECT_LT(fit, 10u);
  EXPECT_FALSE(fs::exists(h.t.file("FK_1/Ja_2026/Mo-12/Tg-07/hh-10")));
  EXPECT_FALSE(fs::exists(h.t.file(RecordingFiler::kTreeOwedFile)));
  // Each deletion is in the log; the cap is kept, so there is nothing to tell.
  const std::string log = readFile(p.log.path());
  EXPECT_NE(log.find(inW.front().substr(0, 21) + ".wav deleted to keep the archive under its cap"),
            std::string::npos);
  EXPECT_FALSE(h.t.noticed("Grenze"));
}

}  // namespace
}  // namespace tv::test
