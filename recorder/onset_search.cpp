#include "recorder/onset_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tv {
namespace {

// The floor is never taken lower than one step of the 8-bit scale, so that
// the dither of a silent input does not count as sound.
constexpr double kLeastFloor = 1.0;
// The floor is the level of the quietest part of the history: the window at
// this fraction from the quiet end, so that a few dropouts do not set it.
constexpr std::size_t kFloorRankDivisor = 8;
// A closed squelch is near silence: the sound card's own noise, a few steps
// of the 8-bit scale. A level above this is an open squelch or sound.
constexpr double kNearSilence = 3.0;
// A closed squelch's level is taken no lower than half a step, so that a
// digitally silent input does not make one step of dither a carrier.
constexpr double kLeastClosedLevel = 0.5;
// The carrier's hiss after the opening: this long, its windows within this
// factor of each other.
constexpr int kSteadyMs = 50;
constexpr double kSteadySpread = 2.0;
// The carrier has left (or was never there) where windows for this long in
// a row are back at the closed squelch's level, give or take this factor.
constexpr int kDipMs = 30;
constexpr double kDipFactor = 1.05;

std::size_t samplesOf(int ms, int sampleRate) {
  if (ms <= 0 || sampleRate <= 0) return 0;
  return static_cast<std::size_t>(static_cast<std::int64_t>(ms) * sampleRate / 1000);
}

}  // namespace

OnsetSearch::OnsetSearch(int sampleRate, Settings settings)
    : window_(std::max<std::size_t>(samplesOf(settings.windowMs, sampleRate), 1)),
      quietRun_(samplesOf(settings.quietRunMs, sampleRate)),
      lead_(samplesOf(settings.leadMs, sampleRate)),
      bound_(samplesOf(settings.boundMs, sampleRate)),
      floorSpan_(std::max({samplesOf(settings.floorSpanMs, sampleRate), bound_,
                           samplesOf(settings.openingBoundMs + settings.closedRunMs, sampleRate)})),
      loudFactor_(std::max(settings.loudFactor, 1.0)),
      edgeFactor_(std::clamp(settings.edgeFactor, 1.0, loudFactor_)),
      openingBound_(samplesOf(settings.openingBoundMs, sampleRate)),
      closedRun_(samplesOf(settings.closedRunMs, sampleRate)),
      openingFactor_(std::max(settings.openingFactor, 1.0)),
      steady_(samplesOf(kSteadyMs, sampleRate)),
      dip_(samplesOf(kDipMs, sampleRate)) {}

std::size_t OnsetSearch::historySamples() const {
  return bound_ == 0 && openingBound_ == 0 ? 0 : floorSpan_;
}

std::vector<double> OnsetSearch::windowLevels(std::span<const std::uint8_t> history) const {
  // Level = mean distance from the history's own mean, which absorbs the
  // offset of a sound card whose zero lies at 128 rather than 127.
  std::uint64_t total = 0;
  for (const std::uint8_t s : history) total += s;
  const double zero = history.empty() ? 0 : static_cast<double>(total) / history.size();
  std::vector<double> levels;
  levels.reserve(history.size() / window_);
  // Newest first: window k ends k windows before the end of the history.
  for (std::size_t end = history.size(); end >= window_; end -= window_) {
    double sum = 0;
    for (std::size_t i = end - window_; i < end; ++i) sum += std::abs(history[i] - zero);
    levels.push_back(sum / static_cast<double>(window_));
  }
  return levels;
}

double OnsetSearch::quietFloor(std::span<const std::uint8_t> history) const {
  return floorOf(windowLevels(history));
}

double OnsetSearch::floorOf(std::vector<double> levels) {
  double floor = kLeastFloor;
  if (!levels.empty()) {
    const auto rank =
        levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / kFloorRankDivisor);
    std::nth_element(levels.begin(), rank, levels.end());
    floor = std::max(floor, *rank);
  }
  return floor;
}

std::uint64_t OnsetSearch::takeStart(std::span<const std::uint8_t> history,
                                     std::uint64_t historyStart, std::uint64_t fixedStart,
                                     std::uint64_t notBefore) const {
  const std::uint64_t trigger = historyStart + history.size();
  std::uint64_t start = std::max(fixedStart, notBefore);
  if ((bound_ == 0 && openingBound_ == 0) || history.size() < window_) return start;

  const std::vector<double> levels = windowLevels(history);
  const std::uint64_t earliest = std::max(notBefore, historyStart);
  auto limit = [&](std::size_t bound) {
    return std::max(earliest, trigger > bound ? trigger - bound : 0);
  };
  if (bound_ > 0) {
    const std::uint64_t walkLimit = limit(bound_);
    if (const std::size_t back = soundBack(levels, trigger, walkLimit); back > 0) {
      const std::uint64_t found = trigger - back * window_;
      start = std::min(start, found > walkLimit + lead_ ? found - lead_ : walkLimit);
    }
  }
  if (openingBound_ > 0) {
    if (const std::size_t back = openingBack(levels); back > 0) {
      start = std::min(start, std::max(limit(openingBound_), trigger - back * window_));
    }
  }
  return start;
}

std::size_t OnsetSearch::soundBack(const std::vector<double>& levels, std::uint64_t trigger,
                                   std::uint64_t walkLimit) const {
  const double floor = floorOf(levels);
  const double loud = loudFactor_ * floor;
  const double edge = edgeFactor_ * floor;
  auto reachable = [&](std::size_t k) {
    return k < levels.size() && trigger - (k + 1) * window_ >= walkLimit;
  };

  // Back through loud windows and the short gaps between them. `back` counts
  // the windows between the trigger and the earliest sound found so far; the
  // trigger itself is loud.
  std::size_t back = 0;
  std::size_t quiet = 0;
  for (std::size_t k = 0; reachable(k); ++k) {
    if (levels[k] > loud) {
      back = k + 1;
      quiet = 0;
    } else {
      quiet += window_;
      if (quiet >= quietRun_) break;
    }
  }
  // The sound fades in below the loud level: keep the windows just before
  // that still stand above the floor, for no longer than a quiet run.
  for (std::size_t edgeRun = window_;
       reachable(back) && levels[back] > edge && edgeRun <= quietRun_; edgeRun += window_) {
    ++back;
  }
  return back;
}

std::size_t OnsetSearch::openingBack(const std::vector<double>& levels) const {
  const std::size_t closedWindows = std::max<std::size_t>(closedRun_ / window_, 1);
  const std::size_t steadyWindows = std::max<std::size_t>(steady_ / window_, 1);
  const std::size_t dipWindows = std::max<std::size_t>(dip_ / window_, 1);
  std::vector<double> sorted;
  // The level that `count` windows from `first` on reach at `rank`, counted
  // from the quietest.
  auto rankOf = [&sorted](std::vector<double>::const_iterator first, std::size_t count,
                          std::size_t rank) {
    sorted.assign(first, first + static_cast<std::ptrdiff_t>(count));
    const auto at = sorted.begin() + static_cast<std::ptrdiff_t>(rank);
    std::nth_element(sorted.begin(), at, sorted.end());
    return *at;
  };

  std::size_t found = 0;  // the opening window furthest back that passed
  double between = 0;     // a level between that one's closed level and hiss
  // The `open` newest windows are taken for the carrier, window `open` for
  // the one the squelch opened in. `dip` is the lowest level that some run of
  // dip windows among the carrier's stays under throughout: the carrier has
  // not been there all along if that is back at the closed squelch's level.
  // Trying further back only lowers it.
  double dip = std::numeric_limits<double>::infinity();
  for (std::size_t open = 1; open + closedWindows <= levels.size(); ++open) {
    if (open >= dipWindows) {
      const auto run = levels.begin() + static_cast<std::ptrdiff_t>(open - dipWindows);
      dip = std::min(dip, *std::max_element(run, run + static_cast<std::ptrdiff_t>(dipWindows)));
    }
    if (dip <= kDipFactor * kLeastClosedLevel) break;
    if (open < steadyWindows + 2) continue;

    // The closed squelch: near silence nearly throughout (a click in it
    // aside), its level the middle one of its windows.
    const auto closedFirst = levels.begin() + static_cast<std::ptrdiff_t>(open);
    if (rankOf(closedFirst, closedWindows, closedWindows * 4 / 5) > kNearSilence) continue;
    const double closedLevel =
        std::max(rankOf(closedFirst, closedWindows, closedWindows / 2), kLeastClosedLevel);
    if (dip <= kDipFactor * closedLevel) continue;

    // The hiss just after the opening (past the window it happened in)
    // stands above the closed level throughout, and is steady: a word
    // straight out of silence is not.
    const auto hissFirst = levels.begin() + static_cast<std::ptrdiff_t>(open - 1 - steadyWindows);
    const auto [low, high] =
        std::minmax_element(hissFirst, hissFirst + static_cast<std::ptrdiff_t>(steadyWindows));
    const double hiss = rankOf(hissFirst, steadyWindows, steadyWindows / 2);
    if (hiss >= openingFactor_ * closedLevel && *low > kDipFactor * closedLevel &&
        *high <= kSteadySpread * *low) {
      found = open;
      between = std::sqrt(hiss * closedLevel);
    }
  }
  if (found == 0) return 0;
  // A window or two of the closed squelch may pass the tests as hiss when
  // the hiss is weak: the opening is the last window before the level passes
  // halfway (in decibels) from the closed squelch to the hiss.
  while (found > 1 && levels[found - 1] <= between) --found;
  return found + 1;
}

}  // namespace tv
