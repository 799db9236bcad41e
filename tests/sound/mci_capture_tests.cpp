#include "platform/sound/mci.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/sound/wav_bytes.h"
#include "tests/support/small_disk.h"
#include "tests/support/sound/manual_clock.h"
#include "tests/support/sound/scripted_sound_system.h"

namespace tv {
namespace {

constexpr std::string_view kOpen = "open new type waveaudio alias capture ";
constexpr std::string_view kFormat8000 =
    "set capture time format milliseconds  bitspersample 8 samplespersec 8000 channels 1 "
    "bytespersec 8000 alignment 1";

std::vector<std::uint8_t> run(std::uint8_t first, std::size_t count) {
  std::vector<std::uint8_t> samples(count);
  std::iota(samples.begin(), samples.end(), first);
  return samples;
}

class MciCapture : public ::testing::Test {
 protected:
  MciCapture()
      : dir_(test::scratchDirectory("mci-capture")), sound_(clock_), mci_(sound_, &takeFiles_) {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    mci_.setInputStream(stream_);
  }
  ~MciCapture() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  void expectOk(std::string_view command) {
    EXPECT_EQ(mci_.sendString(command), "") << command;
    EXPECT_TRUE(mci_.log().back().ok) << command;
  }
  void expectRefused(std::string_view command) {
    EXPECT_FALSE(mci_.sendString(command).empty()) << command;
    EXPECT_FALSE(mci_.log().back().ok) << command;
  }

  std::filesystem::path dir_;
  std::filesystem::path previous_;
  ManualClock clock_;
  ScriptedSoundSystem sound_;
  test::SmallDisk takeFiles_;
  std::shared_ptr<ScriptedCaptureStream> stream_ = std::make_shared<ScriptedCaptureStream>(8000);
  Mci mci_;
};

TEST_F(MciCapture, SavedFileHoldsRecordToStopLessThePauses) {
  stream_->feed(run(0, 50));  // before record: not in the file
  expectOk(kOpen);
  expectOk(kFormat8000);
  expectOk("record capture ");
  stream_->feed(run(1, 100));
  expectOk("pause capture wait ");
  stream_->feed(run(101, 30));  // paused: not in the file
  expectOk("resume capture wait ");
  stream_->feed(run(131, 20));
  expectOk("stop capture wait ");
  stream_->feed(run(151, 5));  // after stop: not in the file
  expectOk("save capture wait 1_03-04-2024_10-11-12.wav");
  expectOk("close capture wait ");

  const auto file = test::readFile(dir_ / "1_03-04-2024_10-11-12.wav");
  std::vector<std::uint8_t> samples = run(1, 100);
  const auto resumed = run(131, 20);
  samples.insert(samples.end(), resumed.begin(), resumed.end());
  EXPECT_EQ(file, test::pcmWave(1, 8000, 8, samples));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "1_03-04-2024_10-11-12.wav.part"));
}

TEST_F(MciCapture, ATakeIsOnDiskWhileRecordedAndGoesWithACloseUnlessSaved) {
  const auto working = dir_ / "1_03-04-2024_10-11-12.wav";
  expectOk(kOpen);
  mci_.setCaptureFile(working.string());
  expectOk("record capture ");
  stream_->feed(run(0, 100));
  // Nothing of it waits for the save.
  EXPECT_EQ(std::filesystem::file_size(working), 44u + 100u);
  expectOk("stop capture wait ");
  expectOk("close capture ");
  EXPECT_FALSE(std::filesystem::exists(working));

  expectOk(kOpen);
  mci_.setCaptureFile(working.string());
  expectOk("record capture ");
  stream_->feed(run(0, 30));
  expectOk("stop capture wait ");
  expectOk("save capture wait " + working.string());
  expectOk("close capture wait ");
  EXPECT_EQ(test::readFile(working), test::pcmWave(1, 8000, 8, run(0, 30)));

  // A name that is taken (a take not yet filed) is not written over.
  expectOk(kOpen);
  mci_.setCaptureFile(working.string());
  expectOk("record capture ");
  stream_->feed(run(50, 30));
  ASSERT_TRUE(mci_.captureFault());
  expectOk("stop capture wait ");
  expectRefused("save capture wait " + working.string());
  expectOk("close capture wait ");
  EXPECT_EQ(test::readFile(working), test::pcmWave(1, 8000, 8, run(0, 30)));
}

TEST_F(MciCapture, AFailedSaveKeepsWhatWasWrittenForTheNextStart) {
  const auto working = dir_ / "1_03-04-2024_10-11-12.wav";
  expectOk(kOpen);
  mci_.setCaptureFile(working.string());
  expectOk("record capture ");
  stream_->feed(run(0, 8000));  // one second: synced, counted by the header
  stream_->feed(run(0, 100));
  EXPECT_FALSE(mci_.captureFault());
  EXPECT_EQ(mci_.captureDurable(), 8000u);
  takeFiles_.setFailSync(true);
  expectOk("stop capture wait ");
  expectRefused("save capture wait " + working.string());
  expectOk("close capture wait ");
  ASSERT_TRUE(std::filesystem::exists(working));
  EXPECT_GE(std::filesystem::file_size(working), 44u + 8000u);
}

TEST_F(MciCapture, MalformedCommandsAreRefusedAndChangeNothing) {
  expectRefused("open new type waveaudio alias capture");  // trailing blank missing
  expectRefused("record capture ");                        // nothing open yet
  expectOk(kOpen);
  expectRefused(kOpen);  // the alias is taken
  expectRefused(
      "set capture time format milliseconds bitspersample 8 samplespersec 8000 channels 1 "
      "bytespersec 8000 alignment 1");
  expectRefused(
      "set capture time format milliseconds  bitspersample 16 samplespersec 8000 channels 1 "
      "bytespersec 16000 alignment 1");
  expectRefused(
      "set capture time format milliseconds  bitspersample 8 samplespersec 8000 channels 1 "
      "bytespersec 8001 alignment 1");
  expectRefused(
      "set capture time format milliseconds  bitspersample 8 samplespersec -8000 channels 1 "
      "bytespersec 8000 alignment 1");
  expectRefused(std::string(kFormat8000) + " ");
  expectRefused("record capture");
  expectRefused("Record capture ");
  expectRefused("save capture wait ");
  expectRefused("close capture");
  stream_->feed(run(0, 10));  // the device is still open and idle
  expectOk("stop capture wait ");
  expectOk("save capture wait empty.wav");
  EXPECT_EQ(test::readFile(dir_ / "empty.wav"), test::pcmWave(1, 11025, 8, {}));
  expectOk("close capture ");
  expectRefused("close capture ");
  expectRefused("resume capture wait ");
}

TEST_F(MciCapture, FailedSaveIsAnErrorAndLeavesNoFile) {
  expectOk(kOpen);
  expectOk("record capture ");
  stream_->feed(run(0, 10));
  expectOk("stop capture wait ");
  expectRefused("save capture wait missing/take.wav");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
  std::filesystem::create_directory(dir_ / "taken.wav");
  expectRefused("save capture wait taken.wav");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "taken.wav"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "taken.wav.part"));
  // The take survives a failed save.
  expectOk("save capture wait good.wav");
  EXPECT_EQ(test::readFile(dir_ / "good.wav").size(), 44u + 10u);
}

TEST_F(MciCapture, ClosedInputEndsTheTakeButKeepsIt) {
  expectOk(kOpen);
  expectOk("record capture ");
  stream_->feed(run(0, 25));
  stream_.reset();
  mci_.setInputStream({});
  expectOk("stop capture wait ");
  expectOk("save capture wait kept.wav");
  EXPECT_EQ(test::readFile(dir_ / "kept.wav"), test::pcmWave(1, 8000, 8, run(0, 25)));
  expectOk("close capture wait ");
  expectOk(kOpen);
  expectRefused("record capture ");  // nothing to record from
}

TEST_F(MciCapture, LogKeepsTheNewestCommandsWithTheirReplies) {
  Mci small(sound_, nullptr, TakeWriter::Mode::whereDelivered, 2);
  small.sendString("bogus");
  small.sendString(kOpen);
  small.sendString(kOpen);
  ASSERT_EQ(small.log().size(), 2u);
  EXPECT_EQ(small.log()[0].command, kOpen);
  EXPECT_TRUE(small.log()[0].ok);
  EXPECT_FALSE(small.log()[1].ok);
  EXPECT_EQ(small.log()[1].reply, "The specified alias is already being used.");
}

}  // namespace
}  // namespace tv
