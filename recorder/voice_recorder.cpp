#include "recorder/voice_recorder.h"

#include <algorithm>
#include <filesystem>
#include <span>
#include <system_error>
#include <vector>

#include "app/numbers.h"
#include "app/program.h"
#include "recorder/capture_name.h"
#include "recorder/wall_clock_moments.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

constexpr Colour kRed = rgb(255, 0, 0);
constexpr Colour kYellow = rgb(255, 255, 0);
constexpr Colour kPausedYellow = rgb(255, 255, 15);
constexpr int kRecordingTickMs = 50;
// Sound kept before the oldest sample the triggering tick analysed, whatever
// the look-back finds. On a clean input the look-back alone finds the soft
// beginning of speech; under the hiss of an open squelch it stops at the hiss
// and the pre-roll keeps what lies beneath it (bench_recorder measures both).
// Prepended sound is harmless, a lost beginning is not.
constexpr int kDefaultPreRollMs = 150;
// A disk that stays full fails every take: told once, until a take is written again.
constexpr std::string_view kWriteCause = "recorder.write";
// How long the end of the program waits for the filings under way.
constexpr std::int64_t kShutdownWaitMs = 10'000;

}  // namespace

VoiceRecorder::VoiceRecorder(Program& program)
    : preRollMs(kDefaultPreRollMs),
      timedTransmission(program),
      filer(program),
      p_(program),
      message_(program.ui().timers(), "tmrRecorderMessage", 1, false) {
  MainForm& f = p_.frm_DoKu;
  f.lbl_Start.mouseDown = [this](int b, int s, int x, int y) { lbl_Start_MouseDown(b, s, x, y); };
  f.lbl_Start.mouseUp = [this](int b, int s, int x, int y) { lbl_Start_MouseUp(b, s, x, y); };
  f.tmrAufnahme.tick = [this] { tmrAufnahme_Timer(); };
  f.tmrZT1.tick = [this] { tmrZT1_Timer(); };
  f.tmrZT2.tick = [this] { tmrZT2_Timer(); };
  f.tmrZT3.tick = [this] { tmrZT3_Timer(); };
  f.tmr_Blink.tick = [this] { tmr_Blink_Timer(); };
  message_.tick = [this] { tmrRecorderMessage_Timer(); };
  p_.frm_Einstellungen.ed_FK.change = [this] { ed_FK_Change(); };
  // Takes are completed and filed by the filer's worker, not by the capture device.
  p_.mci.setHandOver(true);
}

void VoiceRecorder::ed_FK_Change() {
  EditField& field = p_.frm_Einstellungen.ed_FK;
  const std::string typed = trim(field.text());
  if (typed.empty() || networkNumberUsable(typed)) return;
  const std::string kept = numberText(p_.networkNumber);
  field.setText(kept);
  p_.messageBox(p_.ownMessage(OwnText::NetworkNumberRefused, {typed, kept}));
}

void VoiceRecorder::setUp() {
  p_.frm_DoKu.lbl_Start.setBorderStyle(Look::Off);
  timedTransmission.readScheduleFile();
  lastClockSecond_.reset();
}

bool VoiceRecorder::running() const {
  return p_.levelMeter.isOpen();
}

void VoiceRecorder::lbl_Start_MouseDown(int, int, int, int) {
  p_.recorderOn = p_.recorderOn == 1 ? 0 : 1;
  if (p_.recorderOn == 1) {
    showSwitchOn();
  } else {
    showSwitchOff();
  }
}

void VoiceRecorder::lbl_Start_MouseUp(int, int, int, int) {
  if (p_.recorderOn == 1) {
    // Pressed again while on (apply start state does that after every save of
    // the settings): the running recorder and its stream stay as they are.
    if (running()) return;
    switchOn();
  } else {
    switchOff();
  }
}

void VoiceRecorder::showSwitchOn() {
  Label& l = p_.frm_DoKu.lbl_Start;
  l.setBackColour(kRed);
  l.setForeColour(rgb(255, 255, 128));
  l.setBorderStyle(Look::On);
}

void VoiceRecorder::showSwitchOff() {
  Label& l = p_.frm_DoKu.lbl_Start;
  l.setBackColour(kButtonFace);
  l.setForeColour(rgb(0, 0, 0));
  l.setBorderStyle(Look::Off);
}

void VoiceRecorder::switchOn() {
  MainForm& f = p_.frm_DoKu;
  f.cmd_File_lö.setEnabled(false);
  f.fr2.setCaption(entry16(true));
  f.fr2.setForeColour(kRed);
  f.setHeight(p_.mainWindowHeight);
  switch (p_.levelMeter.openMeterInput()) {
    case MeterInput::failed:
      p_.recorderOn = 0;
      f.fr2.setCaption(entry16(false));
      f.fr2.setForeColour(kWindowText);
      showStopped(p_.levelMeter.failureText());
      return;
    case MeterInput::waiting:
      // On, and waiting for the input the settings name: the meter starts the rest.
      return;
    case MeterInput::opened:
      break;
  }
  startOnInput();
}

void VoiceRecorder::inputReturned() {
  if (p_.recorderOn == 1 && p_.levelMeter.isOpen()) startOnInput();
}

void VoiceRecorder::startOnInput() {
  MainForm& f = p_.frm_DoKu;
  previousEnd_ = 0;
  f.tmr_Blink.setEnabled(true);
  f.tmrZT2.setEnabled(true);
  tmrAufnahme_Timer();
  f.tmrPegel.setEnabled(true);
}

void VoiceRecorder::inputSettingsApplied() {
  if (!running() || p_.shuttingDown() || p_.levelMeter.openedAsChosen()) return;
  // The take in progress ends as at its maximum time, filed if long enough; then the
  // stream opens anew and the recorder starts as when switched on, so that the gap
  // between the two takes is only what reopening the device takes.
  p_.log.info("recorder", "input device or sample rate changed: the input is opened anew");
  if (recordingActive == 1) {
    endTake();
    hideRunningTime();
  }
  p_.levelMeter.closeMeterInput();
  // With automatic recording on, apply start state switches it on next; once is enough
  // to hear why a device cannot be opened.
  if (p_.autoRecordFlag != 1) switchOn();
}

void VoiceRecorder::switchOff() {
  MainForm& f = p_.frm_DoKu;
  f.cmd_File_lö.setVisible(true);
  soundListMouseDown();
  finishRecording();
  f.fr2.setCaption(entry16(false));
  f.fr2.setForeColour(kWindowText);
  stopPlayback();
  f.tmrZT2.setEnabled(false);
  f.setHeight(p_.mainWindowHeight);
  f.tmrZT1.setEnabled(false);
  // Off means every recorder timer off; the silence count and the lamp would
  // otherwise go on working on a recorder that is not there.
  f.tmrZT3.setEnabled(false);
  f.tmr_Blink.setEnabled(false);
  p_.levelMeter.closeMeterInput();
  captureName.clear();
  f.progressbar3.setValue(0);
  f.progressbar4.setValue(0);
  f.lbl_Record.setBackColour(kRed);
  p_.frm_Oszi.slider.setValue(0);
  recordingActive = 0;
  signalAge = 0;
  hideRunningTime();
}

void VoiceRecorder::hideRunningTime() {
  p_.frm_DoKu.lbl_Rec_Max.setVisible(false);
  p_.elapsedSeconds = 0;
  p_.frm_DoKu.lbl_Rec_Max.setCaption("");
}

void VoiceRecorder::trigger() {
  MainForm& f = p_.frm_DoKu;
  f.lbl_Rec_Max.setVisible(true);
  f.lbl_PegelAnzeige.setVisible(true);
  f.lbl_PegelAnzeige.setCaption(std::to_string(p_.levelMeter.levelPercent));
  f.tmrPegel.setInterval(kRecordingTickMs);
  f.tmr_Blink.setEnabled(true);
  if (p_.pauseAfterSilence > 0) {
    silenceTicks = 1;
    tmrZT3_Timer();
    f.tmrZT3.setEnabled(true);
  }
  if (recordingActive == 0) {
    recordingActive = 1;
    f.lbl_Record.setVisible(true);
    f.tmrZT1.setEnabled(true);
    f.tmrZT2.setEnabled(true);
    f.tmr_Blink.setEnabled(true);
    startCapture(false);
    quietTicks = 0;
    quietMark = 0;
  }
}

void VoiceRecorder::tmrAufnahme_Timer() {
  if (recordingActive != 0) return;
  recordingActive = 1;
  MainForm& f = p_.frm_DoKu;
  f.tmrZT1.setEnabled(true);
  f.tmr_Blink.setEnabled(true);
  f.lbl_Record.setVisible(true);
  startCapture(true);
}

void VoiceRecorder::startCapture(bool atStreamOpen) {
  captureName = freeCaptureName(makeCaptureName(static_cast<int>(roundHalfEven(p_.networkNumber)),
                                                p_.platform.clock.localNow()));
  const std::string rate = std::to_string(captureRate(p_.frm_Einstellungen.cb_Sample.text()));
  const std::string opened = p_.mci.sendString("open new type waveaudio alias capture ");
  if (opened.empty()) {
    captureOpen_ = true;
    filer.claim(captureName);
  }
  p_.mci.sendString("set capture time format milliseconds  bitspersample 8 samplespersec " + rate +
                    " channels 1 bytespersec " + rate + " alignment 1");
  p_.mci.setCaptureStart(atStreamOpen ? 0 : triggeredStart());
  // The take is written into its working file while it is heard.
  p_.mci.setCaptureFile(captureName);
  p_.mci.sendString("record capture ");
  p_.log.info("recorder", "take " + captureName + " begins");
}

std::uint64_t VoiceRecorder::triggeredStart() {
  // The trigger fires on samples that arrived up to a meter block ago; the
  // take begins before them, at least by the pre-roll, and as far back as
  // the sound that set it off goes on in the history the stream still holds.
  const std::uint64_t analysed = p_.levelMeter.analysedBlockStart();
  const double streamRate = std::clamp(leadingNumber(p_.sampleRate), 0.0, 1e7);
  const auto preRoll = static_cast<std::uint64_t>(streamRate * std::max(preRollMs, 0) / 1000);
  const std::uint64_t fixedStart = analysed > preRoll ? analysed - preRoll : 0;

  const OnsetSearch search(static_cast<int>(streamRate), lookBack);
  const std::uint64_t wanted = std::min<std::uint64_t>(search.historySamples(), analysed);
  std::vector<std::uint8_t> history(static_cast<std::size_t>(wanted));
  const RingBuffer::ReadResult got = p_.levelMeter.readInput(analysed - wanted, history);
  // Only what lies before the analysed block, oldest lost samples excluded.
  const std::size_t held = got.first < analysed
                               ? static_cast<std::size_t>(std::min<std::uint64_t>(
                                     got.count, analysed - got.first))
                               : 0;
  return search.takeStart(std::span(history).first(held), held > 0 ? got.first : analysed,
                          fixedStart, previousEnd_);
}

void VoiceRecorder::finishRecording() {
  p_.frm_DoKu.tmrZT1.setEnabled(false);
  // Without a pause after silence the silence count never runs, and a take
  // would be thrown away at its maximum time or at the switch: it is kept.
  const bool heard = silenceTicks > 1 || p_.pauseAfterSilence <= 0;
  if (minTicks > p_.minRecordTenths && heard) {
    stopSaveClose();
  } else {
    closeCapture("close capture ");
  }
  minTicks = -1;
}

void VoiceRecorder::stopSaveClose() {
  MainForm& f = p_.frm_DoKu;
  if (!captureName.empty() && captureOpen_) {
    const std::string name = captureName;
    p_.player.selectedFile = name;
    p_.mci.sendString("stop capture wait ");
    // The save is completed by the filing worker, with the playing time, the copies and
    // the list entry after it: the next take does not wait for the disk.
    const std::string saved = p_.mci.sendString("save capture wait " + name);
    if (!saved.empty()) p_.log.warning("recorder", name + ": " + saved);
    closeCapture("close capture wait ");
    if (const auto span = p_.mci.captureSpan()) {
      previousEnd_ = std::max(previousEnd_, span->end);
      if (const std::uint64_t lost = p_.levelMeter.lostBetween(span->first, span->end))
        p_.log.warning("recorder", name + " holds " + std::to_string(lost) +
                                       " samples of silence where the input overran");
    }
  }
  f.tmrZT3.setEnabled(false);
  f.tmrZT2.setEnabled(false);
  f.tmrZT1.setEnabled(false);
  signalAge = -1;
  minTicks = 0;
  maxTicks = 0;
  silenceTicks = 0;
}

void VoiceRecorder::closeCapture(const char* command) {
  p_.mci.sendString(command);
  if (!captureOpen_) return;
  captureOpen_ = false;
  if (auto closed = p_.mci.takeClosed()) {
    filer.takeClosed(captureName, std::move(*closed));
  } else {
    filer.release(captureName);
  }
}

std::string VoiceRecorder::freeCaptureName(std::string name) {
  // Two takes that begin in the same second (the hour repeated when summer time ends, a
  // take right after a short one) would share a name: the later one moves on by a second
  // at a time. The name keeps its layout, which the list and the clean-up rely on.
  constexpr int kMostSeconds = 86'400;
  for (int i = 0; i < kMostSeconds && filer.nameInUse(name); ++i) {
    const auto next = nextCaptureName(name);
    if (!next) break;
    name = *next;
  }
  return name;
}

void VoiceRecorder::programEnd() {
  // The take in progress goes first; what was left before waits for the next start.
  filer.programEnds();
  stopSaveClose();
  // What is not filed by then stays in the working directory for the next start.
  filer.finish(kShutdownWaitMs);
}

void VoiceRecorder::clearState() {
  recordingActive = 0;
  signalAge = 0;
  minTicks = 0;
  maxTicks = 0;
  silenceTicks = 0;
  capturePaused = 0;
  captureName.clear();
  p_.elapsedSeconds = 0;
}

void VoiceRecorder::fileLeftovers() {
  // The last apply of the shutdown: what is left waits for the next start.
  if (p_.shuttingDown()) return;
  const bool startUp = !leftoversFiled_;
  leftoversFiled_ = true;
  filer.fileLeftovers(startUp);
  if (startUp) filer.retryTreeCopies();
}

void VoiceRecorder::tmrZT1_Timer() {
  MainForm& f = p_.frm_DoKu;
  if (p_.pauseAfterSilence > 0) f.tmrZT3.setEnabled(true);
  if (signalAge == 0) {
    minTicks = 0;
    f.tmrZT2.setEnabled(true);
    f.tmrZT3.setEnabled(true);
    f.lbl_Record.setVisible(true);
    return;
  }
  if (silenceTicks > p_.pauseAfterSilence) {
    finishRecording();
    recordingActive = 0;
    f.progressbar4.setValue(0);
    closeCapture("close capture ");
    signalAge = -1;
    minTicks = 0;
    maxTicks = 0;
    silenceTicks = 0;
    f.tmrZT2.setEnabled(false);
    f.tmrZT1.setEnabled(false);
    f.tmr_Blink.setEnabled(false);
    hideRunningTime();
    f.lbl_Record.setBackColour(kRed);
    f.progressbar3.setValue(0);
    // The other ends put the polling interval back; left at the recording's 50 ms, a tick
    // would analyse only a fraction of what arrives (an eighth at 44100 Hz), and a short
    // or soft transmission between the ticks' samples would never trigger.
    p_.levelMeter.restoreInterval();
  }
}

void VoiceRecorder::tmrZT2_Timer() {
  MainForm& f = p_.frm_DoKu;
  if (captureOpen_) {
    if (const auto fault = p_.mci.captureFault()) {
      // Ended as at the maximum time: what is on the medium is filed like any take.
      p_.notices.tellOnce(kWriteCause, "recorder",
                          p_.ownMessage(OwnText::TakeWriteFailed, {captureName, *fault}));
      endTake();
      hideRunningTime();
      return;
    }
    if (p_.mci.captureDurable() > 0) p_.notices.clear(kWriteCause);
  }
  f.progressbar3.setValue(static_cast<int>(maxTicks));
  // With a pause of 1 s or less the silence bar has no room: it stays empty.
  const int silenceRoom = static_cast<int>(p_.pauseAfterSilence) - 1;
  if (silenceRoom >= 1) {
    f.progressbar4.setMax(silenceRoom);
    f.progressbar4.setValue(static_cast<int>(silenceTicks) - 1);
  } else {
    f.progressbar4.setValue(0);
  }
  const std::string hms = tv::formatDuration(p_.elapsedSeconds);
  f.lbl_Rec_Max.setCaption(hms.substr(hms.size() - 5));

  if (p_.elapsedSeconds >= p_.maxRecordTenths / 10) {
    endTake();
    hideRunningTime();
  } else {
    signalAge += 1;
    minTicks += 1;
    maxTicks += 1;
  }
}

// The end of a take at its maximum time or after the silence: finish it and wait for
// the next sample above the threshold with the usual polling interval.
void VoiceRecorder::endTake() {
  MainForm& f = p_.frm_DoKu;
  finishRecording();
  recordingActive = 0;
  signalAge = -1;
  minTicks = 0;
  maxTicks = 0;
  silenceTicks = 0;
  f.tmrZT3.setEnabled(false);
  f.progressbar3.setValue(0);
  f.progressbar4.setValue(0);
  f.tmrZT1.setEnabled(false);
  f.tmr_Blink.setEnabled(false);
  f.lbl_Record.setBackColour(kRed);
  p_.levelMeter.restoreInterval();
}

void VoiceRecorder::tmrZT3_Timer() {
  MainForm& f = p_.frm_DoKu;
  if (signalAge > 1) {
    quietTicks += 1;
  } else {
    quietMark = quietTicks + 2;
  }
  if (silenceTicks > p_.pauseAfterSilence + 2) {
    f.lbl_PegelAnzeige.setVisible(false);
    p_.mci.sendString("pause capture wait ");
    f.tmr_Blink.setEnabled(false);
    f.lbl_Record.setBackColour(kPausedYellow);
    f.tic1.setIconFile(iconFile("mi_rt.ico"));
    f.tmrZT3.setEnabled(false);
    f.tmrZT2.setEnabled(false);
    f.tmrZT1.setEnabled(false);
    capturePaused = 1;
    if (silenceTicks > quietMark || silenceTicks > p_.pauseAfterSilence) {
      endTake();
    }
    hideRunningTime();
  } else if (capturePaused == 1) {
    capturePaused = 0;
    p_.mci.sendString("resume capture wait ");
    f.tmrZT3.setEnabled(true);
    f.tmrZT2.setEnabled(true);
    f.tmrZT1.setEnabled(true);
    signalAge = -1;
  }
  silenceTicks += 1;
}

void VoiceRecorder::tmr_Blink_Timer() {
  MainForm& f = p_.frm_DoKu;
  blinkPhase += 1;
  if (f.lbl_Start.borderStyle() != Look::On) return;
  if (blinkPhase == 1) {
    f.lbl_Record.setBackColour(kYellow);
    f.tic1.setIconFile(iconFile("mi_rt.ico"));
  } else if (blinkPhase == 2) {
    f.lbl_Record.setBackColour(kYellow);
  } else {
    f.lbl_Record.setBackColour(kRed);
    blinkPhase = 0;
    f.tic1.setIconFile(iconFile("mi.ico"));
  }
}

void VoiceRecorder::tmr_Zeit_Timer() {
  const LocalDateTime local = p_.platform.clock.localNow();
  // The daily rebuild at 00:00:30 is the index's own.
  p_.recordingIndex.onClockTick(local);
  // The schedule fires once when its moment has passed since the previous
  // tick, however late this tick comes; a clock set back fires nothing.
  const std::int64_t now = wallSeconds(local);
  const std::int64_t previous = lastClockSecond_.value_or(now - 1);
  lastClockSecond_ = now;
  timedTransmission.check(previous, now);
  if (recordingActive == 1) p_.elapsedSeconds += 1;
  p_.mainWindow.keepWidth();
}

void VoiceRecorder::inputLost(const std::string& reason) {
  MainForm& f = p_.frm_DoKu;
  f.tmrPegel.setEnabled(false);
  if (recordingActive == 1) endTake();
  // Nothing counts or blinks while there is no input; the switch stays on.
  f.tmrZT1.setEnabled(false);
  f.tmrZT2.setEnabled(false);
  f.tmrZT3.setEnabled(false);
  f.tmr_Blink.setEnabled(false);
  f.lbl_Record.setBackColour(kRed);
  recordingActive = 0;
  signalAge = 0;
  hideRunningTime();
  p_.levelMeter.waitForInput(reason);
}

void VoiceRecorder::stopForFailure(const std::string& text) {
  pendingStop_ = text;
  p_.setWaitText(text);
  message_.setEnabled(true);
}

void VoiceRecorder::tmrRecorderMessage_Timer() {
  message_.setEnabled(false);
  std::optional<std::string> stop;
  stop.swap(pendingStop_);
  if (stop && p_.recorderOn == 1) {
    p_.recorderOn = 0;
    showSwitchOff();
    switchOff();
  }
  if (stop) showStopped(*stop);
}

void VoiceRecorder::showStopped(const std::string& text) {
  showSwitchOff();
  // A click on the recorder's button hears why it did not start; a recorder that
  // stops on its own says so in the notice line.
  p_.report("recorder", text);
}

std::string VoiceRecorder::entry16(bool caption) const {
  const TextTable& table = p_.languageIndex == 2 ? p_.englishTable : p_.germanTable;
  return caption ? captionText(table.entries[16]) : tooltipText(table.entries[16]);
}

std::string VoiceRecorder::iconFile(const char* name) const {
  return p_.programFolder + "/icon/" + name;
}

void VoiceRecorder::fileRecorded(const std::string& path, double seconds) {
  p_.recordingIndex.entryAndTotalsAfterFiling(fs::path(path).filename().string(), seconds);
}

void VoiceRecorder::soundListMouseDown() {
  p_.player.lb_Sounds_MouseDown(MouseButton::Left, 0, 0, 0);
}

void VoiceRecorder::stopPlayback() {
  p_.player.cmdStop_Click();
}

}  // namespace tv
