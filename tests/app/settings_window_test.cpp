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

struct InputDeviceLineTest : SettingsWindowTest {
  InputDeviceLineTest() {
    sound.devices = {{0, "Default", "default"}, {2, "USB Audio", "plughw:CARD=Device,DEV=0"}};
    t.sound = &sound;
  }
  Program& startWithDevice(const std::string& name) {
    std::vector<std::string> file = freshSettingsLines(t.folder());
    line(file, 35) = name;
    return startWith(file);
  }
  ScriptedSoundSystem sound{t.clock};
};

TEST_F(InputDeviceLineTest, ADeviceTheListDoesNotOfferIsKeptThroughEverySave) {
  Program& p = startWithDevice("pulse:receiver.monitor");
  EXPECT_EQ(p.inputDeviceName, "pulse:receiver.monitor");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "pulse:receiver.monitor");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "pulse:receiver.monitor");
}

TEST_F(InputDeviceLineTest, NoDeviceStaysNoneUntilTheUserPicksOneAndThenItsNameIsStored) {
  Program& p = startWithDevice("");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "");

  p.frm_Einstellungen.cb_Device.userSelected(1);
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "plughw:CARD=Device,DEV=0");
  EXPECT_EQ(p.inputDeviceName, "plughw:CARD=Device,DEV=0");
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "plughw:CARD=Device,DEV=0");
}

TEST_F(InputDeviceLineTest, PickingADeviceReplacesAStoredNameTheListDoesNotOffer) {
  Program& p = startWithDevice("pulse:receiver.monitor");
  p.frm_Einstellungen.cb_Device.userSelected(0);
  p.settingsWindow.pressSave();
  EXPECT_EQ(lines().at(34), "default");
}

}  // namespace
}  // namespace tv::test
