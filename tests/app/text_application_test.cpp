#include <gtest/gtest.h>

#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

// Starts a program whose settings file names `language` (line 5: 1 German, 2 English,
// 0 none) and lets `edit` change the lines first.
Program& startWith(TestProgram& t, const std::string& language,
                   void (*edit)(std::vector<std::string>&) = nullptr) {
  auto lines = freshSettingsLines(t.folder());
  line(lines, 5) = language;
  if (edit) edit(lines);
  writeSettings(t.file("Tonvogel.ini"), lines);
  Program& p = t.build();
  p.startUp();
  return p;
}

TEST(TextApplication, EnglishLabelsEveryWindowAndFillsTheMessages) {
  TestProgram t;
  Program& p = startWith(t, "2");
  EXPECT_EQ(p.frm_Oszi.lbl_TX.caption(), "TX");
  EXPECT_EQ(p.frm_Oszi.lbl_TX.toolTip(), "Send button (space key can be used during playback)");
  EXPECT_EQ(p.frm_DoKu.caption(), "Tonvogel");
  EXPECT_EQ(p.frm_DoKu.toolTip(), p.programFileName + " " + p.versionText);
  EXPECT_EQ(p.frm_Einstellungen.cmd_Speichern.caption(), "Accept changes");
  EXPECT_EQ(p.frm_CQ.cmd_CQLö.caption(), "Delete");
  EXPECT_EQ(p.frm_DoKu.sb.panels().at(6).toolTip, "system date and time");
  EXPECT_EQ(p.messageTexts.items[21], "No connection.");
  EXPECT_EQ(p.menuTexts[3], "Playback window");
  EXPECT_EQ(p.menuTexts[4], "Exit program");
  EXPECT_EQ(p.textApplication.preselectionTexts[3], "Back");
  EXPECT_EQ(p.textIndex, 0);
  // The cut buttons have no entry in the table; they are never left blank.
  EXPECT_EQ(p.frm_Oszi.cmd_Save.caption(), "Save as CQ");
  EXPECT_EQ(p.frm_Oszi.cmd_Kill.caption(), "Cut out");
  EXPECT_EQ(p.frm_Oszi.cmd_Ret.caption(), "Back");
  EXPECT_EQ(p.frm_Loe_File.lbl_Frage.caption(), "Really delete?!");
  EXPECT_EQ(p.frm_Loe_File.cmd_Loe_NO.caption(), "No");
  EXPECT_EQ(p.frm_Oszi.cmdPap2.caption(), "Parrot");
}

TEST(TextApplication, SpecialEntriesFollowTheirOwnRules) {
  TestProgram t;
  Program& p = startWith(t, "2");
  // The frame below the list names the days kept.
  EXPECT_EQ(p.frm_DoKu.fr3.caption(), "sound file from the last 3 days");
  // The sound-files label is as wide as its text needs.
  EXPECT_EQ(p.frm_DoKu.lbl_LoadWave.width(), 90 * 11 + 45);
  // The recorder frame shows the text of the recorder's state.
  EXPECT_EQ(p.frm_DoKu.fr2.caption(),
            p.frm_DoKu.lbl_Start.borderStyle() == Look::On ? "recorder on" : "recorder off");
  // A threshold already shown stays.
  EXPECT_EQ(p.frm_DoKu.lbl_Schwelle.caption(), "67");
  p.frm_DoKu.lbl_Schwelle.setCaption("45");
  p.applyLanguage(Language::English);
  EXPECT_EQ(p.frm_DoKu.lbl_Schwelle.caption(), "45");
  EXPECT_EQ(p.frm_DoKu.lbl_Schwelle.toolTip(), "record threshold (in %)");
}

TEST(TextApplication, GermanReplacesEnglishAtOnce) {
  TestProgram t;
  Program& p = startWith(t, "2");
  p.applyLanguage(Language::German);
  EXPECT_EQ(p.frm_DoKu.caption(), "Dokumentation");
  EXPECT_EQ(p.frm_Einstellungen.cmd_Zurück.caption(), "Fenster schließen");
  EXPECT_EQ(p.messageTexts.items[21], "Kein Anschluß");
  EXPECT_EQ(p.frm_DoKu.fr3.caption(), "Sounds der letzten 3 Tage");
  EXPECT_EQ(p.frm_Oszi.cmd_Kill.caption(), "ausschneiden");
  EXPECT_EQ(p.frm_Loe_File.caption(), "Wirklich loeschen!?");
  EXPECT_EQ(p.frm_Loe_File.cmd_Loe_YES.caption(), "Ja");
}

TEST(TextApplication, WithoutALanguageTheWindowsKeepTheirOwnTexts) {
  TestProgram t;
  Program& p = startWith(t, "0");
  EXPECT_EQ(p.frm_Einstellungen.cmd_Speichern.caption(), "Änderungen übernehmen");
  EXPECT_EQ(p.frm_DoKu.lbl_Menue.caption(), "Datei");
  for (const std::string& m : p.messageTexts.items) EXPECT_EQ(m, "");
}

}  // namespace
}  // namespace tv::test
