#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

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

  bool portOpen() const;
  // The transmitter is keyed through PttOn and not released since.
  bool keyed() const { return keyed_; }

 private:
  SerialPort* port() const;
  // Keys or releases the line of pttPin; false when there is none to drive.
  bool driveKeyLine(bool on);
  void startTimeOut();
  void stopTimeOut();
  void showReleased();
  void showPressed();
  // A line command on an open port failed: the adapter is most likely gone. The port
  // is closed, which drops both lines, and the user told once.
  void lineFailed(const std::string& reason);
  void noConnection(const std::string& reason);
  std::string openFailureReason(const SerialError& error) const;

  Program& p_;
  std::string openedName_;
  bool keyed_ = false;
};

}  // namespace tv
