#include "app/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

struct ProgramTest : testing::Test {
  ProgramTest() {
    t.build();
    started = t.p().startUp();
  }
  Program& p() { return t.p(); }

  TestProgram t;
  bool started = false;
};

TEST_F(ProgramTest, StartUpShowsMainAndSettingsWindowsAtNoLessThanTheMinimumHeight) {
  ASSERT_TRUE(started);
  EXPECT_TRUE(p().frm_DoKu.visible());
  EXPECT_TRUE(p().frm_Einstellungen.visible());
  EXPECT_EQ(p().mainWindowHeight, 15);  // as a fresh file stores it
  EXPECT_GE(p().frm_DoKu.height(), 4000);
  EXPECT_FALSE(p().ended());
}

TEST_F(ProgramTest, ResizeKeepsTheMinimumHeightTheWidthAndTheLeftEdgeAndSaves) {
  MainForm& f = p().frm_DoKu;
  f.userMoved(600, 300);  // dragging the left border moves the left edge too
  f.userResized(7000, 3000);
  t.loop.runFor(500);  // the size is handled once the drag has ended
  EXPECT_EQ(f.height(), 4000);
  EXPECT_EQ(f.width(), 5325);
  EXPECT_EQ(f.left(), 15);
  EXPECT_TRUE(f.visible());
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(26), "      15      4000");
}

TEST_F(ProgramTest, ShutdownSavesTheFieldsDeletesTheTotalsAndEndsWithCodeZero) {
  p().frm_Einstellungen.ed_FunkName.userEdited("DL0NEW");
  const std::string totals = t.file("w/t_Gesamt.txt");
  writeFile(totals, "1\r\n");
  p().shutdownRoutine();
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(2), "DL0NEW");
  EXPECT_FALSE(fs::exists(totals));
  EXPECT_TRUE(p().ended());
  EXPECT_TRUE(t.loop.quitRequested());
  EXPECT_EQ(t.loop.exitCode(), 0);
}

TEST_F(ProgramTest, ShutdownFindsTheTotalsFileInAnyCase) {
  const std::string totals = t.file("W/T_GESAMT.TXT");
  writeFile(totals, "1\r\n");
  p().shutdownRoutine();
  EXPECT_FALSE(fs::exists(totals));
}

TEST_F(ProgramTest, ClosingTheMainWindowRunsTheShutdown) {
  p().frm_DoKu.userClose();
  EXPECT_TRUE(t.loop.quitRequested());
  EXPECT_EQ(t.loop.exitCode(), 0);
}

TEST_F(ProgramTest, SettingsWindowRefusesItsCloseBox) {
  p().frm_Einstellungen.userClose();
  EXPECT_TRUE(p().frm_Einstellungen.visible());
  p().frm_Einstellungen.cmd_Zurück.click();
  EXPECT_FALSE(p().frm_Einstellungen.visible());
}

TEST_F(ProgramTest, ChoosingALanguageAppliesItAtOnceButSavesNothing) {
  ComboBox& lang = p().frm_Einstellungen.cb_Lang;
  EXPECT_EQ(p().messageTexts.items[21], "Kein Anschluß");
  lang.userSelected(1);
  EXPECT_EQ(p().messageTexts.items[21], "No connection.");
  EXPECT_EQ(p().languageIndex, 2);
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(4), "1");
  lang.userSelected(0);
  EXPECT_EQ(p().messageTexts.items[21], "Kein Anschluß");
}


TEST_F(ProgramTest, ADragResizeIsSavedOnceAfterItEnds) {
  MainForm& f = p().frm_DoKu;
  const std::string settings = t.file("Tonvogel.ini");
  const std::string before = readFile(settings);
  for (int h = 4100; h <= 5000; h += 100) {
    f.userResized(5325, h);
    t.loop.runFor(50);
  }
  EXPECT_EQ(readFile(settings), before);  // nothing saved while the drag goes on
  t.loop.runFor(500);
  EXPECT_EQ(p().mainWindowHeight, 5000);
  EXPECT_EQ(readLines(settings).at(26), "      15      5000");
  EXPECT_EQ(f.lb_Sounds.height(), 5000 - 2475);
  EXPECT_EQ(f.fr3.top(), 5000 - 2160);
  EXPECT_EQ(f.cmd_zur.top(), 5000 - 2475 + 965);
}

TEST_F(ProgramTest, TheMenuActsOnItsChoiceAndADismissedMenuChangesNothing) {
  MainForm& f = p().frm_DoKu;
  const int height = f.height();
  f.lbl_Menue.mouseDown(MouseButton::Left, 0, 0, 0);  // dismissed
  EXPECT_EQ(f.height(), height);
  EXPECT_FALSE(p().ended());
  t.services.menuAnswers.push_back(3);  // "Playback window": collapse and hide it
  f.lbl_Menue.mouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(f.height(), 2160);
  EXPECT_FALSE(p().frm_Oszi.visible());
  t.services.menuAnswers.push_back(3);  // again: full height and the playback window
  f.lbl_Menue.mouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_GE(f.height(), 4000);
  EXPECT_TRUE(p().frm_Oszi.visible());
  t.services.menuAnswers.push_back(0);  // "Info" without a help file
  f.lbl_Menue.mouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(t.services.messages().back(), p().messageTexts.items[20]);
  t.services.menuAnswers.push_back(5);  // "Exit program"
  f.lbl_Menue.mouseDown(MouseButton::Left, 0, 0, 0);
  EXPECT_TRUE(p().ended());
}

TEST_F(ProgramTest, StatusBarDoubleClickGivesTheDefaultLayout) {
  MainForm& f = p().frm_DoKu;
  f.sb.dblClick();
  EXPECT_EQ(f.height(), 4005);
  EXPECT_EQ(f.lb_Sounds.height(), 1530);
  EXPECT_EQ(f.fr3.top(), 1845);
  EXPECT_EQ(f.cmd_zur.top(), 2385);
  EXPECT_EQ(f.sb.panels().size(), 7u);
}

}  // namespace
}  // namespace tv::test
