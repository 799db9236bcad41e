#include "recorder/onset_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tv {
namespace {

// The floor is never taken lower than one step of the 8-bit scale, so that
// the dither of a silent input does not count as sound.
constexpr double kLeastFloor = 1.0;
// The floor is the level of the quietest part of the history: the window at
// this fraction from the quiet end, so that a few dropouts do not set it.
constexpr std::size_t kFloorRankDivisor = 8;

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
      floorSpan_(std::max(samplesOf(settings.floorSpanMs, sampleRate), bound_)),
      loudFactor_(std::max(settings.loudFactor, 1.0)),
      edgeFactor_(std::clamp(settings.edgeFactor, 1.0, loudFactor_)) {}

std::size_t OnsetSearch::historySamples() const {
  return bound_ == 0 ? 0 : floorSpan_;
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
  const std::uint64_t latest = std::max(fixedStart, notBefore);
  if (bound_ == 0 || history.size() < window_) return latest;

  const std::uint64_t walkLimit =
      std::max({notBefore, historyStart, trigger > bound_ ? trigger - bound_ : 0});
  const std::vector<double> levels = windowLevels(history);
  const double floor = floorOf(levels);
  const double loud = loudFactor_ * floor;
  const double edge = edgeFactor_ * floor;
  auto windowStart = [&](std::size_t k) { return trigger - (k + 1) * window_; };
  auto reachable = [&](std::size_t k) { return k < levels.size() && windowStart(k) >= walkLimit; };

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
  if (back == 0) return latest;
  const std::uint64_t found = trigger - back * window_;
  const std::uint64_t led = found > walkLimit + lead_ ? found - lead_ : walkLimit;
  return std::min(latest, led);
}

}  // namespace tv
