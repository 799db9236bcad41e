#include "transmit/auto_tx.h"

#include <algorithm>

#include "app/numbers.h"
#include "app/program.h"
#include "player/wav/wav_reader.h"

namespace tv {
namespace {

constexpr Colour kSending = rgb(255, 0, 0);
constexpr Colour kTransmitting = rgb(128, 255, 0);
constexpr int kLeft = MouseButton::Left;
// How often a repetition's sound is looked at: its end, a failure or a stall is seen
// within this.
constexpr int kSoundPollMs = 50;

// How long one repetition keys: the file's length as the playback window shows it.
long long sendingMs(const std::string& durationText) {
  return roundHalfEven(leadingNumber(durationText) * 1000);
}

}  // namespace

AutoTx::AutoTx(Program& program)
    : p_(program),
      sound_(program),
      channel_(program),
      soundTimer_(program.ui().timers(), "tmrCQ_Sound", kSoundPollMs, false) {
  MainForm& m = p_.frm_DoKu;
  m.lblCQ.mouseDown = [this](int b, int s, int x, int y) { lblCQ_MouseDown(b, s, x, y); };
  m.cmd_PAPA.click = [this] { cmd_PAPA_Click(); };
  p_.frm_Oszi.cmdPap2.click = [this] { cmdPap2_Click(); };
  m.tmrCQ.tick = [this] { tmrCQ_Timer(); };
  m.tmrCQ_PAUSE.tick = [this] { tmrCQ_PAUSE_Timer(); };
  m.tmrRSP.tick = [this] { tmrRSP_Timer(); };
  m.lb_CQVorwahl.click = [this] { lb_CQVorwahl_Click(); };
  soundTimer_.tick = [this] { tmrCQ_Sound_Timer(); };
  p_.txArbiter.enrol(TxOwner::autoTx, [this](std::string_view) { silence(); });
  p_.txArbiter.onFree([this] { transmitterFree(); });
  // The button's look is the cycle's state: it must start out idle, or the first click
  // would take the stop path.
  showIdle();
  m.lblrsp.setVisible(false);
  // The playback window's parrot button has no text entry of its own.
  p_.frm_Oszi.cmdPap2.setCaption(m.cmd_PAPA.caption());
}

bool AutoTx::running() const {
  return p_.frm_DoKu.lblCQ.borderStyle() == Look::On;
}

int AutoTx::minimumPauseMs() const {
  // An interval of 0 never fires; two looks at the sound keep the pause a pause.
  return 2 * kSoundPollMs;
}

void AutoTx::lblCQ_MouseDown(int button, int, int, int) {
  p_.txArbiter.endCurrent("Auto-TX button");
  p_.player.cmdStop_Click();
  p_.frm_CQ.setLeft(p_.frm_DoKu.left());
  p_.frm_CQ.setTop(p_.frm_DoKu.top() + 300 + p_.heightCorrection);
  if (button != kLeft || autoTxFile.empty()) {
    openPreselection();
    return;
  }
  if (running()) {
    stop();
  } else {
    start();
  }
}

void AutoTx::start() {
  MainForm& m = p_.frm_DoKu;
  Player& player = p_.player;
  const LoadedWave checked = tv::LoadWave(autoTxFile);
  if (!checked.usable()) {
    p_.report("auto-tx", p_.ownMessage(OwnText::AutoTxNotPlayable, {autoTxFile}));
    return;
  }
  // A length of 0 would give tmrCQ an interval that never fires: the cycle would hang
  // in sending.
  const long long length = sendingMs(checked.durationText);
  if (length <= 0) {
    p_.report("auto-tx", p_.ownMessage(OwnText::AutoTxNoLength, {autoTxFile}));
    return;
  }
  // Opened once before anything changes: a file the output cannot play, or an output
  // nobody hears, would key a dead carrier at every repetition.
  if (const Result<void> opened = sound_.open(autoTxFile); !opened) {
    p_.report("auto-tx",
              p_.ownMessage(OwnText::AutoTxNotSent, {autoTxFile, opened.error().message}));
    return;
  }
  sound_.close();

  // The playback window shows what is sent; it plays nothing itself.
  m.lb_Sounds.setEnabled(false);
  player.selectedFile = autoTxFile;
  player.ShowLoadedWave();
  p_.levelMeter.sli_Lautst_Scroll();
  p_.frm_Oszi.lbl_sek.setCaption(checked.durationText + " s");

  showSending();
  pauseHeld_ = false;
  repetitionWaiting_ = false;
  if (m.tmrCQ_PAUSE.interval() < minimumPauseMs()) m.tmrCQ_PAUSE.setInterval(minimumPauseMs());
  m.tmrCQ.setInterval(static_cast<int>(length));
  switchWatch();
  // A label greyed by the send key would look as if the watch were off.
  m.lblrsp.setEnabled(true);
  m.lblrsp.setVisible(true);
  beginRepetition();
}

void AutoTx::beginRepetition() {
  if (!running()) return;
  if (!p_.txArbiter.request(TxOwner::autoTx)) {
    // The announcement is on the air: this repetition follows its end.
    repetitionWaiting_ = true;
    return;
  }
  repetitionWaiting_ = false;
  channel_.await([this] { sendRepetition(); }, [this] { skipRepetition(); });
}

void AutoTx::skipRepetition() {
  p_.txArbiter.release(TxOwner::autoTx, "channel busy");
  p_.notice("auto-tx", p_.ownMessage(OwnText::ChannelBusySkipped,
                                     {"Auto-TX", std::to_string(p_.busyWaitSeconds)}));
  enterPause();
}

void AutoTx::sendRepetition() {
  MainForm& m = p_.frm_DoKu;
  // Opened before the transmitter is keyed, so that a file gone missing since the start
  // never puts a silent carrier on the air.
  Result<void> sent = sound_.open(autoTxFile);
  if (sent) {
    p_.txArbiter.key(TxOwner::autoTx);
    if (p_.keying.keyed()) p_.frm_Oszi.lbl_TX.showPressed(kTransmitting);
    sent = sound_.play();
  }
  if (!sent) {
    p_.txArbiter.release(TxOwner::autoTx, "sound failed");
    giveUp(p_.ownMessage(OwnText::AutoTxNotSent, {autoTxFile, sent.error().message}));
    return;
  }
  m.tmrCQ.setEnabled(true);
  soundTimer_.setEnabled(true);
  showPosition();
}

void AutoTx::tmrCQ_Sound_Timer() {
  switch (sound_.check()) {
    case TxSound::Check::sounding:
      showPosition();
      return;
    case TxSound::Check::ended:
      showPosition();
      endRepetition("end of sound");
      return;
    case TxSound::Check::failed: {
      const std::string reason = sound_.failure();
      endRepetition("sound failed");
      giveUp(p_.ownMessage(OwnText::AutoTxNotSent, {autoTxFile, reason}));
      return;
    }
  }
}

void AutoTx::silence() {
  channel_.cancel();
  soundTimer_.setEnabled(false);
  sound_.close();
  p_.frm_Oszi.lbl_TX.showReleased();
  // The pause may already be due: it begins once the transmitter is free.
  if (running() && !p_.frm_DoKu.tmrCQ.enabled() && !p_.frm_DoKu.tmrCQ_PAUSE.enabled())
    pauseHeld_ = true;
}

void AutoTx::endRepetition(std::string_view why) {
  silence();
  pauseHeld_ = false;
  p_.txArbiter.release(TxOwner::autoTx, why);
  if (!p_.frm_DoKu.tmrCQ.enabled()) enterPause();
}

void AutoTx::tmrCQ_Timer() {
  p_.frm_DoKu.tmrCQ.setEnabled(false);
  // The sound ends at this very moment at the earliest: looked at now, the pause keeps
  // the rhythm of file length plus pause. An output that is late still holds the pause
  // until its sound has ended.
  if (sound_.isOpen()) {
    tmrCQ_Sound_Timer();
    return;
  }
  enterPause();
}

void AutoTx::enterPause() {
  if (!running()) return;
  // Another sender took the transmitter at the repetition's end (the announcement went
  // out first): the pause begins after it, so it is lengthened by it.
  if (!p_.txArbiter.free()) {
    pauseHeld_ = true;
    return;
  }
  p_.frm_DoKu.tmrCQ_PAUSE.setEnabled(true);
}

void AutoTx::tmrCQ_PAUSE_Timer() {
  p_.frm_DoKu.tmrCQ_PAUSE.setEnabled(false);
  beginRepetition();
}

void AutoTx::transmitterFree() {
  if (!running()) return;
  if (pauseHeld_) {
    pauseHeld_ = false;
    enterPause();
  } else if (repetitionWaiting_) {
    beginRepetition();
  }
}

void AutoTx::showPosition() {
  PlaybackForm& f = p_.frm_Oszi;
  const std::int64_t length = sound_.lengthMs();
  const std::int64_t position = sound_.positionMs();
  f.lbl_pos.setCaption(positionText(static_cast<double>(position) / 1000.0));
  if (length > 0) {
    f.slider.setValue(
        static_cast<int>(std::min<std::int64_t>(position, length) * 1'000'000 / length));
  }
}

void AutoTx::stop() {
  MainForm& m = p_.frm_DoKu;
  m.lb_Sounds.setEnabled(true);
  m.lblrsp.setVisible(false);
  endCycle("Auto-TX stopped");
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseDown(kLeft, 0, 0, 0);
  switchWatch();
}

void AutoTx::endCycle(std::string_view why) {
  MainForm& m = p_.frm_DoKu;
  m.tmrCQ.setEnabled(false);
  m.tmrCQ_PAUSE.setEnabled(false);
  pauseHeld_ = false;
  repetitionWaiting_ = false;
  const bool wasRunning = running();
  showIdle();
  if (p_.txArbiter.owner() == TxOwner::autoTx) {
    p_.txArbiter.endCurrent(why);
  } else {
    silence();
  }
  if (wasRunning) m.lb_Sounds.setEnabled(true);
  // The user may play and key again.
  p_.notices.clear(TxArbiter::kRefusedCause);
}

void AutoTx::fileLoadedByHand() {
  if (!running()) return;
  MainForm& m = p_.frm_DoKu;
  m.lblrsp.setVisible(false);
  endCycle("another file loaded");
  switchWatch();
  p_.notice("auto-tx", p_.ownMessage(OwnText::AutoTxEndedByLoad));
}

void AutoTx::giveUp(const std::string& message) {
  stop();
  p_.report("auto-tx", message);
}

void AutoTx::cmd_PAPA_Click() {
  lblCQ_MouseDown(kLeft, 0, 0, 0);
}

void AutoTx::cmdPap2_Click() {
  lblCQ_MouseDown(kLeft, 0, 0, 0);
}

void AutoTx::openPreselection() {
  ListBox& list = p_.frm_DoKu.lb_CQVorwahl;
  list.clear();
  list.setVisible(true);
  const auto& texts = p_.textApplication.preselectionTexts;
  for (int entry = 1; entry <= 3; ++entry) list.addItem(texts[static_cast<size_t>(entry)]);
}

void AutoTx::lb_CQVorwahl_Click() {
  p_.cqManager.lb_CQVorwahl_Click();
}

void AutoTx::settingsApplied() {
  if (!running()) return;
  // The cycle has ended, so it also looks ended, and the sound list it locked is free
  // again.
  MainForm& m = p_.frm_DoKu;
  endCycle("settings applied");
  m.lblrsp.setVisible(false);
}

void AutoTx::showIdle() { p_.frm_DoKu.lblCQ.showReleased(); }

void AutoTx::showSending() { p_.frm_DoKu.lblCQ.showPressed(kSending); }

void AutoTx::switchWatch() {
  p_.frm_DoKu.tmrRSP.setEnabled(p_.frm_Einstellungen.chk_TX.value() == 1);
}

}  // namespace tv
