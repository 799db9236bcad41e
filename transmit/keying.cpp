#include "transmit/keying.h"

#include <algorithm>

#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_values.h"
#include "platform/serial/line_state.h"
#include "platform/serial/port_name.h"
#include "platform/serial/serial_port.h"

namespace tv {
namespace {

constexpr int kEnter = 13;
constexpr Colour kTransmitting = rgb(128, 255, 0);
// Causes of notices told once until they are over.
constexpr std::string_view kPortLost = "serial port lost";
constexpr std::string_view kPortInUseOnReturn = "serial port in use on return";
// A release with its read-back takes two of a device's steps.
constexpr std::int64_t kDeviceStopMs = 1200;

bool noPortChosen(const std::string& comPortName) {
  return comPortName.empty() || comPortName == "COM0";
}

// The device a port name stands for, for the user's eyes; the text itself when it names
// none.
std::string deviceOf(const std::string& comPortName) {
  const std::string text = comPortName.rfind("COM", 0) == 0 ? comPortName.substr(3) : comPortName;
  return resolvePortName(text).value_or(text);
}

// The back end's account is a sentence of its own; inside the brackets of a message
// its full stop would stand doubled.
std::string withoutFullStop(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

Keying::Keying(Program& program)
    : p_(program),
      device_(program, {[this] { deviceKeyed(); },
                        [this](const std::string& reason) { deviceFailed(reason); }}),
      watch_(program.ui().timers(), program.platform.serial,
             {[this](const std::string& reason) { lostPort(reason, false); },
              [this](const std::string& name) { foundPort(name); },
              [this](const SerialError& error) { refusedOnReturn(error); }}),
      tmrPortLost_(program.ui().timers(), "tmrPortLost", 1, false) {
  tmrPortLost_.tick = [this] { tmrPortLost_Timer(); };
  p_.frm_Oszi.lbl_TX.click = [this] { lbl_TX_Click(); };
  p_.frm_Einstellungen.cb_TX.keyPress = [this](int& keyAscii) { cb_TX_KeyPress(keyAscii); };
  p_.frm_Einstellungen.cb_TX_off.keyPress = [this](int& keyAscii) { cb_TX_off_KeyPress(keyAscii); };
  p_.frm_DoKu.tmr_Play.tick = [this] { tmr_Play_Timer(); };
  p_.frm_DoKu.tmr_TxTimeout.tick = [this] { tmr_TxTimeout_Timer(); };
  // The button's look is its state: it must start out released, or the first click
  // would release instead of key.
  showReleased();
  fillPortList();
}

Keying::~Keying() {
  ending_ = true;
  releaseAll("end");
}

SerialPort* Keying::port() const {
  return p_.platform.serial;
}

bool Keying::portOpen() const {
  return port() != nullptr && port()->isOpen();
}

void Keying::fillPortList() {
  if (p_.platform.serialPorts == nullptr) return;
  // The box's text stays as stored, also when that port is not plugged in right now.
  p_.frm_Einstellungen.cb_Com.setItems(p_.platform.serialPorts->availablePorts());
}

void Keying::OpenComPort() {
  SerialPort* serial = port();
  showMethod();
  if (p_.txViaComFlag != 1) {
    // With transmit control off nothing may key or release any more, so a transmitter
    // keyed before must be released now, and the port is left to other programs.
    forgetLostPort();
    refusedName_.clear();
    if (portOpen() || device_.active() || keyed_) releaseAll("transmit control off");
    return;
  }
  if (p_.shuttingDown()) {
    // The last save of the shutdown routine applies the settings once more; a reopening
    // would key the transmitter for a moment on the way out.
    releaseAll("shutdown");
    return;
  }
  if (!serialMethod()) {
    openDevice();
    return;
  }
  if (device_.active()) releaseAll("keying method changed");

  stopTimeOut();
  keyed_ = false;
  showReleased();

  if (portOpen() && openedName_ == p_.comPortName) {
    // Every opening raises both lines until they are cleared; settings are applied on
    // every save and resize, so an unchanged port is only cleared.
    const Result<void> dtr = serial->setDtr(false);
    const Result<void> rts = serial->setRts(false);
    if (!dtr || !rts) lostPort((dtr ? rts : dtr).error().message, false);
    return;
  }
  if (lost_ && lostName_ == p_.comPortName) {
    // Still looked for. The user's Accept looks at once, even at a device that failed.
    if (userAccepting_) watch_.tryNow();
    return;
  }
  if (!userAccepting_ && !refusedName_.empty() && refusedName_ == p_.comPortName) {
    // The program's own applies leave a port another program held alone: each try would
    // be one more look at that program's port for nothing the user asked.
    p_.frm_Oszi.lbl_TX.setVisible(false);
    return;
  }

  releaseAll("port changed");
  forgetLostPort();
  refusedName_.clear();
  if (serial == nullptr || noPortChosen(p_.comPortName)) {
    noConnection("");
    return;
  }
  const SerialOpenResult opened = serial->open(p_.comPortName);
  if (!opened) {
    if (opened.error().kind == SerialErrorKind::Busy) refusedName_ = p_.comPortName;
    noConnection(openFailureReason(opened.error()));
    return;
  }
  const Result<void> dtr = serial->setDtr(false);
  const Result<void> rts = serial->setRts(false);
  if (!dtr || !rts) {
    serial->close();
    noConnection(p_.ownMessage(
        OwnText::SerialOpenFailed,
        {deviceOf(p_.comPortName), withoutFullStop((dtr ? rts : dtr).error().message)}));
    return;
  }
  openedName_ = p_.comPortName;
  logOpenRemark();
  watch_.watch(p_.comPortName);
}

void Keying::logOpenRemark() {
  // The port works without its lock file; one line in the log is enough for that.
  const std::string remark = port()->openRemark();
  if (remark.empty() || remark == loggedRemark_) return;
  loggedRemark_ = remark;
  p_.log.warning("keying", remark);
}

std::string Keying::openFailureReason(const SerialError& error) const {
  switch (error.kind) {
    case SerialErrorKind::NoPortChosen:
      return p_.ownMessage(OwnText::SerialOpenFailed,
                           {deviceOf(p_.comPortName), withoutFullStop(error.message)});
    case SerialErrorKind::NoRights:
      return p_.ownMessage(OwnText::SerialNoRights, {error.device});
    case SerialErrorKind::Busy:
      return p_.ownMessage(OwnText::SerialInUse,
                           {error.device, error.holder.empty() ? "another program" : error.holder});
    default:
      return p_.ownMessage(OwnText::SerialOpenFailed,
                           {error.device, withoutFullStop(error.message)});
  }
}

void Keying::noConnection(const std::string& reason) {
  std::string text = p_.messageTexts.items[21];
  if (!reason.empty()) text += "\r" + reason;
  p_.report("keying", text);
  p_.frm_Oszi.lbl_TX.setVisible(false);
}

bool Keying::driveKeyLine(bool on) {
  if (p_.txViaComFlag != 1 || !portOpen()) return false;
  Result<void> done = success();
  if (p_.pttPin == 4) {
    done = port()->setDtr(on);
  } else if (p_.pttPin == 7) {
    done = port()->setRts(on);
  } else {
    return false;
  }
  if (!done) {
    lostPort(done.error().message, true);
    return false;
  }
  return true;
}

void Keying::PttOn(std::string_view who) {
  if (!serialMethod()) {
    // One continuous transmission: the time-out keeps counting.
    if (p_.txViaComFlag != 1 || keyed_ || keyPending_) return;
    if (p_.keyingMethod == KeyingMethod::None) {
      keyedNow(std::string(who) + " (method none: the radio keys on the sound)");
      return;
    }
    if (!device_.active()) return;
    keyPending_ = true;
    pendingWho_ = std::string(who);
    device_.key();
    return;
  }
  if (!driveKeyLine(true)) return;
  if (keyed_) return;  // one continuous transmission: the time-out keeps counting
  keyedNow(who);
}

void Keying::keyedNow(std::string_view who) {
  keyed_ = true;
  keyedAtMs_ = p_.platform.clock.monotonicMs();
  p_.log.info("keying", "key: " + std::string(who));
  startTimeOut();
}

void Keying::PttOff(std::string_view why) {
  const bool wasKeyed = keyed_ || keyPending_;
  if (serialMethod()) {
    driveKeyLine(false);
  } else if (wasKeyed) {
    device_.release();
  }
  if (wasKeyed) p_.log.info("keying", "release: " + std::string(why));
  keyed_ = false;
  keyPending_ = false;
  stopTimeOut();
}

bool Keying::serialMethod() const {
  return p_.keyingMethod == KeyingMethod::Serial;
}

std::optional<std::int64_t> Keying::soundMayStartMs() const {
  if (keyPending_) return std::nullopt;
  if (!keyed_) return p_.platform.clock.monotonicMs();
  return keyedAtMs_ + p_.txDelayMs;
}

bool Keying::sendKeyAvailable() const {
  if (serialMethod()) return true;
  return device_.seesOperatorKey();
}

KeyerChoice Keying::keyerChoice() const {
  KeyerChoice choice;
  choice.method = std::string(keyingMethodName(p_.keyingMethod));
  choice.rigctldAddress = p_.rigctldAddress;
  choice.pttCommand = p_.rigPttCommand;
  const Cm108Line cm108 = cm108FromLine(p_.cm108Setting);
  choice.cm108Interface = cm108.interface;
  choice.cm108Gpio = p_.cm108Gpio;
  choice.soundDevices = {p_.inputDeviceName, p_.txOutputDevice};
  return choice;
}

void Keying::openDevice() {
  // A serial port held before is given back to other programs.
  if (portOpen() || lost_) {
    forgetLostPort();
    refusedName_.clear();
    releaseAll("keying method changed");
  }
  p_.frm_Oszi.lbl_TX.setEnabled(true);
  if (p_.keyingMethod == KeyingMethod::None) {
    if (device_.active()) releaseAll("keying method changed");
    return;
  }
  const KeyerChoice choice = keyerChoice();
  // Applied again unchanged (every save and resize applies): the connection stays.
  if (device_.active() && deviceChoice_ == choice) return;
  releaseAll("keying changed");
  std::unique_ptr<Keyer> keyer = p_.platform.makeKeyer ? p_.platform.makeKeyer(choice) : nullptr;
  if (!keyer) {
    noConnection(choice.method + ": not available in this program");
    return;
  }
  deviceChoice_ = choice;
  device_.start(std::move(keyer));
}

void Keying::deviceKeyed() {
  if (!keyPending_) return;
  keyPending_ = false;
  keyedNow(pendingWho_);
  if (p_.txArbiter.automatic()) showPressed();
}

void Keying::deviceFailed(const std::string& reason) {
  if (keyed_) p_.log.info("keying", "release: keying failed (" + reason + ")");
  keyed_ = false;
  keyPending_ = false;
  stopTimeOut();
  showReleased();
  p_.frm_Oszi.lbl_TX.setEnabled(!device_.out());
  // A rig that refused or read back wrong may still be keyed; one out of reach is
  // released when it is back.
  if (!device_.out()) device_.release();
  // Without the device they would go on unkeyed; a cycle in its pause ends as well.
  endTransmissions();
  p_.player.routePlayback();
}

void Keying::showMethod() {
  // The pin boxes say which line keys a serial port; other methods have no lines.
  SettingsForm& f = p_.frm_Einstellungen;
  const bool serial = serialMethod();
  f.cb_TX.setEnabled(serial);
  f.cb_TX_off.setEnabled(serial);
}

void Keying::lostPort(const std::string& reason, bool whileKeying) {
  const std::string name =
      watch_.returnName().empty() ? deviceOf(openedName_) : watch_.returnName();
  const std::string lostName = openedName_;
  releaseAll("port lost");
  lost_ = true;
  lostName_ = lostName;
  p_.frm_Oszi.lbl_TX.setEnabled(false);
  if (whileKeying) {
    tmrPortLost_.setEnabled(true);
  } else {
    endTransmissions();
  }
  const std::string text = p_.ownMessage(OwnText::SerialPortLost, {name, withoutFullStop(reason)});
  // Told once however often it fails; a box only when the user's own click found it.
  if (p_.notices.tellOnce(kPortLost, "keying", text) && !p_.actingAlone()) p_.messageBox(text);
  watch_.hunt();
}

void Keying::tmrPortLost_Timer() {
  tmrPortLost_.setEnabled(false);
  if (lost_) endTransmissions();
}

void Keying::endTransmissions() {
  // Without the port they would go on unkeyed, and key again once it is back.
  if (p_.autoTx.running()) p_.autoTx.endCycle("port lost");
  if (!p_.txArbiter.free()) p_.txArbiter.endCurrent("port lost");
}

void Keying::foundPort(const std::string& name) {
  openedName_ = lostName_;
  lost_ = false;
  lostName_.clear();
  keyed_ = false;
  showReleased();
  p_.frm_Oszi.lbl_TX.setEnabled(true);
  p_.notices.clear(kPortLost);
  p_.notices.clear(kPortInUseOnReturn);
  p_.notice("keying", p_.ownMessage(OwnText::SerialPortBack, {name}), LogLevel::Info);
  logOpenRemark();
}

void Keying::refusedOnReturn(const SerialError& error) {
  p_.notices.tellOnce(kPortInUseOnReturn, "keying", openFailureReason(error));
}

void Keying::forgetLostPort() {
  if (!lost_) return;
  lost_ = false;
  lostName_.clear();
  watch_.stop();
  p_.frm_Oszi.lbl_TX.setEnabled(true);
  p_.notices.clear(kPortLost);
  p_.notices.clear(kPortInUseOnReturn);
}

void Keying::releaseAll(std::string_view why) {
  stopTimeOut();
  watch_.stop();
  if (keyed_ || keyPending_) p_.log.info("keying", "release: " + std::string(why));
  keyed_ = false;
  keyPending_ = false;
  // Only the end of the program waits for the release, and at most by the device's
  // limits; a change of settings leaves it to the worker.
  if (device_.active()) device_.stop(p_.shuttingDown() || ending_ ? kDeviceStopMs : 0);
  deviceChoice_.reset();
  openedName_.clear();
  if (portOpen()) port()->close();
  showReleased();
}

void Keying::startTimeOut() {
  Timer& timer = p_.frm_DoKu.tmr_TxTimeout;
  if (p_.txTimeoutSeconds <= 0) return;
  timer.setInterval(p_.txTimeoutSeconds * 1000);
  timer.setEnabled(true);
}

void Keying::stopTimeOut() {
  p_.frm_DoKu.tmr_TxTimeout.setEnabled(false);
}

void Keying::tmr_TxTimeout_Timer() {
  stopTimeOut();
  if (!keyed_) return;
  // Auto-TX would key the same file again after the pause.
  if (p_.autoTx.running()) p_.autoTx.endCycle("time-out");
  p_.txArbiter.endCurrent("time-out");
  showReleased();
  p_.player.routePlayback();
  p_.notice("keying",
            p_.ownMessage(OwnText::TxTimeoutExpired, {std::to_string(p_.txTimeoutSeconds)}));
}

std::string Keying::ReadLineStates() {
  if (!portOpen()) return {};
  const Result<std::uint32_t> status = port()->modemStatus();
  if (!status) return {};
  return lineStateText(*status);
}

Result<bool> Keying::readSendKey() {
  if (!serialMethod()) {
    // The rig's PTT read back as on while the program has not keyed is the operator.
    if (p_.txViaComFlag != 1 || keyed_ || keyPending_) return false;
    return device_.operatorKey().value_or(false);
  }
  if (p_.sendKeyLine < 1 || p_.sendKeyLine > 4 || p_.txViaComFlag != 1 || !portOpen()) return false;
  const Result<std::uint32_t> status = port()->modemStatus();
  if (!status) {
    lostPort(status.error().message, false);
    return status.error();
  }
  const std::string lines = lineStateText(*status);
  return lines.substr(static_cast<size_t>(p_.sendKeyLine - 1), 1) == p_.pttInverted;
}

bool Keying::sendKeyPressed() {
  const Result<bool> pressed = readSendKey();
  return pressed.ok() && pressed.value();
}

void Keying::showReleased() { p_.frm_Oszi.lbl_TX.showReleased(); }

void Keying::showPressed() { p_.frm_Oszi.lbl_TX.showPressed(kTransmitting); }

void Keying::lbl_TX_Click() {
  // Unavailable while its port is lost; the space key of the playback window ends here too.
  if (!p_.frm_Oszi.lbl_TX.enabled()) return;
  if (p_.frm_Oszi.lbl_TX.borderStyle() == Look::Off) {
    if (p_.txArbiter.refusedToUser() || !p_.txArbiter.request(TxOwner::manual)) return;
    showPressed();
    p_.txArbiter.key(TxOwner::manual);
  } else {
    // Pressed by Auto-TX or the announcement as well: a release ends whichever it is.
    showReleased();
    p_.txArbiter.endCurrent("TX button");
  }
  // A sound playing now follows the button to the transmitter's output and back.
  p_.player.routePlayback();
}

void Keying::cb_TX_KeyPress(int& keyAscii) {
  if (p_.txViaComFlag != 1) return;
  if (keyAscii == '4' || keyAscii == '7' || keyAscii == kEnter) return;
  p_.frm_Einstellungen.cb_TX.setText("");
  keyAscii = '4';
  const auto& m = p_.messageTexts.items;
  p_.messageBox(" " + m[22] + "\r" + m[23] + "\r" + m[24]);
}

void Keying::cb_TX_off_KeyPress(int& keyAscii) {
  if (p_.txViaComFlag != 1) return;
  if (keyAscii == '1' || keyAscii == '6' || keyAscii == '8' || keyAscii == '9' ||
      keyAscii == kEnter)
    return;
  p_.frm_Einstellungen.cb_TX_off.setText("");
  // Nothing takes the rejected key's place: any one of four pins would be a guess.
  keyAscii = 0;
  const auto& m = p_.messageTexts.items;
  p_.messageBox(m[27] + " " + "\r" + m[28] + "\r" + m[29]);
}

void Keying::tmr_Play_Timer() {
  p_.frm_DoKu.tmr_Play.setEnabled(false);
}

}  // namespace tv
