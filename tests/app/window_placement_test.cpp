#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/screen_fit.h"
#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

// Screens in twips (15 to a pixel).
constexpr Rect kTouchScreen{0, 0, 800 * 15, 480 * 15};
// 1366 × 768 with a panel of 28 pixels at the top.
constexpr Rect kLaptop{0, 28 * 15, 1366 * 15, 740 * 15};

// A program started with the window positions of a larger desktop on `screen` (none: the
// desktop places the windows).
Program& startOn(TestProgram& t, std::optional<Rect> screen) {
  writeSettings(t.file("Tonvogel.ini"), largeDesktopSettingsLines(t.folder()));
  t.services.screen = screen;
  Program& p = t.build();
  EXPECT_TRUE(p.startUp());
  return p;
}

// The whole frame, title bar and border included, lies on `area`.
void expectOnScreen(const Form& f, const Rect& area) {
  EXPECT_GE(f.left(), area.left) << f.name();
  EXPECT_GE(f.top(), area.top) << f.name();
  EXPECT_LE(f.left() + f.width() + 2 * kFrameBorderTwips, area.left + area.width) << f.name();
  EXPECT_LE(f.top() + kTitleBarTwips + f.height() + kFrameBorderTwips, area.top + area.height)
      << f.name();
}

TEST(WindowPlacement, WindowsFromALargerDesktopComeBackOntoTheScreenAndAreSavedThere) {
  TestProgram t;
  Program& p = startOn(t, kLaptop);

  for (const Form* f :
       {static_cast<const Form*>(&p.frm_DoKu), static_cast<const Form*>(&p.frm_Einstellungen),
        static_cast<const Form*>(&p.frm_Oszi), static_cast<const Form*>(&p.frm_CQ),
        static_cast<const Form*>(&p.frm_Meldungen)})
    expectOnScreen(*f, kLaptop);
  // Moved no further than needed: against the right and bottom edges.
  EXPECT_EQ(p.frm_Oszi.left() + p.frm_Oszi.width() + 2 * kFrameBorderTwips,
            kLaptop.left + kLaptop.width);

  // The settings window's buttons are on the screen.
  const SettingsForm& s = p.frm_Einstellungen;
  EXPECT_LE(s.top() + kTitleBarTwips + s.cmd_Speichern.top() + s.cmd_Speichern.height(),
            kLaptop.top + kLaptop.height);

  p.settingsWindow.pressSave();
  const std::vector<std::string> saved = readLines(t.file("Tonvogel.ini"));
  EXPECT_EQ(saved.at(28), std::to_string(s.left()));
  EXPECT_EQ(saved.at(29), std::to_string(s.top()));
  EXPECT_EQ(p.mainWindowLeft, p.frm_DoKu.left()) << "a resize keeps the edge on the screen";
}

TEST(WindowPlacement, AWindowTallerThanTheScreenHasItsTitleBarOnIt) {
  TestProgram t;
  Program& p = startOn(t, kTouchScreen);
  // 7410 twips of settings window and its frame do not fit into 7200.
  EXPECT_EQ(p.frm_Einstellungen.top(), kTouchScreen.top);
  EXPECT_GE(p.frm_Einstellungen.left(), kTouchScreen.left);
  expectOnScreen(p.frm_DoKu, kTouchScreen);
  expectOnScreen(p.frm_Oszi, kTouchScreen);
}

TEST(WindowPlacement, EveryApplyPlacesTheWindowsAgain) {
  TestProgram t;
  t.services.screen = kLaptop;
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());
  p.frm_Einstellungen.userMoved(30000, 20000);
  p.frm_Mehr.userMoved(30000, 20000);
  p.settingsWindow.pressSave();
  expectOnScreen(p.frm_Einstellungen, kLaptop);

  // The second page, opened over the first, is put on the screen as well.
  p.frm_Einstellungen.userMoved(kLaptop.width - p.frm_Einstellungen.width() - 180,
                                kLaptop.top + kLaptop.height - p.frm_Einstellungen.height() - 540);
  p.settingsWindow.cmd_Mehr_Click();
  expectOnScreen(p.frm_Mehr, kLaptop);
}

TEST(WindowPlacement, WhereTheDesktopPlacesTheWindowsTheStoredPositionsAreKept) {
  TestProgram t;
  Program& p = startOn(t, std::nullopt);  // as under Wayland
  const std::vector<std::string> file = largeDesktopSettingsLines(t.folder());
  EXPECT_EQ(p.frm_Einstellungen.top(), 14000);
  p.settingsWindow.pressSave();
  const std::vector<std::string> saved = readLines(t.file("Tonvogel.ini"));
  for (int n = 28; n <= 32; ++n) EXPECT_EQ(saved.at(n - 1), file.at(n - 1)) << "line " << n;
  EXPECT_EQ(saved.at(26).substr(0, 8), "   25000");
}

TEST(ScreenFit, MovesNoFurtherThanNeededAndKeepsTheTitleBarOnTheScreen) {
  const Rect area{0, 420, 12000, 6780};
  // Fits as it is.
  const Rect inside = placeOnScreen({1500, 1500, 3000, 2000}, area);
  EXPECT_EQ(inside.left, 1500);
  EXPECT_EQ(inside.top, 1500);
  // Off to the right and below: against those edges, size unchanged.
  const Rect off = placeOnScreen({20000, 9000, 3000, 2000}, area);
  EXPECT_EQ(off.left, 12000 - 3000 - 2 * kFrameBorderTwips);
  EXPECT_EQ(off.top, 420 + 6780 - 2000 - kTitleBarTwips - kFrameBorderTwips);
  EXPECT_EQ(off.width, 3000);
  // Above and left of the area (a panel at the top).
  const Rect above = placeOnScreen({-500, 0, 3000, 2000}, area);
  EXPECT_EQ(above.left, 0);
  EXPECT_EQ(above.top, 420);
  // Larger than the area: at its top left corner.
  const Rect large = placeOnScreen({5000, 5000, 15000, 9000}, area);
  EXPECT_EQ(large.left, 0);
  EXPECT_EQ(large.top, 420);
  // Too high only: against the right edge with room for the scroll bar.
  const Rect high = placeOnScreen({9000, 5000, 3000, 9000}, area);
  EXPECT_EQ(high.left, 12000 - 3000 - 2 * kFrameBorderTwips - kScrollBarTwips);
  EXPECT_EQ(high.top, 420);

  // The settings window on a touch screen, in pixels: as high as there is room for, and
  // wider by the scroll bar, which would otherwise cover its right edge.
  const Rect shown = shownContentSize(520, 494, {0, 0, 800, 480}, 12, 36, 16);
  EXPECT_EQ(shown.width, 536);
  EXPECT_EQ(shown.height, 444);
  const Rect fits = shownContentSize(520, 300, {0, 0, 800, 480}, 12, 36, 16);
  EXPECT_EQ(fits.width, 520);
  EXPECT_EQ(fits.height, 300);
  const Rect both = shownContentSize(900, 600, {0, 0, 800, 480}, 12, 36, 16);
  EXPECT_EQ(both.width, 788);
  EXPECT_EQ(both.height, 444);
}

}  // namespace
}  // namespace tv::test
