#include "platform/file/file_sound_system.h"

#include <gtest/gtest.h>

#include "platform/file/capture_format.h"
#include "platform/posix/posix_take_file.h"
#include "platform/sound/mci.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/manual_clock.h"

namespace tv {
namespace {

class FileInput : public ::testing::Test {
 protected:
  FileInput() : dir_(test::scratchDirectory("file-input")) {
    for (std::size_t i = 0; i < 1000; ++i) samples_.push_back(static_cast<std::uint8_t>(i % 200));
    test::WavBytes().bytes(test::pcmWave(1, 8000, 8, samples_)).writeTo(dir_ / "in.wav");
  }

  ~FileInput() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  std::vector<std::uint8_t> samples_;
  ManualClock clock_;
};

TEST_F(FileInput, SamplesArriveWithTheClockThenSilence) {
  FileSoundSystem sound(dir_ / "in.wav", clock_);
  ASSERT_EQ(sound.inputDevices().size(), 1u);
  auto opened = sound.openInput(sound.inputDevices().front().name, 8000);
  ASSERT_TRUE(opened.ok()) << opened.error().message;
  CaptureStream& stream = **opened;
  EXPECT_EQ(stream.produced(), 0u);
  clock_.advance(100);
  EXPECT_EQ(stream.produced(), 800u);
  clock_.advance(100);
  ASSERT_EQ(stream.produced(), 1600u);
  std::vector<std::uint8_t> out(1600);
  const auto got = stream.read(0, out);
  ASSERT_EQ(got.count, 1600u);
  std::vector<std::uint8_t> expected = samples_;
  expected.resize(1600, kSilentSample);
  EXPECT_EQ(out, expected);
}

TEST_F(FileInput, CaptureOverMinutesHoldsExactlyRecordToStop) {
  FileSoundSystem sound(dir_ / "in.wav", clock_);
  auto stream = *sound.openInput("in.wav", 8000);
  PosixTakeFiles takeFiles;
  Mci mci(sound, &takeFiles);
  mci.setInputStream(stream);
  clock_.advance(50);
  mci.sendString("open new type waveaudio alias capture ");
  mci.setCaptureFile((dir_ / "working.wav").string());
  mci.sendString("record capture ");
  // A jump far beyond the ring's capacity loses nothing in the capture.
  clock_.advance(10 * 60 * 1000);
  mci.sendString("stop capture wait ");
  const auto path = dir_ / "take.wav";
  ASSERT_EQ(mci.sendString("save capture wait " + path.string()), "");
  const auto file = test::readFile(path);
  ASSERT_EQ(file.size(), 44u + 10 * 60 * 8000);
  EXPECT_TRUE(std::equal(samples_.begin() + 400, samples_.end(), file.begin() + 44));
  EXPECT_TRUE(std::all_of(file.begin() + 44 + 600, file.end(),
                          [](std::uint8_t s) { return s == kSilentSample; }));
}

TEST_F(FileInput, ConvertsSixteenBitStereoAndOtherRates) {
  // 0x4000 on both channels is a quarter of full scale above the zero line.
  std::vector<std::uint8_t> frames;
  for (int i = 0; i < 1600; ++i) frames.insert(frames.end(), {0x00, 0x40, 0x00, 0x40});
  auto wave = parsePcmWave(test::pcmWave(2, 16000, 16, frames));
  ASSERT_TRUE(wave.ok());
  const auto half = toCaptureFormat(*wave, 8000);
  ASSERT_EQ(half.size(), 800u);
  EXPECT_TRUE(std::all_of(half.begin(), half.end(), [](std::uint8_t s) { return s == 192; }));
  EXPECT_EQ(toCaptureFormat(*wave, 44100).size(), 4410u);

  // A ramp keeps its shape when stretched.
  PcmWave ramp{1, 8, 4000, {0, 100, 200}};
  EXPECT_EQ(toCaptureFormat(ramp, 8000), (std::vector<std::uint8_t>{0, 50, 100, 150, 200, 200}));
}

TEST_F(FileInput, MissingFileIsAnErrorNotADevice) {
  FileSoundSystem sound(dir_ / "none.wav", clock_);
  EXPECT_TRUE(sound.inputDevices().empty());
  EXPECT_FALSE(sound.openInput("none.wav", 8000).ok());
  FileSoundSystem good(dir_ / "in.wav", clock_);
  // The file stands in for whatever card the settings name.
  EXPECT_TRUE(good.openInput("plughw:CARD=Device,DEV=0", 8000).ok());
  EXPECT_FALSE(good.openInput("in.wav", 0).ok());
}

}  // namespace
}  // namespace tv
