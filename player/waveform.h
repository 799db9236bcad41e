#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "player/wav/wav_reader.h"

namespace tv {

inline constexpr Colour kWaveColour = rgb(0, 255, 255);

// Draws one sample per column of `file` (the whole file, header included) into `frame`,
// `width` × `height` units, around one centre line per channel. Samples are taken every
// `step` bytes from the data start, step being the data length ÷ width made a multiple
// of 4, so each column samples the same channel; a file too short for a step shows only
// the centre lines.
void drawWaveform(DrawingFrame& frame, std::span<const std::uint8_t> file, const WaveInfo& info,
                  int width, int height);

// The peak bar's table: entry 0 stays 0, entries 1 to the returned count are filled with
// the distance of 16-bit words of the file from mid-scale. Entries are taken with a
// stride that keeps the table small for short files.
struct PeakTable {
  std::vector<std::int32_t> entries;
  int count = 0;
};
PeakTable buildPeakTable(std::span<const std::uint8_t> file);

// The file with its sample-rate field replaced by `rate`; nothing else changes, so the
// sound plays faster or slower by the same factor. None for a file too short to hold it.
std::optional<std::vector<std::uint8_t>> withSampleRate(std::span<const std::uint8_t> file,
                                                        std::int32_t rate);

// The speed caption: " 8000  x  1.5".
std::string speedCaption(std::int32_t normalRate, double speedFactor);

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

}  // namespace tv
