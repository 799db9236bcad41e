// The archive's compressed copies: FLAC keeps every sample, Opus and MP3 keep the length
// at the rates the recorder uses, and a copy that cannot be written leaves nothing behind.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/sndfile/sndfile_archive_writer.h"
#include "platform/sound/wav_file.h"
#include "tests/support/decoded_sound.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// Something like a voice: a wavering tone with a little noise, every value of the
// 8-bit range reached somewhere.
std::vector<std::uint8_t> voiceU8(int rate, double seconds) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(rate * seconds));
  std::uint32_t noise = 12345;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    noise = noise * 1664525u + 1013904223u;
    const double v = 0.85 * std::sin(2 * M_PI * (300 + 200 * std::sin(2 * M_PI * 3 * t)) * t) +
                     0.15 * (static_cast<double>(noise >> 16) / 32768.0 - 1);
    out[i] = static_cast<std::uint8_t>(std::lround(127.5 + 127.5 * std::clamp(v, -1.0, 1.0)));
  }
  return out;
}

struct ArchiveWriting : testing::Test {
  std::string at(const std::string& name) const { return temp.path() + "/" + name; }
  std::string recording(int rate, double seconds) {
    const std::string path = at("take_" + std::to_string(rate) + ".wav");
    sound = voiceU8(rate, seconds);
    EXPECT_TRUE(writeMonoU8Wave(path, rate, sound));
    return path;
  }

  TempFolder temp;
  SndfileArchiveWriter writer;
  std::vector<std::uint8_t> sound;
};

TEST_F(ArchiveWriting, FlacHoldsTheSameSamplesAsTheWaveLessOneHundredAndTwentyEight) {
  const std::string source = recording(11025, 2.5);
  ASSERT_TRUE(writer.write(source, at("take.flac"), ArchiveFormat::Flac));

  const auto flac = decodeSoundFile(at("take.flac"));
  ASSERT_TRUE(flac);
  EXPECT_EQ(flac->format, SF_FORMAT_FLAC | SF_FORMAT_PCM_S8);
  EXPECT_EQ(flac->rate, 11025);
  ASSERT_EQ(flac->samples.size(), sound.size());
  for (std::size_t i = 0; i < sound.size(); ++i)
    ASSERT_EQ(flac->samples[i] >> 24, sound[i] - 128) << "sample " << i;
  // Lossless, and still about half of the wave.
  EXPECT_LT(fs::file_size(at("take.flac")), fs::file_size(source));
}

TEST_F(ArchiveWriting, FlacOfASixteenBitWaveKeepsSixteenBits) {
  std::vector<short> wide(8000);
  for (std::size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<short>(static_cast<int>(i * 7919 % 65536) - 32768);
  ASSERT_TRUE(writeWave16(at("wide.wav"), 8000, wide));
  ASSERT_TRUE(writer.write(at("wide.wav"), at("wide.flac"), ArchiveFormat::Flac));
  const auto flac = decodeSoundFile(at("wide.flac"));
  ASSERT_TRUE(flac);
  EXPECT_EQ(flac->format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
  ASSERT_EQ(flac->samples.size(), wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) ASSERT_EQ(flac->samples[i] >> 16, wide[i]);
}

// Lossy copies at the recorder's usual rate and at CD rate: the decoded sound lasts as
// long as the recording, within 50 ms.
struct LossyCopy : ArchiveWriting, testing::WithParamInterface<std::tuple<ArchiveFormat, int>> {};

TEST_P(LossyCopy, DecodesToTheLengthOfTheRecording) {
  const auto [format, rate] = GetParam();
  const std::string source = recording(rate, 3.0);
  const std::string target = at("take" + std::string(archiveExtension(format)));
  const Result<void> written = writer.write(source, target, format);
  ASSERT_TRUE(written) << written.error().message;

  const auto copy = decodeSoundFile(target);
  ASSERT_TRUE(copy);
  if (format == ArchiveFormat::Opus) {
    EXPECT_EQ(copy->format, SF_FORMAT_OGG | SF_FORMAT_OPUS);
    EXPECT_EQ(copy->rate, opusRate(rate));
    // At speech's bit rate, not the library's default three times as high.
    EXPECT_LT(fs::file_size(target), fs::file_size(source) / 5);
  } else {
    EXPECT_EQ(copy->format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
  }
  EXPECT_NEAR(copy->seconds(), 3.0, 0.05);
  EXPECT_LT(fs::file_size(target), fs::file_size(source));
  EXPECT_FALSE(fs::exists(target + ".part"));
}

INSTANTIATE_TEST_SUITE_P(AtTheRecordersRates, LossyCopy,
                         testing::Combine(testing::Values(ArchiveFormat::Opus, ArchiveFormat::Mp3),
                                          testing::Values(11025, 44100)));

TEST(OpusRates, ARateTheWriterRefusesGoesToTheNextHigherItTakes) {
  EXPECT_EQ(opusRate(8000), 8000);
  EXPECT_EQ(opusRate(11025), 12000);
  EXPECT_EQ(opusRate(22050), 24000);
  EXPECT_EQ(opusRate(44100), 48000);
  EXPECT_EQ(opusRate(96000), 48000);
}

TEST_F(ArchiveWriting, ACopyThatCannotBeWrittenLeavesNoFileAndSaysWhy) {
  const std::string source = recording(11025, 1.0);
  // No such folder.
  const Result<void> nowhere = writer.write(source, at("gone/take.flac"), ArchiveFormat::Flac);
  ASSERT_FALSE(nowhere);
  EXPECT_NE(nowhere.error().message.find("take.flac"), std::string::npos);

  // Not a sound file: nothing is made under the target's name or the temporary one.
  writeFile(at("text.wav"), "not a sound at all, only words");
  for (ArchiveFormat format : {ArchiveFormat::Flac, ArchiveFormat::Opus, ArchiveFormat::Mp3}) {
    const std::string target = at("text" + std::string(archiveExtension(format)));
    const Result<void> refused = writer.write(at("text.wav"), target, format);
    EXPECT_FALSE(refused);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(target + ".part"));
  }
}

}  // namespace
}  // namespace tv::test
