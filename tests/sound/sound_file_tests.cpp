#include "platform/sound/sound_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/sound/wav_file.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/sndfile/sound_writer.h"

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
  const auto refusal = [&](const char* name, const test::WavBytes& wav) {
    auto refused = openSoundFile(write(name, wav.data()));
    return refused ? std::string("opened") : refused.error().message;
  };
  test::WavBytes none;
  none.id("RIFF").u32(4).id("WAVE");
  EXPECT_NE(refusal("none.wav", none).find("no format chunk"), std::string::npos);
  test::WavBytes twelveBit;
  twelveBit.canonicalStart(1, 8000, 12).id("data").u32(4).fill(4, 0);
  EXPECT_NE(refusal("12.wav", twelveBit).find("12-bit"), std::string::npos);
  // A compressed coding neither reader decodes is named.
  test::WavBytes adpcm;
  adpcm.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(16).u16(0x11).u16(1).u32(8000).u32(4000);
  adpcm.u16(256).u16(4).id("data").u32(16).fill(16, 0x33);
  EXPECT_NE(refusal("ima.wav", adpcm).find("IMA ADPCM"), std::string::npos);
}

// Frames of `channels` samples, each written by `put` from the sample's value.
template <class Put>
std::vector<std::uint8_t> frames(int count, int channels, int bytes, Put put) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(count * channels * bytes));
  for (int f = 0; f < count; ++f)
    for (int c = 0; c < channels; ++c) put(out.data() + (f * channels + c) * bytes, f, c);
  return out;
}

std::int16_t at16(const std::vector<std::uint8_t>& b, std::size_t i) {
  return static_cast<std::int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
}

// Wide, floating-point and many-channel sound is delivered as 16-bit mono or stereo:
// what the output, the waveform, the peak bar and cutting all take.
TEST_F(SoundFile, WideFloatAndSurroundSoundIsDeliveredAsSixteenBitStereo) {
  // 24-bit stereo: the upper 16 bits of each sample.
  const auto wide = frames(100, 2, 3, [](std::uint8_t* p, int f, int c) {
    const int v = (c ? -1 : 1) * f * 300 * 256 + 0x7F;
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  });
  auto sound = openSoundFile(write("24.wav", test::pcmWave(2, 48000, 24, wide)));
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().bitsPerSample, 16);
  EXPECT_EQ((*sound)->info().frames, 100u);
  std::vector<std::uint8_t> out(400);
  ASSERT_EQ(*(*sound)->read(0, out), 100u);
  EXPECT_EQ(at16(out, 2 * 50), 50 * 300);
  EXPECT_EQ(at16(out, 2 * 50 + 1), -50 * 300);

  // 32-bit float, as WAVE_FORMAT_EXTENSIBLE with the float subformat: ±1 is full scale.
  const auto floats = frames(10, 1, 4, [](std::uint8_t* p, int f, int) {
    const float v = f == 9 ? 3.0f : (f - 4) / 4.0f;
    std::memcpy(p, &v, 4);
  });
  test::WavBytes extensible;
  extensible.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(40).u16(0xFFFE).u16(1).u32(8000);
  extensible.u32(32000).u16(4).u16(32).u16(22).u16(32).u32(4).u16(3).fill(14, 0x11);
  extensible.id("data").u32(static_cast<std::uint32_t>(floats.size())).bytes(floats);
  sound = openSoundFile(write("float.wav", extensible.data()));
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().channels, 1);
  std::vector<std::uint8_t> mono(20);
  ASSERT_EQ(*(*sound)->read(0, mono), 10u);
  EXPECT_EQ(at16(mono, 0), -32767);
  EXPECT_EQ(at16(mono, 4), 0);
  EXPECT_EQ(at16(mono, 6), 16384);
  EXPECT_EQ(at16(mono, 9), 32767);  // beyond full scale: clipped, not wrapped

  // 5.1 in 16 bits: front left and right keep their sides, the rest is shared.
  const auto surround = frames(4, 6, 2, [](std::uint8_t* p, int, int c) {
    const std::int16_t v = c == 0 ? 6000 : c == 1 ? -6000 : 600;
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
  });
  sound = openSoundFile(write("51.wav", test::pcmWave(6, 44100, 16, surround)));
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().channels, 2);
  std::vector<std::uint8_t> stereo(16);
  ASSERT_EQ(*(*sound)->read(0, stereo), 4u);
  EXPECT_EQ(at16(stereo, 0), (6000 + 4 * 600) / 5);
  EXPECT_EQ(at16(stereo, 1), (-6000 + 4 * 600) / 5);

  // 8-bit with four channels stays 8-bit, as two.
  sound = openSoundFile(
      write("quad8.wav", test::pcmWave(4, 8000, 8, std::vector<std::uint8_t>(40, 200))));
  ASSERT_TRUE(sound) << sound.error().message;
  EXPECT_EQ((*sound)->info().bitsPerSample, 8);
  std::vector<std::uint8_t> eight(20);
  ASSERT_EQ(*(*sound)->read(0, eight), 10u);
  EXPECT_EQ(eight[0], 200);
}

// What the own reader does not decode comes through libsndfile: the archive's formats and
// WAV files it does not take, as 16-bit sound of the right length.
TEST_F(SoundFile, OtherProgramsFormatsOpenAtTheirLength) {
  constexpr int kRate = 48000;
  for (const char* name : {"a.flac", "a.opus", "a.mp3", "a.ogg", "a.w64", "a.rf64", "a.ulaw.wav"}) {
    SCOPED_TRACE(name);
    // libsndfile's own MP3 coder garbles stereo; the MP3 file is mono.
    const int channels = std::string_view(name) == "a.mp3" ? 1 : 2;
    std::vector<std::int16_t> tone(static_cast<std::size_t>(2 * kRate * channels));
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] =
          static_cast<std::int16_t>(12000 * std::sin((i / channels) * 2 * 3.14159 * 440 / kRate));
    const auto path = dir_ / name;
    ASSERT_EQ(test::writeSoundFile(path, channels, kRate, tone), "");
    auto sound = openSoundFile(path);
    ASSERT_TRUE(sound) << sound.error().message;
    const SoundFileInfo& info = (*sound)->info();
    EXPECT_EQ(info.channels, channels);
    EXPECT_EQ(info.bitsPerSample, 16);
    EXPECT_EQ(info.sampleRate, kRate);
    // Coders may add a frame or two of padding.
    EXPECT_NEAR(static_cast<double>(info.lengthMs()), 2000, 50);
    // Read in pieces from the middle on: the tone is there, about as loud as written.
    const std::size_t frame = static_cast<std::size_t>(info.bytesPerFrame());
    std::vector<std::uint8_t> out(frame * 4800);
    int loudest = 0;
    for (std::uint64_t at = kRate / 2; at < kRate; at += 4800) {
      auto read = (*sound)->read(at, out);
      ASSERT_TRUE(read) << read.error().message;
      ASSERT_EQ(*read, 4800u);
      for (std::size_t i = 0; i < out.size() / 2; ++i)
        loudest = std::max(loudest, std::abs(static_cast<int>(at16(out, i))));
    }
    EXPECT_GT(loudest, 9000);
    EXPECT_LT(loudest, 15000);
  }
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
