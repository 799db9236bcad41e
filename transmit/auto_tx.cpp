#include "transmit/auto_tx.h"

#include "app/numbers.h"
#include "app/program.h"
#include "player/wav/wav_reader.h"

namespace tv {
namespace {

constexpr Colour kSending = rgb(255, 0, 0);
constexpr int kLeft = MouseButton::Left;

// How long one repetition keys: the file's length as the playback window shows it.
long long sendingMs(const std::string& durationText) {
  return roundHalfEven(leadingNumber(durationText) * 1000);
}

}  // namespace

AutoTx::AutoTx(Program& program) : p_(program) {
  MainForm& m = p_.frm_DoKu;
  m.lblCQ.mouseDown = [this](int b, int s, int x, int y) { lblCQ_MouseDown(b, s, x, y); };
  m.cmd_PAPA.click = [this] { cmd_PAPA_Click(); };
  p_.frm_Oszi.cmdPap2.click = [this] { cmdPap2_Click(); };
  m.tmrCQ.tick = [this] { tmrCQ_Timer(); };
  m.tmrCQ_PAUSE.tick = [this] { tmrCQ_PAUSE_Timer(); };
  m.tmrRSP.tick = [this] { tmrRSP_Timer(); };
  m.lb_CQVorwahl.click = [this] { lb_CQVorwahl_Click(); };
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
  // The end is seen by the first position tick at or after it, and the file's length in
  // hundredths may fall a few milliseconds short of the sound's: two ticks cover both.
  return 2 * p_.frm_Oszi.tmrplaywave.interval();
}

void AutoTx::lblCQ_MouseDown(int button, int, int, int) {
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
  // Checked before the playback window is touched: a file the window cannot load
  // would leave the previous sound in it, and that is not what the user chose to send.
  const LoadedWave checked = tv::LoadWave(autoTxFile);
  if (!checked.usable()) {
    p_.report("auto-tx", p_.ownMessage(OwnText::AutoTxNotPlayable, {autoTxFile}));
    return;
  }
  // A length of 0 would give tmrCQ an interval that never fires: the cycle would hang
  // in sending.
  if (sendingMs(checked.durationText) <= 0) {
    p_.report("auto-tx", p_.ownMessage(OwnText::AutoTxNoLength, {autoTxFile}));
    return;
  }
  if (!p_.player.prepareTransmission("auto-tx")) return;

  m.lb_Sounds.setEnabled(false);
  player.selectedFile = autoTxFile;
  player.ShowLoadedWave();
  p_.levelMeter.sli_Lautst_Scroll();
  const long long length = sendingMs(player.durationText);
  if (player.currentWave != autoTxFile || length <= 0 || !pressPlay()) {
    player.cmdStop_Click();
    m.lb_Sounds.setEnabled(true);
    p_.report("auto-tx", p_.ownMessage(OwnText::AutoTxNotPlayable, {autoTxFile}));
    return;
  }

  showSending();
  // A cycle the CQ window restarts may still be pausing.
  m.tmrCQ_PAUSE.setEnabled(false);
  if (m.tmrCQ_PAUSE.interval() < minimumPauseMs()) m.tmrCQ_PAUSE.setInterval(minimumPauseMs());
  m.tmrCQ.setInterval(static_cast<int>(length));
  m.tmrCQ.setEnabled(true);
  keyTransmitter();
  p_.keying.PttOn("auto-tx");
  p_.frm_Oszi.lbl_sek.setCaption(player.durationText + " s");
  switchWatch();
  // A label greyed by the send key would look as if the watch were off.
  m.lblrsp.setEnabled(true);
  m.lblrsp.setVisible(true);
}

void AutoTx::stop() {
  MainForm& m = p_.frm_DoKu;
  m.lb_Sounds.setEnabled(true);
  m.lblrsp.setVisible(false);
  showIdle();
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseDown(kLeft, 0, 0, 0);
  m.tmrCQ.setEnabled(false);
  m.tmrCQ_PAUSE.setEnabled(false);
  p_.keying.PttOff("auto-tx stopped");
  switchWatch();
}

void AutoTx::tmrCQ_Timer() {
  p_.frm_DoKu.tmrCQ.setEnabled(false);
  p_.frm_DoKu.tmrCQ_PAUSE.setEnabled(true);
}

void AutoTx::tmrCQ_PAUSE_Timer() {
  MainForm& m = p_.frm_DoKu;
  m.tmrCQ_PAUSE.setEnabled(false);
  // An output gone since the last repetition ends the cycle; it has been told.
  if (!p_.player.prepareTransmission("auto-tx")) {
    stop();
    return;
  }
  // Played before it is keyed, so that a file gone missing since the start never puts
  // a silent carrier on the air.
  if (!pressPlay()) {
    giveUp(p_.ownMessage(OwnText::AutoTxNotPlayable, {p_.player.currentWave}));
    return;
  }
  keyTransmitter();
  m.tmrCQ.setEnabled(true);
}

bool AutoTx::pressPlay() {
  p_.player.lblFreqNorm_MouseDown(kLeft, 0, 0, 0);
  p_.player.lblFreqNorm_MouseUp(kLeft, 0, 0, 0);
  return p_.player.playing;
}

void AutoTx::keyTransmitter() {
  if (p_.frm_Oszi.lbl_TX.borderStyle() == Look::Off) {
    p_.keying.lbl_TX_Click();
  } else {
    p_.keying.PttOn("auto-tx");
  }
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
  // again; the transmitter is released by the reopening of the port.
  MainForm& m = p_.frm_DoKu;
  showIdle();
  m.lb_Sounds.setEnabled(true);
  m.lblrsp.setVisible(false);
}

void AutoTx::showIdle() { p_.frm_DoKu.lblCQ.showReleased(); }

void AutoTx::showSending() { p_.frm_DoKu.lblCQ.showPressed(kSending); }

void AutoTx::switchWatch() {
  p_.frm_DoKu.tmrRSP.setEnabled(p_.frm_Einstellungen.chk_TX.value() == 1);
}

}  // namespace tv
