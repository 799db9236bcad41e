#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/sound/sound_file.h"
#include "player/wav/wav_reader.h"

namespace tv {

inline constexpr Colour kWaveColour = rgb(0, 255, 255);

// How far a piece of slow reading has got, for the GUI thread to show; written by the
// worker, read by the GUI thread. A job stops early once `cancelled` is set.
struct ReadingProgress {
  std::atomic<int> permille{0};
  std::atomic<bool> cancelled{false};
};

// The samples the waveform shows: one per column (and channel), taken every `step` bytes
// of the sound data from its start, step being the data length ÷ width made a multiple
// of 4, so each column samples the same channel. Empty for a sound too short for a step.
struct WaveColumns {
  std::vector<int> first;   // amplitude of the first channel per column
  std::vector<int> second;  // of the second channel; empty for mono
};
WaveColumns waveColumns(SoundFileReader& sound, int width, ReadingProgress* progress = nullptr);

// Draws the centre line of each channel and the columns into `frame`, `width` ×
// `height` units.
void drawWaveform(DrawingFrame& frame, const WaveColumns& columns, const SoundFileInfo& info,
                  int width, int height);

// The peak bar's table: entry 0 stays 0, entries 1 to `count` are filled with the
// distance of 16-bit words of the sound from mid-scale (8-bit sound: two samples as one
// unsigned word; 16-bit: one sample, made unsigned). For sounds up to 8,000,000 bytes the
// entries lie further apart the shorter the sound; longer sounds get at most
// kMostPeakEntries, spread over the whole of them, so that the table stays small
// whatever the length.
struct PeakTable {
  std::vector<std::int32_t> entries;
  int count = 0;
};
inline constexpr std::size_t kMostPeakEntries = 1'000'000;
PeakTable buildPeakTable(std::span<const std::uint8_t> sound, int bitsPerSample = 8);
PeakTable buildPeakTable(SoundFileReader& sound, ReadingProgress* progress = nullptr);

// The speed caption: " 8000  x  1.5".
std::string speedCaption(std::int32_t normalRate, double speedFactor);

}  // namespace tv
