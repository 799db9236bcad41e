#include "platform/sound/ring_buffer.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

namespace tv {
namespace {

std::uint8_t patternAt(std::uint64_t position) {
  return static_cast<std::uint8_t>((position * 7 + position / 251) & 0xFF);
}

std::vector<std::uint8_t> pattern(std::uint64_t from, std::size_t count) {
  std::vector<std::uint8_t> out(count);
  for (std::size_t i = 0; i < count; ++i) out[i] = patternAt(from + i);
  return out;
}

TEST(RingBuffer, WrapsAndReportsWhatWasOverwritten) {
  RingBuffer ring(8);
  ring.write(pattern(0, 5));
  ring.write(pattern(5, 6));
  std::vector<std::uint8_t> out(20);
  const auto got = ring.read(0, out);
  EXPECT_EQ(got.first, 3u);
  ASSERT_EQ(got.count, 8u);
  EXPECT_EQ(std::vector(out.begin(), out.begin() + 8), pattern(3, 8));
  EXPECT_EQ(ring.read(11, out).count, 0u);

  // A single write longer than the ring keeps its newest samples.
  ring.write(pattern(11, 30));
  const auto tail = ring.read(0, out);
  EXPECT_EQ(tail.first, 33u);
  EXPECT_EQ(std::vector(out.begin(), out.begin() + 8), pattern(33, 8));
}

TEST(RingBuffer, NewestBlockIsPaddedWithTheZeroLine) {
  RingBuffer ring(16);
  std::vector<std::uint8_t> block(6);
  ring.write(pattern(0, 4));
  ring.readNewest(block, 127);
  EXPECT_EQ(block, (std::vector<std::uint8_t>{127, 127, patternAt(0), patternAt(1), patternAt(2),
                                              patternAt(3)}));
  ring.write(pattern(4, 40));
  ring.readNewest(block, 127);
  EXPECT_EQ(block, pattern(38, 6));
}

// A reader racing a producer that laps it must never see a sample at the
// wrong position, and every position is either received once or counted lost.
TEST(RingBuffer, RacingReaderNeitherDropsUnknowinglyNorDoubles) {
  constexpr std::uint64_t kTotal = 3'000'000;
  RingBuffer ring(4096);
  std::thread producer([&] {
    std::mt19937 random(1);
    for (std::uint64_t at = 0; at < kTotal;) {
      const std::size_t n = std::min<std::uint64_t>(1 + random() % 700, kTotal - at);
      ring.write(pattern(at, n));
      at += n;
    }
  });
  std::vector<std::uint8_t> out(1500);
  std::uint64_t next = 0;
  std::uint64_t received = 0;
  std::uint64_t lost = 0;
  bool wrong = false;
  while (next < kTotal) {
    const auto got = ring.read(next, out);
    if (got.count == 0) continue;
    lost += got.first - next;
    for (std::size_t i = 0; i < got.count; ++i) wrong |= out[i] != patternAt(got.first + i);
    received += got.count;
    next = got.first + got.count;
  }
  producer.join();
  EXPECT_FALSE(wrong);
  EXPECT_EQ(received + lost, kTotal);
}

}  // namespace
}  // namespace tv
