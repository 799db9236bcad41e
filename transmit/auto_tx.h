#pragma once

#include <string>

namespace tv {

class Program;

// Auto-TX, offered to the user as the parrot: one chosen sound file is keyed for its
// length, released for a pause, and sent again, until the user clicks again, the
// operator's send key is seen or the settings are applied.
//
// The look of lblCQ is the cycle's only state: raised idle, pressed and red while it
// sends (tmrCQ runs for the file's length) or pauses (tmrCQ_PAUSE runs). The end of
// playback, seen by the player's position tick, releases the transmitter between the
// two. The send-key watch tmrRSP runs beside the cycle and keeps running after it has
// stopped, so a playback started while the operator transmits is stopped as well.
//
// Everything runs on the GUI thread; the keying goes through the TX button and
// PttOn/PttOff only.
class AutoTx {
 public:
  explicit AutoTx(Program& program);
  AutoTx(const AutoTx&) = delete;
  AutoTx& operator=(const AutoTx&) = delete;

  // Full path of the file the cycle sends; set by the CQ file manager. Empty: none
  // chosen, and a click opens the pre-selection instead.
  std::string autoTxFile;

  // Button 1 starts or stops the cycle; any other button only opens the
  // pre-selection. Both stop a playback in progress first.
  void lblCQ_MouseDown(int button, int shift, int x, int y);
  void tmrCQ_Timer();
  void tmrCQ_PAUSE_Timer();

  void cmd_PAPA_Click();
  void cmdPap2_Click();
  void tmrRSP_Timer();
  // Reads the input lines once; the send key ends the cycle, playback and keying.
  void CheckSendKey();
  void StopAutoTx();

  // The pre-selection's choices belong to the CQ file manager.
  void lb_CQVorwahl_Click();

  // Apply settings has switched the cycle's timers and the watch off.
  void settingsApplied();

  // Sending or pausing.
  bool running() const;
  // The shortest pause that still lets the position tick see the end of the file, and
  // so release the TX button, before the next repetition keys it.
  int minimumPauseMs() const;

 private:
  void start();
  void stop();
  void openPreselection();
  void showIdle();
  void showSending();
  // On only while transmit control is ticked in the settings window.
  void switchWatch();
  // "Play", pressed and released; true when the file plays.
  bool pressPlay();
  // Keys through the TX button, which the end of playback has left released; a button
  // still pressed (an output that reports its end late) is left pressed, not toggled
  // off.
  void keyTransmitter();
  // The sending failed: the cycle ends as a click would end it, then the user is told.
  void giveUp(const std::string& message);

  Program& p_;
};

}  // namespace tv
