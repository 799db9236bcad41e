#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tv {

// What the playback window knows of the loaded file.
struct WaveInfo {
  std::int16_t channelCount = 0;
  std::int16_t bitsPerSample = 0;
  std::int32_t byteRate = 0;
  std::int64_t dataStart = 0;   // offset of the first data byte
  std::int64_t dataLength = 0;  // made non-negative and even; LoadWave limits it to the file
  std::int64_t fileLength = 0;
  double duration = 0;  // seconds; set by LoadWave

  // Read on the way through the header, not used further.
  std::int32_t riffSize = 0;
  std::int16_t formatTag = 0;
  std::int32_t sampleRate = 0;
  std::int16_t blockAlign = 0;
};

enum class WaveHeaderOutcome {
  usable,
  tooShort,       // under 40 bytes: the caller offers the open-file dialog instead
  unreadable,     // cannot be opened, or ends inside the header or a chunk header: no message
  unknownFormat,  // not RIFF / WAVE / "fmt " first: the caller shows text entry 147
  noDataChunk,    // no "data" chunk before the end: the caller shows text entry 148
};

struct WaveHeaderReading {
  WaveHeaderOutcome outcome = WaveHeaderOutcome::unreadable;
  // Filled as far as reading got, also when the outcome is not usable.
  WaveInfo info;

  bool usable() const { return outcome == WaveHeaderOutcome::usable; }
};

// Walks the chunks of a RIFF/WAVE file to its data chunk. Identifiers match in
// any case; chunks between "fmt " and "data" are skipped, odd lengths rounded
// up to even. The path is trimmed of blanks first. Reads only what the walk
// needs, so a length field that lies cannot make it read out of bounds or
// loop: every step moves at least 8 bytes on.
WaveHeaderReading ReadWaveHeader(std::string_view path);
WaveHeaderReading ReadWaveHeader(std::span<const std::uint8_t> file);

struct LoadedWave {
  WaveHeaderOutcome outcome = WaveHeaderOutcome::unreadable;
  WaveInfo info;             // data length cut to the file, byte rate at least 1, duration set
  std::string durationText;  // empty unless usable
  std::string refusal;       // why the sound reader refused the file, when it did

  bool usable() const { return outcome == WaveHeaderOutcome::usable; }
};

// ReadWaveHeader and the duration. Only a usable result may replace the
// program's currentWave and durationText. From a path, usability, the format fields and
// the duration are those of the sound reader (openSoundFile): any file it plays is
// usable, whatever its header, and one it refuses is an unknown format.
LoadedWave LoadWave(std::string_view path);
LoadedWave LoadWave(std::span<const std::uint8_t> file);

// Seconds with two decimals, right-aligned in 7 characters ("  11.00"),
// always with a point, whatever the locale.
std::string durationText(double seconds);

// The 13 fields of the canonical header as text, numbered 1 to 13 like the
// table they stand for; numbers in decimal without a leading blank,
// identifiers as their four bytes stand.
struct HeaderFieldTable {
  std::array<std::string, 13> entries;

  std::string& operator[](int number) { return entries.at(static_cast<std::size_t>(number - 1)); }
  const std::string& operator[](int number) const {
    return entries.at(static_cast<std::size_t>(number - 1));
  }
};

inline constexpr std::array<std::string_view, 13> headerFieldLabels = {"RIFF",
                                                                       "Dateilänge",
                                                                       "WAVE",
                                                                       "fmt",
                                                                       "Länge fmt-chunk",
                                                                       "PCM Kodierung",
                                                                       "Anz. Kanäle",
                                                                       "sample rate",
                                                                       "bytes pro Sekunde",
                                                                       "block align",
                                                                       "bits pro sample",
                                                                       "data",
                                                                       "Länge des data-chunks"};

// Reads the first 50 bytes of the file into `headerFieldTable` and returns the
// playing time in seconds (data length ÷ format tag ÷ block alignment ÷
// sample rate). Entries 12 and 13 are filled only for a fmt length of 16 or
// 18 and keep their previous text otherwise (the result is then 0). A file
// that cannot be read or is shorter than 50 bytes leaves the table as it was;
// a zero divisor gives 0 after the table is filled. From a path, a file the sound reader
// opens returns the length it reads instead.
double ReadHeaderFields(std::string_view selectedFile, HeaderFieldTable& headerFieldTable);
double ReadHeaderFields(std::span<const std::uint8_t> file, HeaderFieldTable& headerFieldTable);

}  // namespace tv
