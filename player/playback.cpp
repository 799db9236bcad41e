#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/worker.h"
#include "player/player.h"
#include "player/waveform.h"

namespace tv {
namespace {

constexpr Colour kPlayOn = rgb(128, 255, 0);
constexpr std::int32_t kEnd = 1'000'000;
constexpr std::int32_t kLastStart = 999'998;

// The status commands answer a decimal number; anything else is an error text.
std::optional<std::int64_t> replyNumber(const std::string& reply) {
  std::int64_t value = 0;
  const char* end = reply.data() + reply.size();
  const auto [stop, error] = std::from_chars(reply.data(), end, value);
  if (reply.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

// A position as the seek and play commands carry it: one blank before the number.
std::string positionArgument(std::int64_t ms) {
  std::string text(1, ' ');
  text += std::to_string(ms);
  return text;
}

std::int32_t toInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::string positionText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", seconds);
  return text;
}

Player::Player(Program& program) : p_(program) {
  PlaybackForm& f = p_.frm_Oszi;
  MainForm& main = p_.frm_DoKu;
  f.cmdStop.click = [this] { cmdStop_Click(); };
  f.cmdStop.mouseDown = [this](int b, int s, int x, int y) { cmdStop_MouseDown(b, s, x, y); };
  f.cmdStop.mouseUp = [this](int b, int s, int x, int y) { cmdStop_MouseUp(b, s, x, y); };
  f.cmd_Unterbrechen.mouseDown = [this](int b, int s, int x, int y) {
    cmd_Unterbrechen_MouseDown(b, s, x, y);
  };
  f.cmd_Unterbrechen.mouseUp = [this](int b, int s, int x, int y) {
    cmd_Unterbrechen_MouseUp(b, s, x, y);
  };
  f.slider.mouseDown = [this](int b, int s, int x, int y) { slider_MouseDown(b, s, x, y); };
  f.slider.mouseMove = [this](int b, int s, int x, int y) { slider_MouseMove(b, s, x, y); };
  f.slider.scroll = [this] { slider_Scroll(); };
  f.slider.mouseUp = [this](int b, int s, int x, int y) { slider_MouseUp(b, s, x, y); };
  f.cmd_Os_Zurück.click = [this] { cmd_Os_Zurück_Click(); };
  f.close = [this](bool& cancel) { frm_Oszi_Close(cancel); };
  f.lblFreqNorm.mouseDown = [this](int b, int s, int x, int y) {
    lblFreqNorm_MouseDown(b, s, x, y);
  };
  f.lblFreqNorm.mouseUp = [this](int b, int s, int x, int y) { lblFreqNorm_MouseUp(b, s, x, y); };
  f.sli_Speed.scroll = [this] { sli_Speed_Scroll(); };
  f.sli_Speed.mouseUp = [this](int b, int s, int x, int y) { sli_Speed_MouseUp(b, s, x, y); };
  f.ed1.keyPress = [this](int& keyAscii) {
    if (keyAscii != ' ') return;
    ed1_KeyDown(keyAscii, 0);
    // The field is only the keyboard's target: it keeps no text.
    keyAscii = 0;
  };
  f.tmr1.tick = [this] { tmr1_Timer(); };
  f.tmrplaywave.tick = [this] { tmrplaywave_Timer(); };
  f.tmr_NachStop.tick = [this] { tmr_NachStop_Timer(); };
  f.tmrReading.tick = [this] { tmrReading_Timer(); };
  f.tmrSoundNotice.tick = [this] {
    p_.frm_Oszi.tmrSoundNotice.setEnabled(false);
    p_.tellUser(p_.ownMessage(OwnText::NoSoundOutput));
  };

  // The user's own transmission: ended from outside (the send key, the time-out), its
  // button shows released; the sound plays on, as it did before it was keyed.
  p_.txArbiter.enrol(TxOwner::manual,
                     [this](std::string_view) { p_.frm_Oszi.lbl_TX.showReleased(); });

  main.lbl_LoadWave.mouseMove = [this](int b, int s, int x, int y) {
    lbl_LoadWave_MouseMove(b, s, x, y);
  };
  main.lbl_LoadWave.mouseDown = [this](int b, int s, int x, int y) {
    lbl_LoadWave_MouseDown(b, s, x, y);
  };
  main.lbl_LoadWave.setBorderStyle(Look::Flat);
  main.tmr2.tick = [this] { tmr2_Timer(); };
  main.tmr_Focus.tick = [this] { tmr_Focus_Timer(); };
}

Player::~Player() {
  // A reading still running is told to stop, so that the worker need not wait for it.
  if (reading_) reading_->cancelled = true;
}

void Player::StartPlayback() {
  if (trim(currentWave).empty()) return;
  // Auto-TX or the announcement has the output and the transmitter.
  if (p_.txArbiter.refusedToUser()) {
    showPlayButtonOff();
    return;
  }
  selectedFile = currentWave;
  std::error_code ec;
  if (!std::filesystem::exists(currentWave, ec)) return;
  Mci& mci = p_.mci;
  const bool blank = currentWave.find(' ') != std::string::npos;
  mci.sendString("open " + (blank ? "\"" + currentWave + "\"" : currentWave) +
                 " alias waveplayfile");
  mci.sendString("set waveplayfile time format ms");
  // The sound of ApplySpeed plays at its rate: the file itself, read faster or slower.
  if (currentWave == speedSource && speedRate > 0 && speedRate != waveInfo.sampleRate) {
    const std::string rate = std::to_string(speedRate);
    mci.sendString("set waveplayfile samplespersec " + rate);
    p_.log.info("playback", currentWave + " plays at " + rate + " samples per second");
  }
  const auto length = replyNumber(mci.sendString("status waveplayfile length"));
  if (!length) return;
  playLength = toInt32(*length);
  const double from = resumePosition > kLastStart ? 0 : resumePosition;
  playFrom(roundHalfEven(from * playLength / 1e6));
  playing = true;
  p_.frm_Oszi.tmrplaywave.setEnabled(true);
  if (mci.playbackSilent()) tellNoSoundOutput();
}

void Player::StopPlayback() {
  if (playing) {
    p_.mci.sendString("stop waveplayfile");
    p_.mci.sendString("close waveplayfile");
    playing = false;
    p_.frm_Oszi.tmrplaywave.setEnabled(false);
  }
  p_.frm_DoKu.tmr_Focus.setEnabled(false);
}

void Player::cmdStop_Click() {
  cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
  p_.frm_Oszi.lbl_TX.showReleased();
  // The general stop ends whatever is on the air, whoever sends it.
  p_.txArbiter.endCurrent("stop");
  routePlayback();
  p_.frm_DoKu.show();
}

void Player::cmdStop_MouseDown(int, int, int, int) {
  p_.frm_DoKu.tmr_Focus.setEnabled(false);
  StopPlayback();
  p_.frm_Oszi.tmrplaywave.setEnabled(false);
  showPlayButtonOff();
  resumePosition = playPosition;
  p_.frm_DoKu.tmr_Focus.setEnabled(false);
}

void Player::cmdStop_MouseUp(int, int, int, int) {
  p_.frm_DoKu.tmr_Focus.setEnabled(false);
  if (p_.frm_DoKu.lbl_Start.borderStyle() == Look::Off) p_.frm_DoKu.cmd_File_lö.setEnabled(true);
}

void Player::cmd_Unterbrechen_MouseDown(int, int, int, int) {
  if (!playing) return;
  p_.frm_DoKu.tmr_Focus.setEnabled(false);
  p_.mci.sendString("stop waveplayfile");
  p_.frm_Oszi.tmrplaywave.setEnabled(false);
}

void Player::cmd_Unterbrechen_MouseUp(int, int, int, int) {
  if (!playing) return;
  p_.frm_DoKu.tmr_Focus.setEnabled(true);
  playFrom(sliderMs());
  p_.frm_Oszi.tmrplaywave.setEnabled(true);
}

void Player::slider_MouseDown(int, int, int, int) {
  // The slider is not moved under the user's hand.
  if (playing) p_.frm_Oszi.tmrplaywave.setEnabled(false);
}

void Player::slider_MouseMove(int, int, int, int) {
  p_.frm_Oszi.lbl_pos.setCaption(
      positionText(p_.frm_Oszi.slider.value() * static_cast<double>(playLength) / 1e9));
}

void Player::slider_Scroll() {
  if (!playing) return;
  showPlayButtonOn();
  const std::int64_t ms = sliderMs();
  playFrom(ms);
  playPosition = toInt32(ms);
}

void Player::slider_MouseUp(int, int, int, int) {
  p_.frm_Oszi.tmrplaywave.setEnabled(true);
  if (!playing) StartPlayback();
}

void Player::cmd_Os_Zurück_Click() {
  cmdStop_Click();
  cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
  cmdStop_MouseUp(MouseButton::Left, 0, 0, 0);
  p_.frm_Oszi.hide();
}

void Player::frm_Oszi_Close(bool& cancel) {
  // The window lives as long as the program; closing only hides it.
  cmd_Os_Zurück_Click();
  cancel = true;
}

void Player::tmr1_Timer() {
  lblFreqNorm_MouseDown(MouseButton::Left, 0, 0, 0);
  lblFreqNorm_MouseUp(MouseButton::Left, 0, 0, 0);
  p_.frm_Oszi.tmr1.setEnabled(false);
}

void Player::tmrplaywave_Timer() {
  PlaybackForm& f = p_.frm_Oszi;
  if (!playing) {
    f.tmrplaywave.setEnabled(false);
    return;
  }
  // A device that no longer answers with a number has nothing more to play.
  const auto reply = replyNumber(p_.mci.sendString("status waveplayfile position"));
  playPosition = toInt32(reply.value_or(playLength));
  f.lbl_pos.setCaption(positionText(playPosition / 1000.0));
  if (playPosition >= playLength) {
    playPosition = kEnd;
    StopPlayback();
    // cmdStop_Click without its end of every transmission: only the user's own ends with
    // this sound, and an announcement that waited for it may take the transmitter at once.
    cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
    f.lbl_TX.showReleased();
    p_.txArbiter.release(TxOwner::manual, "end of sound");
    p_.frm_DoKu.show();
    PlayNextInList();
  } else {
    playPosition = toInt32(roundHalfEven(playPosition * 1e6 / playLength));
  }
  f.slider.setValue(playPosition);
  ShowPeak();
}

void Player::ed1_KeyDown(int keyCode, int) {
  if (keyCode == ' ') p_.keying.lbl_TX_Click();
}

std::string Player::transmitOutput() const {
  return p_.txOutputDevice == "default" ? std::string() : p_.txOutputDevice;
}

void Player::routePlayback() {
  const bool transmitting = p_.frm_Oszi.lbl_TX.borderStyle() == Look::On || p_.autoTx.running() ||
                            p_.recorder.timedTransmission.busy();
  const std::string output = transmitting ? transmitOutput() : std::string();
  if (output == p_.mci.playbackOutput()) return;
  if (const Result<void> moved = p_.mci.setPlaybackOutput(output); !moved) {
    p_.notice("playback",
              p_.ownMessage(OwnText::OutputMoveFailed,
                            {output.empty() ? "default" : output, moved.error().message}));
  }
}


void Player::tmr_Focus_Timer() {
  PlaybackForm& f = p_.frm_Oszi;
  f.ed1.setFocus();
  const double value = f.slider.value();
  if (value * playLength / 1e6 <= value) {
    p_.frm_DoKu.tmr_Focus.setEnabled(false);
    if (p_.frm_DoKu.lbl_Start.borderStyle() == Look::Off) {
      cmdStop_MouseUp(MouseButton::Left, 0, 0, 0);
    }
  }
}

void Player::lblFreqNorm_MouseDown(int, int, int, int) {
  PlaybackForm& f = p_.frm_Oszi;
  speedFactor = f.sli_Speed.value() / 10.0;
  ApplySpeed();
  showPlayButtonOn();
  f.slider.setValue(resumePosition);
  StopPlayback();
  f.tmrplaywave.setEnabled(false);
  p_.frm_DoKu.tmr_Focus.setEnabled(true);
}

void Player::lblFreqNorm_MouseUp(int, int, int, int) {
  selectedFile = chosenFile;
  LoadSelectedWave();
  playPosition = resumePosition;
  speedFactor = p_.frm_Oszi.sli_Speed.value() / 10.0;
  ApplySpeed();
  // The speed copy already plays; a second open of the same alias would fail. Without
  // a copy (unreadable file) the chosen file plays as it is, but never an earlier copy
  // of a file that has gone since.
  if (!playing && currentWave == chosenFile) StartPlayback();
  p_.frm_Oszi.slider.setValue(resumePosition);
  p_.frm_DoKu.tmr_Focus.setEnabled(true);
}

void Player::playFrom(std::int64_t ms) {
  p_.mci.sendString("seek waveplayfile to " + positionArgument(ms));
  p_.mci.sendString("play waveplayfile from " + positionArgument(ms));
}

std::int64_t Player::sliderMs() const {
  return roundHalfEven(p_.frm_Oszi.slider.value() * static_cast<double>(playLength) / 1e6);
}

void Player::showPlayButtonOff() { p_.frm_Oszi.lblFreqNorm.showReleased(); }

void Player::showPlayButtonOn() { p_.frm_Oszi.lblFreqNorm.showPressed(kPlayOn); }

void Player::tellNoSoundOutput() {
  if (toldNoSoundOutput_) return;
  toldNoSoundOutput_ = true;
  // Told from a timer of its own, so that the message box waits on no playback
  // procedure: the position tick and Auto-TX keep their rhythm behind it.
  p_.frm_Oszi.tmrSoundNotice.setEnabled(true);
}

}  // namespace tv
