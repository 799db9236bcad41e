#include "player/wav/wav_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/sound/wav_bytes.h"

namespace tv {
namespace {

using test::WavBytes;
using Outcome = WaveHeaderOutcome;

std::vector<std::uint8_t> canonical(std::uint32_t rate, std::uint32_t dataBytes) {
  return WavBytes()
      .canonicalStart(1, rate, 8)
      .id("data")
      .u32(dataBytes)
      .fill(dataBytes, 127)
      .data();
}

TEST(LoadWave, CanonicalFileGivesDataAndDuration) {
  const auto loaded = LoadWave(canonical(8000, 88000));
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.info.dataStart, 44);
  EXPECT_EQ(loaded.info.dataLength, 88000);
  EXPECT_EQ(loaded.info.channelCount, 1);
  EXPECT_EQ(loaded.info.bitsPerSample, 8);
  EXPECT_EQ(loaded.durationText, "  11.00");
}

TEST(LoadWave, SkipsExtraChunksAfterLongFmtAndRoundsOddLengths) {
  // fmt of 18 bytes, then a "fact" chunk of odd length 5 padded to 6.
  const auto bytes = WavBytes()
                         .id("RIFF")
                         .u32(0)
                         .id("WAVE")
                         .id("fmt ")
                         .u32(18)
                         .u16(1)
                         .u16(2)
                         .u32(22050)
                         .u32(88200)
                         .u16(4)
                         .u16(16)
                         .u16(0)
                         .id("fact")
                         .u32(5)
                         .fill(6, 0)
                         .id("data")
                         .u32(8820)
                         .fill(8820, 0)
                         .data();
  const auto loaded = LoadWave(bytes);
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.info.dataStart, 38 + 14 + 8);
  EXPECT_EQ(loaded.info.channelCount, 2);
  EXPECT_EQ(loaded.info.bitsPerSample, 16);
  EXPECT_EQ(loaded.durationText, "   0.10");
}

TEST(LoadWave, AcceptsLowerCaseIdentifiers) {
  auto bytes = canonical(8000, 100);
  std::copy_n("riff", 4, bytes.begin());
  std::copy_n("wave", 4, bytes.begin() + 8);
  std::copy_n("data", 4, bytes.begin() + 36);
  EXPECT_TRUE(LoadWave(bytes).usable());
}

TEST(ReadWaveHeader, ShortFilesByLength) {
  const auto full = canonical(8000, 100);
  EXPECT_EQ(ReadWaveHeader(std::span(full).first(39)).outcome, Outcome::tooShort);
  for (std::size_t size = 40; size <= 43; ++size) {
    EXPECT_EQ(ReadWaveHeader(std::span(full).first(size)).outcome, Outcome::unreadable) << size;
  }
  EXPECT_TRUE(ReadWaveHeader(std::span(full).first(44)).usable());
  auto notRiff = canonical(8000, 0);
  std::copy_n("RIFX", 4, notRiff.begin());
  EXPECT_EQ(ReadWaveHeader(notRiff).outcome, Outcome::unknownFormat);
  auto listFirst = canonical(8000, 0);
  std::copy_n("LIST", 4, listFirst.begin() + 12);
  EXPECT_EQ(ReadWaveHeader(listFirst).outcome, Outcome::unknownFormat);
}

TEST(ReadWaveHeader, NoDataChunk) {
  // The last chunk ends exactly at the end of the file...
  const auto neat = WavBytes().canonicalStart(1, 8000, 8).id("LIST").u32(4).id("INFO").data();
  EXPECT_EQ(ReadWaveHeader(neat).outcome, Outcome::noDataChunk);
  // ...or claims more than the file holds.
  const auto cut = WavBytes().canonicalStart(1, 8000, 8).id("LIST").u32(4000).fill(10, 0).data();
  EXPECT_EQ(ReadWaveHeader(cut).outcome, Outcome::noDataChunk);
  // A walk that stops inside the next chunk header is a broken file.
  const auto broken = WavBytes().canonicalStart(1, 8000, 8).id("LIST").u32(0).id("da").data();
  EXPECT_EQ(ReadWaveHeader(broken).outcome, Outcome::unreadable);
}

TEST(LoadWave, DataLongerThanFileIsCutAndBadByteRateIsOne) {
  auto bytes = WavBytes().canonicalStart(1, 8000, 8).id("data").u32(1000000).fill(300, 1).data();
  auto loaded = LoadWave(bytes);
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.info.dataLength, 300);

  bytes = WavBytes()
              .id("RIFF")
              .u32(0)
              .id("WAVE")
              .id("fmt ")
              .u32(16)
              .u16(1)
              .u16(1)
              .u32(8000)
              .u32(0xFFFFFFF0u)
              .u16(1)
              .u16(8)
              .id("data")
              .u32(0x80000000u)
              .fill(50, 1)
              .data();
  loaded = LoadWave(bytes);
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.info.byteRate, 1);
  EXPECT_EQ(loaded.info.dataLength, 50);
  EXPECT_EQ(loaded.durationText, "  50.00");
}

TEST(ReadWaveHeader, HostileLengthsNeitherCrashNorHang) {
  // fmt length near 2^31 seeks far beyond the end.
  auto bytes =
      WavBytes().id("RIFF").u32(0).id("WAVE").id("fmt ").u32(0x7FFFFFFF).fill(40, 0).data();
  EXPECT_EQ(ReadWaveHeader(bytes).outcome, Outcome::unreadable);
  // Thousands of empty chunks are walked one by one to the data.
  WavBytes many;
  many.canonicalStart(1, 8000, 8);
  for (int i = 0; i < 5000; ++i) many.id("junk").u32(0);
  many.id("data").u32(2).fill(2, 0);
  const auto loaded = LoadWave(many.data());
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.info.dataStart, 36 + 5001 * 8);

  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    WavBytes noise;
    noise.canonicalStart(1, 8000, 8);
    std::vector<std::uint8_t> tail(random() % 120);
    for (auto& b : tail) b = static_cast<std::uint8_t>(random());
    auto file = noise.bytes(tail).data();
    if (round % 2) file[16 + random() % 4] = static_cast<std::uint8_t>(random());
    const auto result = LoadWave(file);
    if (result.usable()) {
      EXPECT_LE(result.info.dataStart + result.info.dataLength, result.info.fileLength);
    }
  }
}

TEST(LoadWave, ReadsFilesByTrimmedPathAndFailsQuietlyOnMissingOnes) {
  const auto dir = test::scratchDirectory("wav-reader");
  WavBytes().bytes(canonical(11025, 11025)).writeTo(dir / "a.wav");
  const auto loaded = LoadWave("  " + (dir / "a.wav").string() + " ");
  ASSERT_TRUE(loaded.usable());
  EXPECT_EQ(loaded.durationText, "   1.00");
  EXPECT_EQ(LoadWave((dir / "missing.wav").string()).outcome, Outcome::unreadable);
  EXPECT_EQ(LoadWave(dir.string()).outcome, Outcome::unreadable);
  std::filesystem::remove_all(dir);
}

// Files as other programs, broken disks and hostile senders make them, opened by path as
// the window opens them: each gets one answer, usable with its true length or refused
// with a reason, and none is read beyond what it holds.
TEST(LoadWave, EveryHostileFileGetsOneClearAnswer) {
  const auto dir = test::scratchDirectory("wav-hostile");
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Outcome outcome;
    const char* durationOrReason;
  };
  std::vector<Case> cases;
  const auto silence16 = [](std::size_t bytes) { return std::vector<std::uint8_t>(bytes, 0); };

  // Cut off inside the data: the whole frames that are there.
  cases.push_back(
      {"truncated data",
       WavBytes().canonicalStart(2, 8000, 16).id("data").u32(64000).fill(16001, 0).data(),
       Outcome::usable, "   0.50"});
  // Cut off inside an extensible format chunk, before its subformat.
  WavBytes cutFormat;
  cutFormat.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(40).u16(0xFFFE).u16(2).u32(8000);
  cutFormat.u32(32000).u16(4).u16(16).u16(22).u16(16).u32(3);
  cases.push_back({"truncated format", cutFormat.data(), Outcome::unknownFormat, "0xFFFE"});
  cases.push_back({"no channels",
                   WavBytes().canonicalStart(0, 8000, 16).id("data").u32(100).fill(100, 0).data(),
                   Outcome::unknownFormat, "no channels"});
  cases.push_back(
      {"24-bit",
       WavBytes().canonicalStart(2, 8000, 24).id("data").u32(48000).bytes(silence16(48000)).data(),
       Outcome::usable, "   1.00"});
  // WAVE_FORMAT_EXTENSIBLE with the PCM subformat: its tag is not a divisor of the length.
  WavBytes extensible;
  extensible.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(40).u16(0xFFFE).u16(2).u32(8000);
  extensible.u32(32000).u16(4).u16(16).u16(22).u16(16).u32(3).u16(1).fill(14, 0x11);
  extensible.id("data").u32(32000).fill(32000, 0);
  cases.push_back({"extensible", extensible.data(), Outcome::usable, "   1.00"});
  WavBytes dataFirst;
  dataFirst.id("RIFF").u32(0).id("WAVE").id("data").u32(8000).fill(8000, 128);
  dataFirst.id("fmt ").u32(16).u16(1).u16(1).u32(8000).u32(8000).u16(1).u16(8);
  cases.push_back({"data before fmt", dataFirst.data(), Outcome::usable, "   1.00"});
  // An odd chunk is padded to even; its pad byte is not sound.
  WavBytes odd;
  odd.canonicalStart(1, 8000, 8)
      .id("LIST")
      .u32(3)
      .fill(4, 'x')
      .id("data")
      .u32(3999)
      .fill(4000, 128);
  cases.push_back({"odd chunk sizes", odd.data(), Outcome::usable, "   0.50"});
  cases.push_back(
      {"not RIFF", std::vector<std::uint8_t>(100, 'x'), Outcome::unknownFormat, "not a WAV file"});

  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir / (std::string(c.name) + ".wav");
    WavBytes().bytes(c.bytes).writeTo(path);
    const LoadedWave loaded = LoadWave(path.string());
    EXPECT_EQ(loaded.outcome, c.outcome);
    if (c.outcome == Outcome::usable) {
      EXPECT_EQ(loaded.durationText, c.durationOrReason);
      HeaderFieldTable table;
      EXPECT_NEAR(ReadHeaderFields(path.string(), table), std::stod(c.durationOrReason), 0.005);
    } else {
      EXPECT_NE(loaded.refusal.find(c.durationOrReason), std::string::npos) << loaded.refusal;
      EXPECT_TRUE(loaded.durationText.empty());
    }
  }

  // A 3 GiB data chunk: its size is a number above 2^31, not a negative one.
  const auto big = dir / "three gigabytes.wav";
  WavBytes().canonicalStart(2, 44100, 16).id("data").u32(0xC0000000u).writeTo(big);
  std::filesystem::resize_file(big, 44 + 0xC0000000ull);
  const LoadedWave loaded = LoadWave(big.string());
  ASSERT_TRUE(loaded.usable()) << loaded.refusal;
  EXPECT_EQ(loaded.info.dataLength, 0xC0000000ll);
  EXPECT_EQ(ReadWaveHeader(big.string()).info.dataLength, 0xC0000000ll);
  EXPECT_NEAR(loaded.info.duration, 0xC0000000ull / (44100.0 * 4), 1e-6);
  std::filesystem::remove_all(dir);
}

TEST(DurationText, TwoDecimalsInSevenCharacters) {
  EXPECT_EQ(durationText(0), "   0.00");
  EXPECT_EQ(durationText(12.349), "  12.35");
  EXPECT_EQ(durationText(12345.678), "12345.68");
}

TEST(ReadHeaderFields, FillsTheTableAndReturnsSeconds) {
  HeaderFieldTable table;
  auto bytes = canonical(8000, 16000);
  EXPECT_DOUBLE_EQ(ReadHeaderFields(bytes, table), 2.0);
  const std::array<std::string, 13> expected = {"RIFF", "0",    "WAVE", "fmt ", "16",   "1",    "1",
                                                "8000", "8000", "1",    "8",    "data", "16000"};
  EXPECT_EQ(table.entries, expected);

  // The 46-byte variant: an 18-byte fmt chunk moves the data header by 2.
  bytes = WavBytes()
              .id("RIFF")
              .u32(0)
              .id("WAVE")
              .id("fmt ")
              .u32(18)
              .u16(1)
              .u16(2)
              .u32(11025)
              .u32(44100)
              .u16(4)
              .u16(16)
              .u16(0)
              .id("data")
              .u32(44100)
              .fill(10, 0)
              .data();
  EXPECT_DOUBLE_EQ(ReadHeaderFields(bytes, table), 1.0);
  EXPECT_EQ(table[12], "data");
  EXPECT_EQ(table[13], "44100");
}

TEST(ReadHeaderFields, OtherFmtLengthsAndFailuresKeepWhatTheyMust) {
  HeaderFieldTable table;
  ASSERT_GT(ReadHeaderFields(canonical(8000, 16000), table), 0);

  auto fmt20 = canonical(8000, 100);
  fmt20[16] = 20;
  EXPECT_EQ(ReadHeaderFields(fmt20, table), 0);
  EXPECT_EQ(table[5], "20");
  EXPECT_EQ(table[12], "data");
  EXPECT_EQ(table[13], "16000");

  const HeaderFieldTable before = table;
  const auto short49 = canonical(8000, 5);
  EXPECT_EQ(ReadHeaderFields(std::span(short49).first(49), table), 0);
  EXPECT_EQ(table.entries, before.entries);
  EXPECT_EQ(ReadHeaderFields("/nonexistent/x.wav", table), 0);
  EXPECT_EQ(table.entries, before.entries);

  auto noRate = canonical(0, 100);
  EXPECT_EQ(ReadHeaderFields(noRate, table), 0);
  EXPECT_EQ(table[8], "0");
  EXPECT_EQ(table[13], "100");
}

}  // namespace
}  // namespace tv
