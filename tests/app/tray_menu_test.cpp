#include "app/tray_menu.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/posix/posix_shell.h"
#include "tests/app/settings_lines.h"
#include "tests/support/scoped_path.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

// A program started from a fresh settings file in English ("Show settings" on), with
// transmit control through the stand-in port (PTT on pin 7).
struct TrayMenuTest : testing::Test {
  Program& start(bool tray = true, const std::string& language = "2") {
    std::vector<std::string> file = freshSettingsLines(t.folder());
    line(file, 5) = language;
    line(file, 7) = "/dev/ttyUSB0";
    line(file, 20) = "1";
    writeSettings(t.file("Tonvogel.ini"), file);
    t.services.trayAvailable_ = tray;
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  void click() { t.p().frm_DoKu.tic1.mouseUp(MouseButton::Left, 0, 0, 0); }
  void choose(int position) {
    t.services.menuAnswers.push_back(position);
    t.p().frm_DoKu.tic1.mouseUp(MouseButton::Right, 0, 15 * 600, 15 * 700);
  }
  std::string lastMenu() const { return t.services.shown.back().text; }

  TestProgram t;
};

TEST_F(TrayMenuTest, RightButtonShowsTheSevenPositionsOfEntries160To166) {
  start();
  choose(-1);
  EXPECT_EQ(lastMenu(),
            "TONVOGEL            Help file (PDF) |-| Window visible/hidden | File selection | "
            "Playback window | Settings |-| Exit Tonvogel");
  EXPECT_TRUE(t.p().frm_DoKu.visible()) << "a dismissed menu does nothing";
}

TEST_F(TrayMenuTest, PlainClicksHideAllAndShowAgainWhatWasShown) {
  Program& p = start();
  choose(4);  // the playback window, shown through the menu
  ASSERT_TRUE(p.frm_Oszi.visible());
  ASSERT_EQ(p.frm_Einstellungen.chk_Sichtbar2.value(), 1);

  click();
  EXPECT_FALSE(p.windowsShown);
  EXPECT_FALSE(p.frm_DoKu.visible() || p.frm_Einstellungen.visible() || p.frm_Oszi.visible());
  t.p().frm_DoKu.tic1.mouseUp(MouseButton::Middle, 0, 0, 0);  // any button but the right
  EXPECT_TRUE(p.frm_DoKu.visible() && p.frm_Einstellungen.visible() && p.frm_Oszi.visible());

  choose(4);  // hidden through the menu: it stays hidden
  p.frm_Einstellungen.chk_Sichtbar2.setValue(0);
  choose(2);
  choose(2);
  EXPECT_TRUE(p.frm_DoKu.visible());
  EXPECT_FALSE(p.frm_Oszi.visible());
  EXPECT_FALSE(p.frm_Einstellungen.visible());
}

TEST_F(TrayMenuTest, FileSelectionCollapsesAndRestoresNeverBelowTheMinimum) {
  Program& p = start();
  p.mainWindowHeight = 5000;
  choose(3);
  EXPECT_EQ(p.frm_DoKu.height(), 2160);
  choose(3);
  EXPECT_EQ(p.frm_DoKu.height(), 5000);

  p.mainWindowHeight = 15;  // as a fresh settings file stores it
  choose(3);
  choose(3);
  EXPECT_EQ(p.frm_DoKu.height(), 4000);
}

TEST_F(TrayMenuTest, SettingsItemTogglesTheWindowAndSeparatorsDoNothing) {
  Program& p = start();
  p.frm_Einstellungen.hide();
  choose(5);
  EXPECT_TRUE(p.frm_Einstellungen.visible());
  EXPECT_TRUE(p.settingsShown);
  choose(1);
  choose(6);
  EXPECT_TRUE(p.frm_Einstellungen.visible());
  choose(5);
  EXPECT_FALSE(p.frm_Einstellungen.visible());
  EXPECT_FALSE(p.settingsShown);
  EXPECT_FALSE(p.ended());
}

TEST_F(TrayMenuTest, HelpItemOpensTheHelpFileOfTheLanguageOrSaysItIsMissing) {
  Program& p = start();
  choose(0);
  EXPECT_TRUE(t.shell.openedDocuments.empty());
  EXPECT_EQ(t.services.messages().back(), "Help file is missing!");

  writeFile(t.file("Hlp/GB.pdf"), "%PDF");
  writeFile(t.file("Tonvogel.pdf"), "%PDF");
  choose(0);
  t.services.menuAnswers.push_back(0);
  p.mainWindow.lbl_Menue_MouseDown(MouseButton::Left, 0, 0, 0);  // the main menu's "Info"
  EXPECT_EQ(t.shell.openedDocuments,
            (std::vector<std::string>{t.file("Hlp/GB.pdf"), t.file("Hlp/GB.pdf")}));

  p.frm_Einstellungen.cb_Lang.userSelected(0);  // German
  p.settingsWindow.pressSave();
  choose(0);
  EXPECT_EQ(t.shell.openedDocuments.back(), t.file("Tonvogel.pdf"));
}

TEST_F(TrayMenuTest, TheHelpViewerIsLeftRunningAndOneThatCannotStartIsANotice) {
  Program& p = start();
  writeFile(t.file("Hlp/GB.pdf"), "%PDF");
  // A desktop whose xdg-open keeps the viewer in the foreground for an hour.
  TempFolder tools;
  writeProgram(tools.path() + "/xdg-open",
               "#!/bin/sh\necho \"$$\" > '" + tools.path() + "/viewer'\nexec sleep 3600\n");
  ScopedPath path(tools.path() + ":/usr/bin:/bin");
  PosixShell desktop;
  t.shell.opener = [&](const std::string& file) { return desktop.openDocument(file); };

  p.keying.lbl_TX_Click();
  choose(0);  // returns with the viewer still open
  t.loop.runFor(p.txTimeoutSeconds * 1000);
  EXPECT_FALSE(t.serial.rts()) << "the time-out ran while the help file was open";
  for (int i = 0; i < 100 && readFile(tools.path() + "/viewer").empty(); ++i) usleep(50'000);
  const std::string viewer = readFile(tools.path() + "/viewer");
  ASSERT_FALSE(viewer.empty()) << "the viewer was never started";
  kill(std::stoi(viewer), SIGKILL);

  t.shell.opener = [](const std::string&) -> Result<void> {
    return failure("xdg-open was not found");
  };
  t.services.shown.clear();
  choose(0);
  EXPECT_TRUE(t.noticed("The help file " + t.file("Hlp/GB.pdf") + " could not be opened"));
  EXPECT_TRUE(t.services.messages().empty());
}

TEST_F(TrayMenuTest, ExitEndsAtOnceWithoutSavingButReleasesTheTransmitter) {
  Program& p = start();
  const std::string before = readFile(t.file("Tonvogel.ini"));
  p.keying.PttOn("test");
  ASSERT_TRUE(t.serial.rts());
  p.frm_Einstellungen.ed_FunkName.userEdited("DL0NEW");

  choose(7);
  EXPECT_TRUE(p.ended());
  EXPECT_TRUE(t.loop.quitRequested());
  EXPECT_FALSE(t.serial.rts()) << "the transmitter is never left keyed";
  EXPECT_FALSE(p.keying.keyed());
  EXPECT_EQ(readFile(t.file("Tonvogel.ini")), before) << "the settings are not saved";
}

TEST_F(TrayMenuTest, WithoutANotificationAreaTheMainMenuCarriesTheTrayActions) {
  Program& p = start(false);
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_EQ(p.notices.latest()->text, std::string(ownText(OwnText::NoTrayArea, Language::English)));
  t.services.menuAnswers.push_back(9);
  p.frm_Einstellungen.hide();
  p.mainWindow.lbl_Menue_MouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(lastMenu(),
            "Info|-|Settings|Playback window|-|Exit program|-|File selection|Playback window|"
            "Settings");
  EXPECT_TRUE(p.frm_Einstellungen.visible());

  // The one exit is the main menu's own, which saves.
  p.frm_Einstellungen.ed_FunkName.userEdited("DL0ONE");
  t.services.menuAnswers.push_back(5);
  p.mainWindow.lbl_Menue_MouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_TRUE(p.ended());
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(2), "DL0ONE");
}

TEST_F(TrayMenuTest, WithANotificationAreaTheMainMenuKeepsItsSixPositions) {
  Program& p = start();
  EXPECT_EQ(p.frm_Info.lbl_info.caption().find("notification"), std::string::npos);
  t.services.menuAnswers.push_back(9);
  p.mainWindow.lbl_Menue_MouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(lastMenu(), "Info|-|Settings|Playback window|-|Exit program");
  EXPECT_FALSE(p.ended());
}

}  // namespace
}  // namespace tv::test
