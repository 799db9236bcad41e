#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/keying/keyer.h"
#include "platform/result.h"
#include "platform/timer.h"
#include "transmit/device_keying.h"
#include "transmit/serial_watch.h"

namespace tv {

class Program;
class SerialPort;
struct SerialError;

// The serial port that keys the transmitter and reads the operator's send key, and the
// TX button of the playback window. PttOn and PttOff are the only way anything keys or
// releases the transmitter.
//
// Holds the port across procedures; everything runs on the GUI thread. While no port is
// open (transmit control off, no port chosen, a failed opening) keying and reading return
// at once without effect.
//
// A port another program holds is refused untouched, and tried again only when the user
// presses "Accept changes" or chooses another port, never on the program's own applies.
// An open port that fails (an adapter pulled out) is lost: the transmitter is released,
// what was sending ends, the TX button is unavailable, and the port is looked for until
// it returns (see SerialWatch).
//
// The settings choose the method: the serial port's DTR or RTS, a device run through
// DeviceKeying (rigctld, a CM108 GPIO), which keys only once the device has confirmed it,
// or none, which keys nothing and lets the radio's VOX key on the sound. Transmit control
// (line 20) switches every method on or off.
class Keying {
 public:
  explicit Keying(Program& program);
  ~Keying();
  Keying(const Keying&) = delete;
  Keying& operator=(const Keying&) = delete;

  // The last step of applying the settings. Opens the port only when it is not open or
  // its name has changed, because every opening raises both lines for a moment; an open
  // port is only cleared. With transmit control off an open port is closed.
  void OpenComPort();
  // The settings are being applied by the user's own "Accept changes" (not by a resize,
  // the start or the program's own save): a refused port is asked for again.
  void setUserAccepting(bool accepting) { userAccepting_ = accepting; }
  // `who` and `why` name the sender and the reason in the station log ("schedule",
  // "time-out").
  void PttOn(std::string_view who);
  void PttOff(std::string_view why);
  // The 8-digit line-state text; empty when no port is open or the read failed.
  std::string ReadLineStates();
  // Whether the operator holds the send key. False with no send-key line, no open port
  // or a failed read.
  bool sendKeyPressed();
  // The same, telling a failed read of an open port apart (the watch of the automatic
  // calls stops on it). No line or no port reads as released.
  Result<bool> readSendKey();

  void lbl_TX_Click();
  void cb_TX_KeyPress(int& keyAscii);
  void cb_TX_off_KeyPress(int& keyAscii);
  void tmr_Play_Timer();
  void tmr_TxTimeout_Timer();

  // Drops both lines and closes the port, for every way the program ends. Shows the TX
  // button released; shows no message.
  void releaseAll(std::string_view why);

  // Fills the port box with the serial devices present.
  void fillPortList();

  // When the sound of the transmission being keyed may start: the TX delay after the
  // keying was confirmed; at once when nothing is keyed (transmit control off, no port);
  // none while the device has not confirmed the keying yet.
  std::optional<std::int64_t> soundMayStartMs() const;
  // Whether the method can see the operator's send key at all (a GPIO cannot).
  bool sendKeyAvailable() const;

  bool portOpen() const;
  // The transmitter is keyed through PttOn and not released since.
  bool keyed() const { return keyed_; }
  // The open port failed and is being looked for.
  bool portLost() const { return lost_; }

 private:
  SerialPort* port() const;
  // Keys or releases the line of pttPin; false when there is none to drive.
  bool driveKeyLine(bool on);
  void startTimeOut();
  void stopTimeOut();
  void showReleased();
  void showPressed();
  // The open port failed a line command or a read: the adapter is most likely gone. The
  // port is closed, which drops both lines, what was sending ends, the user is told once,
  // and the port is looked for. A loss found by a line command `whileKeying` may be inside
  // the very call that starts a transmission: that transmission is ended a turn of the
  // loop later (tmrPortLost), once its start has run.
  void lostPort(const std::string& reason, bool whileKeying);
  void tmrPortLost_Timer();
  void endTransmissions();
  void foundPort(const std::string& name);
  void refusedOnReturn(const SerialError& error);
  // Another port was chosen, or transmit control switched off: the lost one is no
  // longer looked for.
  void forgetLostPort();
  void logOpenRemark();
  void noConnection(const std::string& reason);
  std::string openFailureReason(const SerialError& error) const;

  bool serialMethod() const;
  // The last step of applying the settings for a method other than the serial port.
  void openDevice();
  KeyerChoice keyerChoice() const;
  void deviceKeyed();
  void deviceFailed(const std::string& reason);
  void keyedNow(std::string_view who);
  // Greys the pin boxes that only the serial port uses.
  void showMethod();

  Program& p_;
  DeviceKeying device_;
  // What the running device was made for: applying unchanged settings keeps it.
  std::optional<KeyerChoice> deviceChoice_;
  // Asked of the device, not confirmed yet, for `pendingWho_`.
  bool keyPending_ = false;
  std::string pendingWho_;
  std::int64_t keyedAtMs_ = 0;
  // The program object is going: the device's release is waited for.
  bool ending_ = false;
  std::string openedName_;
  bool keyed_ = false;
  SerialWatch watch_;
  Timer tmrPortLost_;
  // The port name a loss happened on; the settings still name it while it is looked for.
  std::string lostName_;
  bool lost_ = false;
  // A port refused because another program held it.
  std::string refusedName_;
  bool userAccepting_ = false;
  std::string loggedRemark_;
};

}  // namespace tv
