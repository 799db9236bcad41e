#include "recorder/onset_search.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
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
  // Repeats `steps` around 128; with ten steps every 10 ms window gets the
  // same level wherever it lies.
  void pattern(int ms, std::initializer_list<int> steps) {
    for (int i = 0; i < ms; ++i)
      samples.push_back(static_cast<std::uint8_t>(128 + *(steps.begin() + i % steps.size())));
  }
  // A closed squelch: the sound card's noise, a step now and then (level 0.2).
  void closed(int ms) { pattern(ms, {0, 0, 0, 1, 0, 0, 0, 0, -1, 0}); }
  // The hiss of a quiet carrier (level 1.0): too weak for the walk through
  // the sound to count it, five times the closed squelch.
  void hiss(int ms) { pattern(ms, {1, -1, 1, -1, 1, -1, 1, -1, 1, -1}); }
  std::uint64_t end() const { return samples.size(); }
};

// History starts at stream position 0; the trigger is at its end.
std::uint64_t startOf(const History& h, std::uint64_t fixedStart, std::uint64_t notBefore = 0,
                      OnsetSearch::Settings settings = {}) {
  return OnsetSearch(kRate, settings).takeStart(h.samples, 0, fixedStart, notBefore);
}

OnsetSearch::Settings withoutOpening() {
  OnsetSearch::Settings s;
  s.openingBoundMs = 0;
  return s;
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

  OnsetSearch::Settings narrow = withoutOpening();
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

  OnsetSearch::Settings off = withoutOpening();
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

TEST(OnsetSearch, ATakeAfterASquelchOpeningStartsWhereTheCarrierRose) {
  History h;
  h.closed(1000);
  h.hiss(400);      // the carrier rises at 1000
  h.sound(100, 2);  // a soft first word, hardly above the hiss
  h.sound(200, 30);
  const std::uint64_t start = startOf(h, h.end());
  EXPECT_LE(start, 1000u);
  EXPECT_GE(start, 1000u - 20);
  EXPECT_GT(startOf(h, h.end(), 0, withoutOpening()), 1400u - 40)
      << "the walk alone takes the hiss for quiet";
  EXPECT_EQ(startOf(h, 900), 900u) << "the fixed pre-roll stays the least";
}

TEST(OnsetSearch, TheOpeningMovesTheStartNoFurtherThanItsBoundNorIntoThePreviousTake) {
  History h;
  h.closed(500);
  h.hiss(1300);  // the carrier rises at 500, 1.5 s before the trigger
  h.sound(200, 30);
  EXPECT_EQ(startOf(h, h.end()), h.end() - 1000);

  History near;
  near.closed(1000);
  near.hiss(400);
  near.sound(200, 30);
  EXPECT_EQ(startOf(near, near.end(), 1200), 1200u) << "the previous take ended at 1200";
  OnsetSearch::Settings shortBound;
  shortBound.openingBoundMs = 300;
  EXPECT_EQ(startOf(near, near.end(), 0, shortBound), near.end() - 300);
}

TEST(OnsetSearch, AnOpeningCountsOnlyWhereTheCarrierHasStoodSinceAndItsHissIsSteady) {
  // A carrier came and went; the next one rose at 1150. The closed squelch
  // is louder here (level 0.8), the hiss at level 1.2.
  History closedAgain;
  const std::initializer_list<int> noisyClosed = {1, -1, 1, -1, 1, -1, 1, -1, 0, 0};
  const std::initializer_list<int> hiss = {1, -1, 1, -1, 1, -1, 1, -1, 2, -2};
  closedAgain.pattern(600, noisyClosed);
  closedAgain.pattern(300, hiss);
  closedAgain.pattern(250, noisyClosed);
  closedAgain.pattern(300, hiss);
  closedAgain.sound(200, 30);
  const std::uint64_t start = startOf(closedAgain, closedAgain.end());
  EXPECT_LE(start, 1150u);
  EXPECT_GE(start, 1150u - 20);

  History word;  // a word out of the closed squelch rises, but not to a steady level
  word.closed(1500);
  word.pattern(10, {1, -1, 1, -1, 1, -1, 0, 0, 0, 0});
  word.pattern(10, {1, -1, 1, -1, 1, -1, 1, -1, 0, 0});
  word.hiss(10);
  word.pattern(10, {2, -2, 1, -1, 1, -1, 1, -1, 1, -1});
  word.sound(10, 3);
  word.sound(10, 10);
  word.sound(200, 30);
  EXPECT_EQ(startOf(word, word.end()), startOf(word, word.end(), 0, withoutOpening()));
}

TEST(OnsetSearch, WithoutASquelchOpeningTheWalkDecidesAlone) {
  auto sameAsWalk = [](const History& h) {
    EXPECT_EQ(startOf(h, h.end()), startOf(h, h.end(), 0, withoutOpening()));
  };
  History outOfSilence;  // a word out of the closed squelch, no carrier before it
  outOfSilence.closed(1500);
  outOfSilence.sound(300, 30);
  sameAsWalk(outOfSilence);

  History longHiss;  // an open squelch: hiss since long before the history
  longHiss.sound(1700, 5);
  longHiss.sound(100, 6);  // a soft first word, steady, within the hiss's edge
  longHiss.sound(200, 40);
  sameAsWalk(longHiss);

  History smallStep;  // a step too small for a carrier's hiss (1.125 times)
  smallStep.pattern(1000, {1, -1, 1, -1, 1, -1, 1, -1, 0, 0});
  smallStep.pattern(500, {1, -1, 1, -1, 1, -1, 1, -1, 1, 0});
  smallStep.sound(200, 30);
  sameAsWalk(smallStep);

  History dither;  // digital silence, then the card's noise: no carrier either
  dither.quiet(1000);
  dither.closed(600);
  dither.sound(200, 30);
  sameAsWalk(dither);

  History click;  // a click in the closed squelch is no carrier
  click.closed(1000);
  click.sound(4, 60);
  click.closed(596);
  click.sound(300, 30);
  sameAsWalk(click);
}

TEST(OnsetSearch, AClickInTheClosedSquelchDoesNotHideTheOpening) {
  History h;
  h.closed(800);
  h.sound(4, 60);  // the click, 96 ms before the carrier
  h.closed(96);
  h.hiss(400);  // the carrier rises at 900
  h.sound(200, 30);
  const std::uint64_t start = startOf(h, h.end());
  EXPECT_LE(start, 900u);
  EXPECT_GE(start, 900u - 20);
}

// The sound card's noise and a carrier's hiss as they come, at the recorder's
// rate: the opening is found as closely as a weak hiss in 10 ms windows
// tells: never more than 30 ms early, and well before the first word (which
// a carrier leads by 100 ms at least).
TEST(OnsetSearch, FindsTheOpeningInNoiseAtTheRecordersRate) {
  constexpr int kCardRate = 11025;
  constexpr std::size_t kWindow = kCardRate / 100;
  std::uint32_t state = 1;
  auto gaussian = [&state] {  // a sum of four uniforms, rms 1
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
      state = state * 1664525u + 1013904223u;
      sum += static_cast<double>(state >> 8) / (1 << 24) - 0.5;
    }
    return sum * std::sqrt(3.0);
  };
  OnsetSearch::Settings openingOnly;
  openingOnly.boundMs = 0;
  const OnsetSearch search(kCardRate, openingOnly);
  for (const double cardNoise : {0.8, 1.5}) {
    for (int k = 0; k < 20; ++k) {
      const std::size_t rise = 12000 + 37 * static_cast<std::size_t>(k);
      const double hissRms = cardNoise * (1.0 + 0.1 * k);
      std::vector<std::uint8_t> samples;
      for (std::size_t i = 0; i < 22050; ++i) {
        double value = 127.5 + cardNoise * gaussian();
        if (i >= rise) value += hissRms * gaussian();
        if (i >= rise + 4000) value += 60 * std::sin(static_cast<double>(i) * 0.3);
        samples.push_back(static_cast<std::uint8_t>(std::lround(value)));
      }
      const std::uint64_t start = search.takeStart(samples, 0, samples.size(), 0);
      EXPECT_LE(start, rise + 5 * kWindow)
          << "card noise " << cardNoise << ", hiss rms " << hissRms;
      EXPECT_GE(start + 3 * kWindow, rise)
          << "card noise " << cardNoise << ", hiss rms " << hissRms;
    }
  }
}

TEST(OnsetSearch, ShortOrEmptyHistoryLeavesTheFixedStart) {
  EXPECT_EQ(OnsetSearch(kRate, {}).takeStart({}, 500, 480, 0), 480u);
  const std::vector<std::uint8_t> few(5, 200);
  EXPECT_EQ(OnsetSearch(kRate, {}).takeStart(few, 500, 480, 490), 490u);
}

}  // namespace
}  // namespace tv
