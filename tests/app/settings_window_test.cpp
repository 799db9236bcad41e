#include "app/settings_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "tests/app/settings_lines.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

struct SettingsWindowTest : testing::Test {
  std::string ini() const { return t.file("Tonvogel.ini"); }
  std::vector<std::string> lines() const { return readLines(ini()); }

  Program& startWith(std::vector<std::string> file) {
    writeSettings(ini(), file);
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  Program& start() { return startWith(freshSettingsLines(t.folder())); }
  // The second page's own button, pressed as a person would.
  void acceptOnSecondPage() {
    Button& accept = t.p().frm_Mehr.cmd_Speichern;
    accept.mouseDown(MouseButton::Left, 0, 0, 0);
    accept.mouseUp(MouseButton::Left, 0, 0, 0);
  }

  TestProgram t;
};

TEST_F(SettingsWindowTest, MoreButtonOpensTheSecondPageOverTheFirstAndCloseHidesIt) {
  Program& p = start();
  SettingsForm& first = p.frm_Einstellungen;
  MoreSettingsForm& more = p.frm_Mehr;
  EXPECT_TRUE(more.loaded());
  EXPECT_FALSE(more.visible());
  first.show();
  first.cmd_Mehr.click();
  EXPECT_TRUE(more.visible());
  EXPECT_EQ(more.left(), first.left() + 450);
  EXPECT_EQ(more.top(), first.top() + 450);

  more.cmd_Zurück.click();
  EXPECT_FALSE(more.visible());
  EXPECT_TRUE(first.visible());

  // The first page's Close takes its second page with it.
  first.cmd_Mehr.click();
  first.cmd_Zurück.click();
  EXPECT_FALSE(more.visible());
  EXPECT_FALSE(first.visible());
}

TEST_F(SettingsWindowTest, TrayHidingTheSettingsOrAllWindowsTakesTheSecondPageWithIt) {
  Program& p = start();
  p.trayMenu.act(5);  // settings shown
  p.frm_Einstellungen.cmd_Mehr.click();
  p.trayMenu.act(5);  // and hidden again
  EXPECT_FALSE(p.frm_Mehr.visible());

  p.frm_Einstellungen.show();
  p.frm_Einstellungen.cmd_Mehr.click();
  p.frm_DoKu.tic1.mouseUp(MouseButton::Left, 0, 0, 0);  // hide all
  EXPECT_FALSE(p.frm_Mehr.visible());
  EXPECT_FALSE(p.frm_DoKu.visible());
}

TEST_F(SettingsWindowTest, SecondPageAcceptSavesBothPagesAndApplyPutsTheFileBack) {
  Program& p = start();
  MoreSettingsForm& more = p.frm_Mehr;
  p.frm_Einstellungen.ed_FunkName.userEdited("DB0ABC");
  more.cb_TxOutput.userEdited("plughw:CARD=Device,DEV=0");
  more.cb_Keying.userSelected(1);  // rigctld
  more.ed_TxDelay.userEdited("250");
  more.cb_PttCommand.userSelected(1);  // T3
  more.ed_Rigctld.userEdited("shack-pi");
  more.ed_Cm108.userEdited(" /dev/hidraw2 4 ");
  more.ed_BusyWait.userEdited("0");
  more.cb_ArchiveFormat.userSelected(2);  // opus
  more.ed_AfterRecording.userEdited("notify-send recorded");
  more.ed_ArchiveCap.userEdited("99999999999999999999");

  acceptOnSecondPage();

  const std::vector<std::string> saved = lines();
  ASSERT_EQ(saved.size(), 43u);
  EXPECT_EQ(saved[2], "DB0ABC");
  const std::vector<std::string> later(saved.begin() + 35, saved.end());
  EXPECT_EQ(later, (std::vector<std::string>{"plughw:CARD=Device,DEV=0", "rigctld 250 T3",
                                             "shack-pi:4532", "/dev/hidraw2 4", "0", "opus",
                                             "notify-send recorded", "8796093022207"}));
  EXPECT_EQ(p.networkName, "DB0ABC");
  EXPECT_EQ(laterLineValues(p),
            (std::vector<std::string>{"", "plughw:CARD=Device,DEV=0", "rigctld", "250", "3",
                                      "shack-pi:4532", "/dev/hidraw2 4", "4", "0", "opus",
                                      "notify-send recorded", "8796093022207"}));
  // The fields show what was applied.
  EXPECT_EQ(more.ed_Rigctld.text(), "shack-pi:4532");
  EXPECT_EQ(more.ed_ArchiveCap.text(), "8796093022207");

  // Typed but not saved: the next apply from the file puts the stored values back.
  more.ed_BusyWait.userEdited("30");
  more.cb_ArchiveFormat.userSelected(3);
  more.ed_AfterRecording.userEdited("");
  p.applySettings();
  EXPECT_EQ(more.ed_BusyWait.text(), "0");
  EXPECT_EQ(more.cb_ArchiveFormat.text(), "opus");
  EXPECT_EQ(more.ed_AfterRecording.text(), "notify-send recorded");
  EXPECT_EQ(p.busyWaitSeconds, 0);
}

TEST_F(SettingsWindowTest, SecondPageSpeaksTheLanguageInForceWithATipForEveryField) {
  Program& p = start();
  MoreSettingsForm& more = p.frm_Mehr;
  EXPECT_EQ(more.caption(), "Weitere Einstellungen");
  EXPECT_EQ(p.frm_Einstellungen.cmd_Mehr.caption(), "Weitere…");
  EXPECT_EQ(more.lbl_BusyWaitUnit.caption(), "Sek.");

  p.frm_Einstellungen.cb_Lang.userSelected(1);  // GB, at once
  EXPECT_EQ(more.caption(), "More settings");
  EXPECT_EQ(p.frm_Einstellungen.cmd_Mehr.caption(), "More…");
  EXPECT_EQ(more.lbl_ArchiveCap.caption(), "Archive cap");
  EXPECT_NE(more.ed_ArchiveCap.toolTip().find("0 = no cap"), std::string::npos);
  EXPECT_EQ(more.cmd_Speichern.caption(), "Accept changes");
  for (Control* c : more.controls()) {
    if (c->kind() == ControlKind::Label) {
      EXPECT_FALSE(c->caption().empty()) << c->name();
    } else {
      EXPECT_FALSE(c->toolTip().empty()) << c->name();
    }
  }
}

struct DeviceLinesTest : SettingsWindowTest {
  DeviceLinesTest() {
    sound.devices = {{"default", "", SoundDevice::Kind::desktopDefault},
                     {"plughw:CARD=Device,DEV=0", "USB Audio Device"}};
    sound.outputs = {{"default", "", SoundDevice::Kind::firstCardDefault},
                     {"pulse:transmitter", "Transmitter"},
                     {"by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0", "USB Audio Device"}};
    t.sound = &sound;
  }
  Program& startWithDevices(const std::string& input, const std::string& output = "default") {
    std::vector<std::string> file = freshSettingsLines(t.folder());
    line(file, 35) = input;
    line(file, 36) = output;
    return startWith(file);
  }
  ScriptedSoundSystem sound{t.clock};
};

TEST_F(DeviceLinesTest, TheBoxesOfferWhatAPersonRecognisesAndTheDefaultsInTheLanguage) {
  Program& p = startWithDevices("");
  ComboBox& inputs = p.frm_Einstellungen.cb_Device;
  ComboBox& outputs = p.frm_Mehr.cb_TxOutput;
  EXPECT_EQ(inputs.items(),
            (std::vector<std::string>{"Standard (Desktop-Sound)",
                                      "USB Audio Device \u2013 plughw:CARD=Device,DEV=0"}));
  EXPECT_EQ(outputs.items(),
            (std::vector<std::string>{
                "Standard (erste Karte)", "Transmitter \u2013 pulse:transmitter",
                "USB Audio Device \u2013 by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0"}));
  EXPECT_EQ(inputs.text(), "Standard (Desktop-Sound)");
  EXPECT_EQ(outputs.text(), "Standard (erste Karte)");

  p.frm_Einstellungen.cb_Lang.userSelected(1);  // English
  EXPECT_EQ(inputs.item(0), "Default (desktop sound)");
  EXPECT_EQ(inputs.text(), "Default (desktop sound)");
  EXPECT_EQ(outputs.text(), "Default (first card)");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "") << "a new language is no choice of a device";
  EXPECT_EQ(lines().at(35), "default");
}

TEST_F(DeviceLinesTest, APickedDeviceIsStoredByNameAndChosenAgainAtTheNextStart) {
  {
    Program& p = startWithDevices("");
    p.frm_Einstellungen.cb_Device.userSelected(1);
    p.frm_Mehr.cb_TxOutput.userSelected(2);
    p.settingsWindow.pressSave();
    EXPECT_EQ(lines().at(34), "plughw:CARD=Device,DEV=0");
    EXPECT_EQ(lines().at(35), "by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0");
    EXPECT_EQ(p.inputDeviceName, "plughw:CARD=Device,DEV=0");
    EXPECT_EQ(p.txOutputDevice, "by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0");
    p.shutdownRoutine();
  }
  t.program.reset();
  t.build();
  ASSERT_TRUE(t.p().startUp());
  EXPECT_EQ(t.p().frm_Einstellungen.cb_Device.listIndex(), 1);
  EXPECT_EQ(t.p().frm_Mehr.cb_TxOutput.listIndex(), 2);
  t.p().frm_Einstellungen.cb_Device.userSelected(0);
  t.p().settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "default");
  EXPECT_EQ(lines().at(35), "by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0");
}

TEST_F(DeviceLinesTest, ANameTheBoxDoesNotOfferStandsInItAndIsKeptThroughEverySave) {
  Program& p = startWithDevices("pulse:receiver.monitor", "plughw:CARD=Transmitter,DEV=0");
  EXPECT_EQ(p.frm_Einstellungen.cb_Device.listIndex(), -1);
  EXPECT_EQ(p.frm_Einstellungen.cb_Device.text(), "pulse:receiver.monitor");
  EXPECT_EQ(p.frm_Mehr.cb_TxOutput.text(), "plughw:CARD=Transmitter,DEV=0");
  for (int save = 0; save < 2; ++save) {
    p.settingsWindow.pressSave();
    EXPECT_EQ(lines().at(34), "pulse:receiver.monitor");
    EXPECT_EQ(lines().at(35), "plughw:CARD=Transmitter,DEV=0");
  }
  // What the user types is a name as it stands.
  p.frm_Mehr.cb_TxOutput.userEdited(" pulse:other ");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(35), "pulse:other");
  EXPECT_EQ(p.txOutputDevice, "pulse:other");
}

}  // namespace
}  // namespace tv::test
