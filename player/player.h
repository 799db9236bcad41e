#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "player/wav/wav_reader.h"

namespace tv {

class Program;
class Worker;
struct ReadingProgress;

// The playback window's behaviour: getting a sound file into the window, playing it
// through the "waveplayfile" command strings, following its position, pause, seek,
// stop and close, playing through the sound list, and the TX button's space key.
//
// The sound-file and player values are program-wide: the recorder, the sound list
// and Auto-TX read and set them as program.player.selectedFile and so on, and call
// the procedures below by their names. Everything runs on the GUI thread; the
// output plays on its own and is only polled by the position tick.
class Player {
 public:
  explicit Player(Program& program);
  ~Player();

  // The path last chosen or set for loading; may be empty.
  std::string selectedFile;
  // The sound in the window, the one StartPlayback plays.
  std::string currentWave;
  // The path the user chose last; "Play" goes back to it.
  std::string chosenFile;
  // Seconds with two decimals in 7 characters; others read it back as a number.
  std::string durationText;
  HeaderFieldTable headerFieldTable;
  WaveInfo waveInfo;

  // True from a successful start until StopPlayback; pausing leaves it set.
  bool playing = false;
  // Where the next start begins, in millionths of playLength; above 999,998 the start.
  std::int32_t resumePosition = 0;
  // Milliseconds after a seek, millionths after a position tick; 1,000,000 = the end.
  std::int32_t playPosition = 0;
  // Milliseconds, as the output reported them when the sound was opened.
  std::int32_t playLength = 0;
  double speedFactor = 1.0;

  // Drawing area of the waveform frame, in its own units.
  int displayWidth = 0;
  int displayHeight = 0;
  std::vector<std::int32_t> peakTable;
  std::string dialogFilter;

  // Loading.
  bool LoadWave(const std::string& path);
  // ReadHeaderFields of selectedFile into headerFieldTable.
  double ReadHeaderFields();
  void PreparePlaybackWindow();
  void OpenPlaybackWindow();
  void OpenWaveDialog();
  void ShowLoadedWave();
  void lbl_LoadWave_MouseMove(int button, int shift, int x, int y);
  void lbl_LoadWave_MouseDown(int button, int shift, int x, int y);
  void tmr2_Timer();

  // Playing.
  void StartPlayback();
  void StopPlayback();
  void cmdStop_Click();
  void cmdStop_MouseDown(int button, int shift, int x, int y);
  void cmdStop_MouseUp(int button, int shift, int x, int y);
  void cmd_Unterbrechen_MouseDown(int button, int shift, int x, int y);
  void cmd_Unterbrechen_MouseUp(int button, int shift, int x, int y);
  void slider_MouseDown(int button, int shift, int x, int y);
  void slider_MouseMove(int button, int shift, int x, int y);
  void slider_Scroll();
  void slider_MouseUp(int button, int shift, int x, int y);
  void cmd_Os_Zurück_Click();
  void frm_Oszi_Close(bool& cancel);
  void tmr1_Timer();
  void tmrplaywave_Timer();
  void ed1_KeyDown(int keyCode, int shift);
  void tmr_Focus_Timer();

  // Where the playback window sounds: on the transmit output (line 36) while the
  // transmitter is meant to hear it (TX pressed, Auto-TX or the timed transmission
  // running), on the desktop's default output otherwise. A sound that plays moves at
  // its position. Called whenever one of those changes.
  void routePlayback();
  // The output name of line 36 as the sound system takes it; `default` is the desktop's.
  std::string transmitOutput() const;

  // Playing through the sound list.
  void PlayNextInList();
  void tmr_NachStop_Timer();
  void lb_Sounds_MouseDown(int button, int shift, int x, int y);
  void lb_Sounds_MouseUp(int button, int shift, int x, int y);

  // The "Play" button: the chosen file at the speed of the speed slider.
  void lblFreqNorm_MouseDown(int button, int shift, int x, int y);
  void lblFreqNorm_MouseUp(int button, int shift, int x, int y);

  // Waveform, peak bar and speed (waveform.cpp).
  void ShowPeak();
  void DrawWaveform();
  void BuildPeakTable();
  void ReadNormalRate();
  void ApplySpeed();
  void lblFreq2_MouseDown(int button, int shift, int x, int y);
  void lblFreq2_MouseUp(int button, int shift, int x, int y);
  void LoadSelectedWave();
  void sli_Speed_Scroll();
  void sli_Speed_MouseUp(int button, int shift, int x, int y);
  // A press and release in the waveform; x in frame units (0 to about 296).
  void frx1_MouseDown(int button, double x);
  void frx1_MouseUp(int button, double x);

  std::int32_t normalRate = 0;
  std::string speedText;
  // The sound the last ApplySpeed set playing and the rate it plays at: the file itself,
  // read at another rate, takes the place of a copy with that rate in its header. It is
  // also what cut mode edits. Empty when the file could not be read.
  std::string speedSource;
  std::int32_t speedRate = 0;
  int peakCount = 0;
  double peakHold = 0;

  // The file behind the selected entry of the sound list; empty name when none.
  std::string selectedListFile() const;

 private:
  // Seek and play from `ms`: every resumption sends the seek before the play.
  void playFrom(std::int64_t ms);
  std::int64_t sliderMs() const;
  void showPlayButtonOff();
  void showPlayButtonOn();
  void tellNoSoundOutput();

  // The waveform and the peak table are read on a worker, a block at a time, and drawn
  // when they arrive; a new picture cancels the one still being read. A reading that
  // takes longer than kShowReadingAfterMs shows how far it has got.
  static constexpr std::int64_t kShowReadingAfterMs = 500;
  Worker& reader();
  std::shared_ptr<ReadingProgress> beginReading();
  void readingStepDone(const std::shared_ptr<ReadingProgress>& progress);
  void tmrReading_Timer();
  void endReading();

  Program& p_;
  // The user hears of a machine without sound output once per run.
  bool toldNoSoundOutput_ = false;
  std::unique_ptr<Worker> reader_;
  std::shared_ptr<ReadingProgress> reading_;
  int readingSteps_ = 0;
  std::int64_t readingSinceMs_ = 0;
  // The file caption while the progress stands beside it; empty while it does not.
  std::string captionBeforeProgress_;
};

// Seconds as the position and slider displays show them ("12.35").
std::string positionText(double seconds);

}  // namespace tv
