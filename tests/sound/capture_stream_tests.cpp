#include "platform/sound.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "tests/support/sound/scripted_sound_system.h"

namespace tv {
namespace {

std::uint8_t sampleAt(std::uint64_t position) {
  return static_cast<std::uint8_t>((position * 13 + position / 256) & 0xFF);
}

// A tap opened while a producer thread delivers holds exactly the samples
// from its start position on, however small the ring and slow the reader.
TEST(CaptureStream, TapKeepsEverySampleWhileTheProducerRuns) {
  ScriptedCaptureStream stream(11025, 2048);
  constexpr std::uint64_t kTotal = 2'000'000;
  std::atomic<bool> started{false};
  std::thread producer([&] {
    std::mt19937 random(3);
    std::vector<std::uint8_t> block;
    for (std::uint64_t at = 0; at < kTotal;) {
      block.resize(std::min<std::uint64_t>(1 + random() % 900, kTotal - at));
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = sampleAt(at + i);
      stream.feed(block);
      at += block.size();
      started = true;
    }
  });
  while (!started) std::this_thread::yield();
  auto tap = stream.openTap();
  std::vector<std::uint8_t> taken;
  while (stream.produced() < kTotal) tap->drainInto(taken);
  producer.join();
  tap->drainInto(taken);

  const std::uint64_t start = tap->startPosition();
  ASSERT_EQ(taken.size(), kTotal - start);
  for (std::size_t i = 0; i < taken.size(); ++i) {
    ASSERT_EQ(taken[i], sampleAt(start + i)) << "at " << i;
  }
}

TEST(CaptureStream, MeterBlockAndErrorState) {
  ScriptedCaptureStream stream(8000);
  std::array<std::uint8_t, kMeterBlockBytes> block{};
  const std::vector<std::uint8_t> some(100, 200);
  stream.feed(some);
  stream.newestBlock(block);
  EXPECT_EQ(block[kMeterBlockBytes - 101], kSilentSample);
  EXPECT_EQ(block[kMeterBlockBytes - 100], 200);
  EXPECT_EQ(block.back(), 200);

  EXPECT_TRUE(stream.status().ok());
  stream.failWith("unplugged");
  ASSERT_FALSE(stream.status().ok());
  EXPECT_EQ(stream.status().error().message, "unplugged");
}

TEST(CaptureStream, TapOutlivesItsStream) {
  auto stream = std::make_unique<ScriptedCaptureStream>(8000);
  auto tap = stream->openTap();
  stream->feed(std::vector<std::uint8_t>(10, 1));
  stream.reset();
  std::vector<std::uint8_t> taken;
  tap->drainInto(taken);
  EXPECT_EQ(taken.size(), 10u);
}

}  // namespace
}  // namespace tv
