#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/result.h"
#include "platform/sound/sound_file.h"

namespace tv {

class Program;

// Sound-data bytes per unit of the waveform frame, whose positions run over 290 units.
std::int64_t bytesPerUnit(const SoundFileInfo& info);

// A stretch of the sound data, as byte offsets from the data start.
struct Stretch {
  std::int64_t start = 0;
  std::int64_t end = 0;
};

// The marks (frame units, start ≤ end) as offsets: the end is taken `endTrim` bytes
// early, and both fall on whole sample frames inside the data. None when the start
// comes after the end.
std::optional<Stretch> stretchOf(const SoundFileInfo& info, std::int64_t markStart,
                                 std::int64_t markEnd, std::int64_t endTrim);

// Writes a complete PCM WAV file at `path` from `sound`, played at `rate` (its own when
// 0): the stretch alone, or the sound without it. Read and written a block at a time,
// whatever the length; the file appears whole or not at all.
enum class Keep { stretch, rest };
Result<void> writeEdited(SoundFileReader& sound, const Stretch& s, Keep keep,
                         const std::string& path, int rate);

// Cut mode of the playback window: marking a stretch in the waveform and saving it as a
// CQ call sound, or saving the recording without it. Both work on the sound as it plays
// in the window: the file at the rate of the speed slider.
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
