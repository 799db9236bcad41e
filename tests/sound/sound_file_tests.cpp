#include "platform/sound/sound_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/sound/wav_file.h"
#include "tests/sound/wav_bytes.h"

namespace tv {
namespace {

class SoundFile : public ::testing::Test {
 protected:
  SoundFile() : dir_(test::scratchDirectory("sound-file")) {}
  ~SoundFile() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path write(const char* name, const std::vector<std::uint8_t>& bytes) {
    test::WavBytes().bytes(bytes).writeTo(dir_ / name);
    return dir_ / name;
  }

  std::filesystem::path dir_;
};

std::vector<std::uint8_t> ramp(std::size_t n) {
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return bytes;
}

TEST_F(SoundFile, ReadsWholeFramesWhereverItIsAskedAndStopsAtTheEnd) {
  const auto data = ramp(4000 * 4);
  auto sound = openSoundFile(write("stereo.wav", test::pcmWave(2, 8000, 16, data)));
  ASSERT_TRUE(sound) << sound.error().message;
  const SoundFileInfo& info = (*sound)->info();
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.bitsPerSample, 16);
  EXPECT_EQ(info.sampleRate, 8000);
  EXPECT_EQ(info.frames, 4000u);
  EXPECT_EQ(info.lengthMs(), 500);
  EXPECT_EQ(info.lengthMs(16000), 250);

  // Ten bytes hold two whole frames; the rest of the buffer is left alone.
  std::vector<std::uint8_t> out(10, 0xEE);
  auto read = (*sound)->read(1234, out);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, 2u);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 8, data.begin() + 1234 * 4));
  EXPECT_EQ(out[8], 0xEE);

  std::vector<std::uint8_t> tail(400);
  read = (*sound)->read(3990, tail);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, 10u);
  EXPECT_EQ(*(*sound)->read(4000, tail), 0u);
  EXPECT_EQ(*(*sound)->read(1'000'000, tail), 0u);
}

TEST_F(SoundFile, ADataChunkLongerThanTheFileIsCutToWholeFramesPresent) {
  test::WavBytes wav;
  wav.canonicalStart(2, 8000, 16).id("data").u32(0xFFFFFFF0u).bytes(ramp(4001 + 2));
  auto sound = openSoundFile(write("cut.wav", wav.data()));
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().frames, 1000u);
}

TEST_F(SoundFile, FindsTheFormatAfterTheDataAndSkipsOtherChunks) {
  const auto data = ramp(100);
  test::WavBytes wav;
  wav.id("RIFF").u32(0).id("WAVE").id("LIST").u32(3).fill(4, 'x');
  wav.id("data").u32(100).bytes(data);
  wav.id("fmt ").u32(16).u16(1).u16(1).u32(8000).u32(8000).u16(1).u16(8);
  auto sound = openSoundFile(write("odd.wav", wav.data()));
  ASSERT_TRUE(sound) << sound.error().message;
  std::vector<std::uint8_t> out(100);
  ASSERT_EQ(*(*sound)->read(0, out), 100u);
  EXPECT_EQ(out, data);
}

TEST_F(SoundFile, OpensALongFileByItsHeaderAlone) {
  // A header that claims four gigabytes: opening reads no more than the header.
  test::WavBytes wav;
  wav.canonicalStart(2, 44100, 16).id("data").u32(0xFFFFFFFCu);
  const auto path = write("long.wav", wav.data());
  std::filesystem::resize_file(path, 44 + (std::uintmax_t{1} << 32) - 4);
  auto sound = openSoundFile(path);
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().frames, 0xFFFFFFFCu / 4);
  std::vector<std::uint8_t> out(16, 0xEE);
  EXPECT_EQ(*(*sound)->read((*sound)->info().frames - 2, out), 2u);
  EXPECT_EQ(out[0], 0);
}

TEST_F(SoundFile, WhatCannotBePlayedIsRefusedWithAReason) {
  EXPECT_FALSE(openSoundFile(dir_ / "missing.wav"));
  test::WavBytes none;
  none.id("RIFF").u32(4).id("WAVE");
  auto refused = openSoundFile(write("none.wav", none.data()));
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().message.find("no format chunk"), std::string::npos);
}

TEST(WavWriter, AFileAppearsWholeOrNotAtAll) {
  const auto dir = test::scratchDirectory("wav-writer");
  const auto path = dir / "out.wav";
  {
    auto writer = WavWriter::create(path, 2, 16, 22050);
    ASSERT_TRUE(writer);
    ASSERT_TRUE((*writer)->append(ramp(400)));
    EXPECT_FALSE(std::filesystem::exists(path));
    // Given up without finish(): nothing is left.
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));

  auto writer = WavWriter::create(path, 2, 16, 22050);
  ASSERT_TRUE(writer);
  ASSERT_TRUE((*writer)->append(ramp(400)));
  ASSERT_TRUE((*writer)->append(ramp(200)));
  ASSERT_TRUE((*writer)->finish());
  auto back = readPcmWave(path);
  ASSERT_TRUE(back) << back.error().message;
  EXPECT_EQ(back->sampleRate, 22050);
  EXPECT_EQ(back->channels, 2);
  EXPECT_EQ(back->data.size(), 600u);
  const auto bytes = test::readFile(path);
  EXPECT_EQ(bytes[28] | (bytes[29] << 8) | (bytes[30] << 16), 22050 * 4);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tv
