#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tv {

// Where the sound that has just set off the trigger really began. Speech
// often opens with a word that stays below the threshold, so the trigger
// comes on a later, louder one; a fixed pre-roll then cuts off the first
// word. The search walks back from the trigger through the stream history in
// short windows for as long as the signal stands clearly above the quiet
// floor of the input, and stops at a run of quiet longer than a gap between
// words. Behind an FM receiver's squelch the first word may rise out of the
// carrier's hiss no louder than the hiss itself, which that walk takes for
// quiet; there the take begins where the squelch opened: where near silence
// rose to a hiss that has stood ever since. Pure and deterministic: it sees
// only the samples it is given.
class OnsetSearch {
 public:
  struct Settings {
    // Length of the windows the signal is judged in.
    int windowMs = 10;
    // Quiet this long ends the sound: longer than the gaps between the words
    // of one phrase, shorter than the pause before a new transmission.
    int quietRunMs = 400;
    // The take starts this much before the first window found loud, so that
    // the soft edge of that window's sound is kept.
    int leadMs = 20;
    // The walk goes no further back than this from the trigger; 0 walks
    // nowhere (with no opening sought either, only the fixed pre-roll is
    // left).
    int boundMs = 1500;
    // History the quiet floor is measured over; at least the bound.
    int floorSpanMs = 2000;
    // A window is loud when its level is this many times the quiet floor.
    double loudFactor = 1.5;
    // Before the earliest loud window, the fade-in of the sound is kept as
    // long as the windows stand this many times above the floor.
    double edgeFactor = 1.25;

    // A squelch opening no further back than this from the trigger is where
    // the take starts; one further back moves the start only this far. 0
    // looks for none.
    int openingBoundMs = 1000;
    // The closed squelch before the opening: near silence at least this long.
    int closedRunMs = 200;
    // The hiss after the opening stands this many times above the closed
    // squelch's level.
    double openingFactor = 1.15;
  };

  OnsetSearch(int sampleRate, Settings settings);

  // Samples of history the search wants before the trigger.
  std::size_t historySamples() const;

  // The stream position a take begins at. `history` holds the stream samples
  // from position `historyStart` up to the trigger's analysed block (the
  // trigger is at historyStart + history.size()). `fixedStart` is where the
  // fixed pre-roll begins: the take starts there at the latest. It never
  // starts before `notBefore` (the end of the previous take), and the search
  // reaches no further back than its bounds and the history it was given.
  std::uint64_t takeStart(std::span<const std::uint8_t> history, std::uint64_t historyStart,
                          std::uint64_t fixedStart, std::uint64_t notBefore) const;

  // The level of the input's quietest windows in `history` (mean distance
  // from the history's own mean), never below one step of the 8-bit scale.
  double quietFloor(std::span<const std::uint8_t> history) const;

 private:
  // Window levels, newest first: window k ends k windows before the trigger.
  std::vector<double> windowLevels(std::span<const std::uint8_t> history) const;
  // The quiet floor of the window levels (reordered on the way).
  static double floorOf(std::vector<double> levels);
  // Windows back from the trigger to the start of the sound that set it off,
  // through no window that starts before `walkLimit`; 0 when none is found.
  std::size_t soundBack(const std::vector<double>& levels, std::uint64_t trigger,
                        std::uint64_t walkLimit) const;
  // Windows back from the trigger to the window in which the squelch opened;
  // 0 when the history shows no opening.
  std::size_t openingBack(const std::vector<double>& levels) const;

  std::size_t window_;
  std::size_t quietRun_;
  std::size_t lead_;
  std::size_t bound_;
  std::size_t floorSpan_;
  double loudFactor_;
  double edgeFactor_;
  std::size_t openingBound_;
  std::size_t closedRun_;
  double openingFactor_;
  std::size_t steady_;
  std::size_t dip_;
};

}  // namespace tv
