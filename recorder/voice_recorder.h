#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/timer.h"
#include "recorder/onset_search.h"
#include "recorder/recording_filer.h"
#include "recorder/timed_transmission.h"

namespace tv {

class Program;

// The voice-operated recorder: the switch, the trigger the meter calls for
// every sample above the threshold, the capture through the command layer's
// "capture" device, the timers that count a recording and end it, and the
// filing of what was recorded. Everything runs on the GUI thread; the
// trigger may run up to 257 times in one level tick.
class VoiceRecorder {
 public:
  explicit VoiceRecorder(Program& program);

  // Start-up: the switch's released look, the schedule file, the clock.
  void setUp();
  // Files recordings left in the working directory (by an earlier run, or because their
  // folder was gone). At start-up at once, before the recordings are listed; at every
  // later apply on the filing worker.
  void fileLeftovers();

  void lbl_Start_MouseDown(int button, int shift, int x, int y);
  void lbl_Start_MouseUp(int button, int shift, int x, int y);
  // Whether the switch-on sequence has run and the meter is open.
  bool running() const;

  // After the settings were applied, before apply start state switches on: a running
  // recorder whose input device or sample rate they changed ends its take and opens the
  // input anew.
  void inputSettingsApplied();

  // The network number as it is typed: one digit or nothing.
  void ed_FK_Change();

  void trigger();
  void tmrAufnahme_Timer();
  void tmrZT1_Timer();
  void tmrZT2_Timer();
  void tmrZT3_Timer();
  void tmr_Blink_Timer();
  void tmr_Zeit_Timer();

  // Finish the recording: saved when it ran long enough, discarded otherwise.
  void finishRecording();
  // Stop, save, file and close the capture.
  void stopSaveClose();
  // The shutdown routine's save: a recording in progress is filed if its
  // playing time exceeds the minimum.
  void programEnd();
  // The shutdown routine's reset of the recorder values.
  void clearState();

  // The meter's input failed: the take ends as at its end (filed when long enough), and
  // the recorder stays on, waiting for the input to come back.
  void inputLost(const std::string& reason);
  // The input the recorder waited for has opened: it runs as after switching on.
  void inputReturned();

  // The recording index's entry and totals for a recording filed at `path`.
  void fileRecorded(const std::string& path, double seconds);
  void soundListMouseDown();
  void stopPlayback();

  // Recorder state.
  int recordingActive = 0;
  int signalAge = 0;
  double minTicks = 0;
  double maxTicks = 0;
  double silenceTicks = 0;
  double quietTicks = 0;
  double quietMark = 0;
  int capturePaused = 0;
  double blinkPhase = 0;
  std::string captureName;

  // Sound recorded before the trigger's oldest analysed sample at the least.
  int preRollMs;
  // How the take's beginning is sought further back in the input's history,
  // where the sound that set off the trigger began earlier still.
  OnsetSearch::Settings lookBack;

  TimedTransmission timedTransmission;
  RecordingFiler filer;

 private:
  void endTake();
  void switchOn();
  // The part of switching on that follows the opening of the input.
  void startOnInput();
  void switchOff();
  // Starts a capture; at the stream's beginning for the first one after
  // switching on, otherwise just before what the triggering tick analysed.
  void startCapture(bool atStreamOpen);
  // Where a take that the trigger starts begins in the input stream.
  std::uint64_t triggeredStart();
  void hideRunningTime();
  void showSwitchOn();
  void showSwitchOff();
  // Sends a close command and hands the take it closes to the filer.
  void closeCapture(const char* command);
  // `name`, or the first second after it whose name no recording has.
  std::string freeCaptureName(std::string name);
  // A failure that stops the recorder: it goes off on the next turn of the
  // loop, after the procedure that met the failure has finished.
  void stopForFailure(const std::string& text);
  void tmrRecorderMessage_Timer();
  void showStopped(const std::string& text);
  std::string entry16(bool caption) const;
  std::string iconFile(const char* name) const;

  Program& p_;
  Timer message_;
  std::optional<std::string> pendingStop_;
  // End of the last saved take in the meter's stream: a new take does not
  // reach back into it, so a split recording neither loses nor doubles sound.
  std::uint64_t previousEnd_ = 0;
  std::optional<std::int64_t> lastClockSecond_;
  bool leftoversFiled_ = false;
  // Whether the capture device is open: a name alone may be that of a
  // capture that has already been saved.
  bool captureOpen_ = false;
};

}  // namespace tv
