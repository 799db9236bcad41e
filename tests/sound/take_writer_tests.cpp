#include "platform/sound/take_writer.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "platform/sound/wav_file.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/small_disk.h"
#include "tests/support/sound/scripted_sound_system.h"

namespace tv {
namespace {

constexpr int kRate = 1000;

std::vector<std::uint8_t> run(std::size_t first, std::size_t count) {
  std::vector<std::uint8_t> samples(count);
  for (std::size_t i = 0; i < count; ++i) samples[i] = static_cast<std::uint8_t>((first + i) * 7);
  return samples;
}

std::uint32_t dataSizeField(const std::vector<std::uint8_t>& file) {
  return file[40] | (file[41] << 8) | (file[42] << 16) |
         (static_cast<std::uint32_t>(file[43]) << 24);
}

struct TakeWriterTest : testing::Test {
  TakeWriterTest() : dir(test::scratchDirectory("take-writer")) {}
  ~TakeWriterTest() override { std::filesystem::remove_all(dir); }

  std::string path(const char* name = "take.wav") const { return (dir / name).string(); }
  // Feeds `total` samples in pieces of `piece`, as a capture thread delivers them.
  static void feed(TakeWriter& writer, std::size_t total, std::size_t piece) {
    for (std::size_t at = 0; at < total; at += piece) {
      writer.receive(run(at, std::min(piece, total - at)));
    }
  }

  std::filesystem::path dir;
  test::SmallDisk disk;
};

TEST_F(TakeWriterTest, TheFileHoldsEverySampleAndItsHeaderCountsTheLastWholeSecondAsItGoes) {
  TakeWriter writer(disk, path(), kRate, TakeWriter::Mode::whereDelivered);
  feed(writer, 2500, 300);
  // As a crash would leave it: every sample there, the header counting up to the last
  // second that was synced (1200, then 2400), never more than a second behind.
  auto file = test::readFile(path());
  ASSERT_EQ(file.size(), kWaveHeaderBytes + 2500);
  EXPECT_EQ(dataSizeField(file), 2400u);
  EXPECT_EQ(writer.progress().durable, 2400u);
  EXPECT_EQ(writer.progress().received, 2500u);

  // What the next start does with such a file: the data chunk runs to its end.
  const auto copy = dir / "crashed.wav";
  std::filesystem::copy_file(path(), copy);
  ASSERT_TRUE(completeWaveHeader(copy).value());
  EXPECT_EQ(test::readFile(copy), test::pcmWave(1, kRate, 8, run(0, 2500)));
  EXPECT_FALSE(completeWaveHeader(copy).value());  // complete now: left alone

  ASSERT_TRUE(writer.settle().ok());
  EXPECT_EQ(test::readFile(path()), test::pcmWave(1, kRate, 8, run(0, 2500)));
  EXPECT_EQ(writer.progress().durable, 2500u);
}

TEST_F(TakeWriterTest, OnItsOwnThreadItWritesWhatAStreamDeliversFromAnotherThread) {
  ScriptedCaptureStream stream(kRate, 4096);
  constexpr std::size_t kTotal = 200'000;
  {
    TakeWriter writer(disk, path(), kRate, TakeWriter::Mode::ownThread);
    auto tap = stream.openTap(&writer);
    std::thread producer([&] {
      for (std::size_t at = 0; at < kTotal; at += 441)
        stream.feed(run(at, std::min<std::size_t>(441, kTotal - at)));
    });
    producer.join();
    tap.reset();
    ASSERT_TRUE(writer.settle().ok());
    EXPECT_FALSE(writer.progress().fault);
  }
  EXPECT_EQ(test::readFile(path()), test::pcmWave(1, kRate, 8, run(0, kTotal)));
}

TEST_F(TakeWriterTest, AFullDiskEndsTheTakeAtItsLastWholeSecond) {
  // Room for the header and 2850 samples: the piece that ends at 3000 fits only half.
  disk.setRoom(kWaveHeaderBytes + 2850);
  TakeWriter writer(disk, path(), kRate, TakeWriter::Mode::whereDelivered);
  feed(writer, 4000, 300);
  const auto progress = writer.progress();
  ASSERT_TRUE(progress.fault);
  EXPECT_NE(progress.fault->find("No space left"), std::string::npos);
  EXPECT_EQ(progress.durable, 2400u);
  // Cut back to what the header counts; the partial write beyond it is gone, and with it
  // the room it took.
  EXPECT_EQ(test::readFile(path()), test::pcmWave(1, kRate, 8, run(0, 2400)));
  EXPECT_EQ(disk.room(), 450u);
  ASSERT_TRUE(writer.settle().ok());
  EXPECT_EQ(test::readFile(path()), test::pcmWave(1, kRate, 8, run(0, 2400)));
}

TEST_F(TakeWriterTest, AMediumThatFailsEvenTheCutMakesTheSettleFail) {
  TakeWriter writer(disk, path(), kRate, TakeWriter::Mode::whereDelivered);
  feed(writer, 1500, 300);
  disk.setFailSync(true);
  const Result<void> settled = writer.settle();
  ASSERT_FALSE(settled.ok());
  EXPECT_NE(settled.error().message.find("Input/output error"), std::string::npos);
  EXPECT_TRUE(writer.progress().fault);
}

TEST_F(TakeWriterTest, AFileOfThatNameIsNeverReplaced) {
  const auto earlier = test::pcmWave(1, kRate, 8, run(0, 10));
  test::WavBytes().bytes(earlier).writeTo(path());
  TakeWriter writer(disk, path(), kRate, TakeWriter::Mode::ownThread);
  writer.receive(run(0, 100));
  EXPECT_FALSE(writer.settle().ok());
  EXPECT_TRUE(writer.progress().fault);
  EXPECT_EQ(test::readFile(path()), earlier);
}

}  // namespace
}  // namespace tv
