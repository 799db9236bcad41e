#pragma once

#include <string>
#include <string_view>

#include "platform/timer.h"
#include "transmit/channel_watch.h"
#include "transmit/tx_sound.h"

namespace tv {

class Program;

// Auto-TX, offered to the user as the parrot: one chosen sound file is keyed for its
// length, released for a pause, and sent again, until the user clicks again, the
// operator's send key is seen or the settings are applied.
//
// The look of lblCQ shows the cycle: raised idle, pressed and red while it sends (tmrCQ
// runs for the file's length) or pauses (tmrCQ_PAUSE runs). Each repetition plays
// autoTxFile on the transmit output at its own rate (TxSound), whatever the playback
// window's speed slider or file; the window only shows the file and its position. The
// transmitter is asked of the arbiter, keyed while the sound plays and released with the
// end of the sound, or within a second of an output that fails or stands still; the pause
// starts once both the sound and tmrCQ have ended. The send-key watch tmrRSP runs beside
// the cycle and keeps running after it has stopped, so a playback started while the
// operator transmits is stopped as well.
//
// Everything runs on the GUI thread; keying goes through the arbiter only.
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
  // A repetition's sound is playing.
  bool sending() const { return sound_.isOpen(); }
  // A file loaded into the playback window by hand (load button, sound list) while the
  // cycle runs: the cycle ends first, and the user is told.
  void fileLoadedByHand();
  // Ends a running cycle without a word (the CQ window starts it anew with its file).
  void endCycle(std::string_view why);
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
  // The next repetition: waits while another sender holds the transmitter, and ends the
  // cycle when the file cannot be sent.
  void beginRepetition();
  // The channel is clear: keyed and played.
  void sendRepetition();
  // No clear channel within the wait: this repetition is skipped, the pause follows.
  void skipRepetition();
  void tmrCQ_Sound_Timer();
  // The repetition's sound is over (or was ended): released, and the pause begins once
  // tmrCQ has ticked too.
  void endRepetition(std::string_view why);
  // Stops the sound without releasing: the arbiter does that.
  void silence();
  void enterPause();
  // The transmitter has come free: a pause or a repetition that waited for it goes on.
  void transmitterFree();
  void showPosition();
  // The sending failed: the cycle ends as a click would end it, then the user is told.
  void giveUp(const std::string& message);

  Program& p_;
  TxSound sound_;
  ChannelWatch channel_;
  // Follows the repetition's sound.
  Timer soundTimer_;
  // The pause waits for another sender that took the transmitter at the repetition's end.
  bool pauseHeld_ = false;
  // The pause has ended while another sender held the transmitter.
  bool repetitionWaiting_ = false;
};

}  // namespace tv
