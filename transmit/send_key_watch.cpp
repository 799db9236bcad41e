#include <string>

#include "app/program.h"
#include "transmit/auto_tx.h"

namespace tv {

void AutoTx::tmrRSP_Timer() {
  CheckSendKey();
}

void AutoTx::CheckSendKey() {
  const Result<bool> pressed = p_.keying.readSendKey();
  p_.frm_Einstellungen.setCaption(p_.sendKeyLine > 0 ? std::to_string(p_.sendKeyLine) : "");
  Label& status = p_.frm_DoKu.lblrsp;
  if (!pressed) {
    // A watch that cannot see the send key must not let the parrot talk over the
    // operator. Told once: the cycle is idle on the next tick.
    if (!running()) return;
    StopAutoTx();
    p_.report("keying", p_.ownMessage(OwnText::SendKeyReadFailed, {pressed.error().message}));
    return;
  }
  if (*pressed) {
    status.setCaption(p_.messageTexts.items[25]);
    // Repeated on every tick while the key is held, so that nothing started in the
    // meantime keeps playing or keys the transmitter.
    StopAutoTx();
    return;
  }
  // A method that cannot see the operator (a GPIO pin, a rig not reached) says so rather
  // than promise a watch it cannot keep.
  status.setCaption(p_.keying.sendKeyAvailable() ? p_.messageTexts.items[26]
                                                 : p_.ownMessage(OwnText::SendKeyNotAvailable));
}

void AutoTx::StopAutoTx() {
  MainForm& m = p_.frm_DoKu;
  m.lblrsp.setEnabled(false);
  m.lblCQ.setEnabled(true);
  // The operator is on the air: whatever the program sends ends, the announcement as
  // well as a repetition.
  p_.txArbiter.endCurrent("send key");
  p_.player.cmdStop_Click();
  p_.player.cmdStop_MouseDown(MouseButton::Left, 0, 0, 0);
  endCycle("send key");
  m.lb_Sounds.setEnabled(true);
}

}  // namespace tv
