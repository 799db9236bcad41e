#include "recorder/onset_search.h"

#include <gtest/gtest.h>

#include <vector>

namespace tv {
namespace {

// A rate of 1000 Hz makes one sample one millisecond.
constexpr int kRate = 1000;

struct History {
  std::vector<std::uint8_t> samples;
  void quiet(int ms) { samples.insert(samples.end(), static_cast<std::size_t>(ms), 128); }
  void sound(int ms, int swing) {
    for (int i = 0; i < ms; ++i)
      samples.push_back(static_cast<std::uint8_t>(i % 2 ? 128 + swing : 128 - swing));
  }
  std::uint64_t end() const { return samples.size(); }
};

// History starts at stream position 0; the trigger is at its end.
std::uint64_t startOf(const History& h, std::uint64_t fixedStart, std::uint64_t notBefore = 0,
                      OnsetSearch::Settings settings = {}) {
  return OnsetSearch(kRate, settings).takeStart(h.samples, 0, fixedStart, notBefore);
}

TEST(OnsetSearch, WalksBackThroughShortGapsToTheFirstSoftWordAndKeepsALead) {
  History h;
  h.quiet(1000);
  h.sound(300, 6);  // soft word at 1000
  h.quiet(150);     // gap between words
  h.sound(200, 9);  // the louder word, still before the trigger
  const std::uint64_t fixed = h.end() - 50;
  // The lead of 20 ms, give or take the 10 ms windows.
  const std::uint64_t start = startOf(h, fixed);
  EXPECT_LE(start, 1000u - 10);
  EXPECT_GE(start, 1000u - 40);
}

TEST(OnsetSearch, StopsAtAPauseLongerThanTheQuietRunAndAtTheBound) {
  History h;
  h.quiet(300);
  h.sound(200, 20);  // the end of an earlier transmission
  h.quiet(600);      // a pause: not one phrase with what follows
  h.sound(100, 20);  // this transmission begins at 1100
  const std::uint64_t start = startOf(h, h.end());
  EXPECT_GE(start, 1100u - 40);
  EXPECT_LE(start, 1100u);

  OnsetSearch::Settings narrow;
  narrow.boundMs = 50;
  EXPECT_GE(startOf(h, h.end(), 0, narrow), h.end() - 50);
}

TEST(OnsetSearch, NeverStartsAfterTheFixedPreRollNorBeforeThePreviousTake) {
  History silent;
  silent.quiet(2000);
  EXPECT_EQ(startOf(silent, 1800), 1800u) << "nothing found: the fixed pre-roll";

  History h;
  h.quiet(500);
  h.sound(1500, 10);  // sound all the way back
  EXPECT_EQ(startOf(h, h.end() - 100, 1200), 1200u) << "not into the previous take";
  EXPECT_EQ(startOf(h, 100), 100u) << "the pre-roll reaches further than the search";

  OnsetSearch::Settings off;
  off.boundMs = 0;
  EXPECT_EQ(OnsetSearch(kRate, off).historySamples(), 0u);
  EXPECT_EQ(startOf(h, h.end() - 100, 0, off), h.end() - 100);
}

TEST(OnsetSearch, AHissingInputSetsTheFloorSoThatHissAloneIsNotSound) {
  History h;
  for (int i = 0; i < 1600; ++i)
    h.samples.push_back(static_cast<std::uint8_t>(128 + ((i * 37) % 11) - 5));  // hiss ±5
  h.sound(400, 60);
  EXPECT_GE(OnsetSearch(kRate, {}).quietFloor(h.samples), 2.0);
  const std::uint64_t start = startOf(h, h.end());
  EXPECT_GE(start, 1600u - 60);
  EXPECT_LE(start, 1600u);
}

TEST(OnsetSearch, ShortOrEmptyHistoryLeavesTheFixedStart) {
  EXPECT_EQ(OnsetSearch(kRate, {}).takeStart({}, 500, 480, 0), 480u);
  const std::vector<std::uint8_t> few(5, 200);
  EXPECT_EQ(OnsetSearch(kRate, {}).takeStart(few, 500, 480, 490), 490u);
}

}  // namespace
}  // namespace tv
