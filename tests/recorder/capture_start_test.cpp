#include "platform/sound/mci.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "platform/posix/posix_take_file.h"
#include "platform/sound/wav_file.h"
#include "tests/support/sound/manual_clock.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

std::vector<std::uint8_t> run(std::uint8_t first, std::size_t count) {
  std::vector<std::uint8_t> samples(count);
  std::iota(samples.begin(), samples.end(), first);
  return samples;
}

struct CaptureStart : testing::Test {
  CaptureStart() : sound(clock), mci(sound, &takeFiles) {
    previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    mci.setInputStream(stream);
    mci.sendString("open new type waveaudio alias capture ");
  }
  ~CaptureStart() override { std::filesystem::current_path(previous); }
  std::vector<std::uint8_t> saved() {
    EXPECT_EQ(mci.sendString("save capture wait take.wav"), "");
    return readPcmWave("take.wav")->data;
  }

  test::TempFolder folder;
  std::filesystem::path previous;
  ManualClock clock;
  ScriptedSoundSystem sound;
  PosixTakeFiles takeFiles;
  std::shared_ptr<ScriptedCaptureStream> stream =
      std::make_shared<ScriptedCaptureStream>(8000, 4096);
  Mci mci;
};

TEST_F(CaptureStart, ATakeMayBeginBeforeTheRecordCommand) {
  stream->feed(run(0, 100));
  mci.setCaptureStart(40);
  mci.sendString("record capture ");
  stream->feed(run(100, 20));
  mci.sendString("stop capture wait ");
  EXPECT_EQ(saved(), run(40, 80));
  ASSERT_TRUE(mci.captureSpan());
  EXPECT_EQ(mci.captureSpan()->first, 40u);
  EXPECT_EQ(mci.captureSpan()->end, 120u);
}

TEST_F(CaptureStart, AStartOlderThanTheRingBeginsAtItsOldestSample) {
  std::vector<std::uint8_t> many(10'000);
  for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint8_t>(i * 7);
  stream->feed(many);
  mci.setCaptureStart(0);
  mci.sendString("record capture ");
  mci.sendString("stop capture wait ");
  const auto got = saved();
  ASSERT_EQ(got.size(), 4096u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), many.end() - 4096));
  EXPECT_EQ(mci.captureSpan()->first, 10'000u - 4096);
}

TEST_F(CaptureStart, TheStartServesOneTakeAndNotAResume) {
  stream->feed(run(0, 50));
  mci.setCaptureStart(10);
  mci.sendString("record capture ");
  mci.sendString("pause capture wait ");
  stream->feed(run(50, 10));  // paused: not recorded
  mci.sendString("resume capture wait ");
  stream->feed(run(60, 5));
  mci.sendString("stop capture wait ");
  auto expected = run(10, 40);
  const auto resumed = run(60, 5);
  expected.insert(expected.end(), resumed.begin(), resumed.end());
  EXPECT_EQ(saved(), expected);
  mci.sendString("close capture ");

  mci.sendString("open new type waveaudio alias capture ");
  EXPECT_FALSE(mci.captureSpan());
  mci.sendString("record capture ");  // no start set: from the command on
  stream->feed(run(65, 3));
  mci.sendString("stop capture wait ");
  EXPECT_EQ(saved(), run(65, 3));
}

}  // namespace
}  // namespace tv
