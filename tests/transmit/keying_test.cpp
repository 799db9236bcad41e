#include "transmit/keying.h"

#include <gtest/gtest.h>

#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

TEST(Keying, KeysOnlyTheLineOfTheChosenPin) {
  for (auto [pins, dtr, rts] :
       {std::tuple{"71+689", false, true}, std::tuple{"41+689", true, false},
        std::tuple{"51+689", false, false}}) {
    SCOPED_TRACE(pins);
    TransmitStation s;
    Program& p = s.start(transmitVia("/dev/ttyUSB0", pins));
    p.keying.PttOn("test");
    EXPECT_EQ(s.port().dtr(), dtr);
    EXPECT_EQ(s.port().rts(), rts);
    p.keying.PttOff("test");
    EXPECT_FALSE(s.port().dtr() || s.port().rts());
    EXPECT_TRUE(s.t.services.messages().empty());
  }
}

TEST(Keying, NoConnectionAfterEveryApplyWithTheReason) {
  TransmitStation s;
  Program& p = s.start(transmitVia("0"));
  // At start-up no one may be there to answer a box; the user's own save is answered.
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_EQ(p.notices.latest()->text, "No connection.");
  EXPECT_TRUE(s.t.services.messages().empty());
  s.save();
  EXPECT_EQ(s.t.services.messages(), (std::vector<std::string>{"No connection."}));
  EXPECT_FALSE(s.txButton().visible());
  EXPECT_TRUE(s.port().openedNames().empty());
  p.keying.PttOn("test");
  EXPECT_EQ(p.keying.ReadLineStates(), "");

  s.port().failOpens(SerialErrorKind::NoRights);
  p.frm_Einstellungen.cb_Com.setText("/dev/ttyUSB0");
  s.save();
  const std::string shown = s.t.services.messages().back();
  EXPECT_EQ(shown.rfind("No connection.\rThe port /dev/ttyUSB0 exists", 0), 0u) << shown;
  EXPECT_NE(shown.find("dialout"), std::string::npos);
}

TEST(Keying, TransmitControlOffTouchesNoPortAndChecksNoKeys) {
  TransmitStation s;
  Program& p = s.start({{7, "/dev/ttyUSB0"}});
  p.keying.lbl_TX_Click();
  int key = 'x';
  p.keying.cb_TX_KeyPress(key);
  p.keying.cb_TX_off_KeyPress(key);
  EXPECT_EQ(key, 'x');
  EXPECT_TRUE(s.port().openedNames().empty());
  EXPECT_TRUE(s.port().lineChanges().empty());
  EXPECT_FALSE(s.txButton().visible());
  EXPECT_TRUE(s.t.services.messages().empty());
}

TEST(Keying, SendKeyFollowsLinePositionAndPolarity) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/ttyUSB0", "48-689"));
  s.port().setInputLines(modemDcdOn | modemCtsOn);
  EXPECT_EQ(p.keying.ReadLineStates(), "10010000");
  EXPECT_TRUE(p.keying.sendKeyPressed());  // CTS asserted, "-"
  p.pttInverted = "0";
  EXPECT_FALSE(p.keying.sendKeyPressed());
  p.sendKeyLine = 0;  // a pin line with no usable input pin
  s.port().setInputLines(0);
  EXPECT_FALSE(p.keying.sendKeyPressed());

  // A failed read never counts as the key, yet the watch can tell it from a release; the
  // port is lost with it, and reads as released from then on.
  p.sendKeyLine = 4;
  s.port().failReads("gone");
  EXPECT_FALSE(p.keying.readSendKey().ok());
  EXPECT_TRUE(p.keying.portLost());
  EXPECT_TRUE(p.keying.readSendKey().ok());
  EXPECT_FALSE(p.keying.sendKeyPressed());
}

TEST(Keying, PinFieldsRejectOtherKeysWithTheirMessages) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/ttyUSB0"));
  int key = '7';
  p.keying.cb_TX_KeyPress(key);
  EXPECT_EQ(key, '7');
  key = '5';
  p.keying.cb_TX_KeyPress(key);
  EXPECT_EQ(key, '4');
  EXPECT_EQ(p.frm_Einstellungen.cb_TX.text(), "");
  EXPECT_EQ(s.t.services.messages().back(),
            " Transceiver can be controlled only with\rpin 4 (DTR) or pin 7 (RTS)\r(Sub D9)");
  key = 13;
  p.keying.cb_TX_off_KeyPress(key);
  EXPECT_EQ(key, 13);
  key = '2';
  p.keying.cb_TX_off_KeyPress(key);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(p.frm_Einstellungen.cb_TX_off.text(), "");
  EXPECT_EQ(
      s.t.services.messages().back(),
      "The following pins can be used: \rpin 1 (DCD), pin 6 (DSR), pin 8 (CTS), pin 9 (RI).\r");
  EXPECT_EQ(s.t.services.messages().size(), 2u);
}

TEST(Keying, ApplyReopensOnlyAChangedPortAndAlwaysReleases) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/ttyUSB0"));
  p.keying.lbl_TX_Click();
  s.save();
  EXPECT_EQ(s.port().openCount(), 1);
  EXPECT_FALSE(s.port().rts());
  EXPECT_EQ(s.txButton().borderStyle(), Look::Off);

  p.frm_Einstellungen.cb_Com.setText("/dev/ttyUSB1");
  s.save();
  EXPECT_EQ(s.port().openCount(), 2);
  EXPECT_EQ(s.port().device(), "/dev/ttyUSB1");

  // Keyed, then transmit control switched off: nothing could release it later.
  p.keying.lbl_TX_Click();
  p.frm_Einstellungen.chk_TX.setValue(0);
  s.save();
  EXPECT_FALSE(s.port().rts());
  EXPECT_FALSE(s.port().isOpen());
}

TEST(Keying, ALineThatFailsClosesThePortAndSaysSoOnce) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/ttyUSB0"));
  p.keying.lbl_TX_Click();
  s.port().failLineChanges("Input/output error");
  p.keying.lbl_TX_Click();
  EXPECT_FALSE(s.port().isOpen());
  EXPECT_FALSE(s.port().rts());
  p.keying.PttOn("test");
  p.keying.PttOff("test");
  EXPECT_EQ(s.t.services.messages().size(), 1u);
}

TEST(Keying, TimeOutReleasesALongTransmission) {
  TransmitStation s;
  Program& p = s.start(transmitVia("/dev/ttyUSB0"), 33);  // a file from before the time-out
  EXPECT_TRUE(s.t.services.messages().empty());
  EXPECT_EQ(p.frm_Einstellungen.ed_TxTimeout.text(), "300");
  p.keying.lbl_TX_Click();
  s.t.loop.runFor(200'000);
  p.keying.PttOn("test");  // keyed again while keyed: still the same transmission
  s.t.loop.runFor(99'999);
  EXPECT_TRUE(s.port().rts());
  s.t.loop.runFor(1);
  EXPECT_FALSE(s.port().rts());
  EXPECT_EQ(s.txButton().borderStyle(), Look::Off);
  // Nobody may be at the desk: a notice, not a box waiting for OK.
  const std::string told =
      "The transmitter was keyed for longer than 300 seconds and has been released.";
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_EQ(p.notices.latest()->text, told);
  EXPECT_TRUE(s.t.services.messages().empty());

  p.frm_Einstellungen.ed_TxTimeout.setText("0");
  s.save();
  p.keying.PttOn("test");
  s.t.loop.runFor(3'600'000);
  EXPECT_TRUE(s.port().rts());
  EXPECT_EQ(txTimeoutFromLine("abc"), 300);
  EXPECT_EQ(txTimeoutFromLine("-5"), 300);
}

TEST(Keying, APortInUseIsTriedAgainOnlyWhenTheUserAcceptsOrChoosesAnother) {
  TransmitStation s;
  s.port().failOpens(SerialErrorKind::Busy, "minicom (PID 4711)");
  Program& p = s.start(transmitVia("/dev/ttyUSB0"));
  EXPECT_TRUE(s.t.noticed("The port /dev/ttyUSB0 is in use by minicom (PID 4711)"));
  EXPECT_TRUE(s.t.services.messages().empty());
  EXPECT_FALSE(s.txButton().visible());

  // The program's own applies: a resize, a double click on the status bar, its own save.
  p.mainWindow.frm_DoKu_ReSize();
  p.mainWindow.sb_DblClick();
  s.save();
  EXPECT_EQ(s.port().openedNames().size(), 1u);
  EXPECT_FALSE(s.txButton().visible());
  EXPECT_TRUE(s.t.services.messages().empty());

  // The user's Accept asks again, and answers the click with the holder's name.
  s.accept();
  EXPECT_EQ(s.port().openedNames().size(), 2u);
  ASSERT_EQ(s.t.services.messages().size(), 1u);
  EXPECT_NE(s.t.services.messages()[0].find("minicom (PID 4711)"), std::string::npos);
  s.save();
  EXPECT_EQ(s.port().openedNames().size(), 2u);

  // Another port chosen is tried by whatever applies it.
  p.frm_Einstellungen.cb_Com.setText("/dev/ttyUSB1");
  s.save();
  EXPECT_EQ(s.port().openedNames().back(), "COM/dev/ttyUSB1");

  // Freed, and asked for on the second page: opened and watched.
  s.port().failOpens(std::nullopt);
  s.save();
  ASSERT_FALSE(s.port().isOpen());
  MoreSettingsForm& more = p.frm_Mehr;
  more.cmd_Speichern.mouseDown(MouseButton::Left, 0, 0, 0);
  more.cmd_Speichern.mouseUp(MouseButton::Left, 0, 0, 0);
  EXPECT_TRUE(s.port().isOpen());
  EXPECT_TRUE(s.txButton().visible());
}

}  // namespace
}  // namespace tv::test
