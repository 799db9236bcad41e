#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "player/wav/wav_reader.h"

namespace tv {

class Program;

// A canonical 44-byte PCM header for `dataSize` bytes in the format of `format`.
std::string pcmHeader(const WaveInfo& format, std::uint32_t dataSize);

// Sound-data bytes per unit of the waveform frame, whose positions run over 290 units.
std::int64_t bytesPerUnit(const WaveInfo& info);

// A stretch of the sound data, as byte offsets from the data start.
struct Stretch {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// The marks (frame units, start ≤ end) as offsets: the end is taken `endTrim` bytes
// early, and both fall on whole sample frames inside the data. None when the start
// comes after the end.
std::optional<Stretch> stretchOf(const WaveInfo& info, std::int64_t markStart, std::int64_t markEnd,
                                 std::int64_t endTrim);

// Complete WAV files made from `file`: the stretch alone, or the data without it.
// None when `file` has no usable header.
std::optional<std::string> pieceFile(std::span<const std::uint8_t> file, const Stretch& s);
std::optional<std::string> withoutStretchFile(std::span<const std::uint8_t> file, const Stretch& s);

// Cut mode of the playback window: marking a stretch in the waveform and saving it as a
// CQ call sound, or saving the recording without it. Both work on the speed copy, the
// sound as it plays in the window.
class Editing {
 public:
  explicit Editing(Program& program);

  // Frame units while marking; 0 = not set.
  std::int32_t markStart = 0;
  std::int32_t markEnd = 0;

  void cmd_file_neu_MouseDown(int button, int shift, int x, int y);
  void cmd_file_neu_MouseUp(int button, int shift, int x, int y);
  void cmd_file_neu_Click();
  // x in twips, as the window reports it.
  void frx1_MouseDown(int button, int shift, int x, int y);
  void frx1_MouseUp(int button, int shift, int x, int y);
  void cmd_Save_MouseDown(int button, int shift, int x, int y);
  void cmd_Kill_MouseDown(int button, int shift, int x, int y);
  void cmd_Save_MouseUp(int button, int shift, int x, int y);
  void cmd_Ret_MouseUp(int button, int shift, int x, int y);

  // Return the path written, or none when nothing was written.
  std::optional<std::string> SaveSelectionAsCq();
  std::optional<std::string> CutSelection();

  bool cutMode() const;
  // Network number, "_", MM-DD-YYYY, "_", HH-MM-SS, ".wav", from the clock.
  std::string newRecordingName() const;
  bool cutButtonOn() const { return cutButtonOn_; }

 private:
  std::optional<std::string> save(bool cut);
  double frameUnits(int twips) const;
  void placeMark(class Label& mark, int x);
  void leaveCutMode();
  std::string iconPath(const char* name) const;

  Program& p_;
  bool cutButtonOn_ = false;
};

}  // namespace tv
