#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/desktop_entries.h"
#include "app/program.h"
#include "platform/files.h"
#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// A program folder with a settings file whose start-at-login line is `on`, and a program
// file where the entries' Exec lines say it is.
void prepare(TestProgram& t, bool on) {
  std::vector<std::string> file = freshSettingsLines(t.folder());
  line(file, 33) = on ? "1" : "0";
  writeSettings(t.file("Tonvogel.ini"), file);
  writeFile(t.file("tonvogel"), "the program");
}

std::string entryOf(const TestProgram& t) {
  return t.shell.autostartFolder() + folderEntryName(t.folder());
}

std::string sharedEntry(const TestProgram& t) {
  return t.shell.autostartFolder() + kSharedEntryName;
}

TEST(StartAtLogin, EntryIsNamedAfterTheFolderWrittenOnceAndDeletedWhenTurnedOff) {
  TestProgram t;
  prepare(t, true);
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());

  const std::string entry = entryOf(t);
  ASSERT_TRUE(fs::exists(entry));
  EXPECT_EQ(fs::path(entry).filename(), "tonvogel-" + folderHash(t.folder()) + ".desktop");
  EXPECT_EQ(p.frm_Einstellungen.chkAutoStart.value(), 1);
  const auto command = entryCommand(readFile(entry));
  ASSERT_TRUE(command);
  EXPECT_EQ(command->executable, t.file("tonvogel"));
  EXPECT_EQ(command->programFolder, t.folder());

  // An entry that starts an existing program file is the user's to change.
  const std::string changed = readFile(entry) + "X-Changed-By-User=true\n";
  writeFile(entry, changed);
  p.settingsWindow.pressSave();
  EXPECT_EQ(readFile(entry), changed);

  // Clearing the box: its mouse-up sees the old value and turns the flag off.
  p.frm_Einstellungen.chkAutoStart.userToggle(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(p.autostartFlag, 0);
  p.settingsWindow.pressSave();
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(32), "0");
  EXPECT_TRUE(t.services.messages().empty());
}

TEST(StartAtLogin, AFolderWithItsBoxOffLeavesTheEntryOfAnotherFolder) {
  TestProgram station;
  prepare(station, true);
  ASSERT_TRUE(station.build().startUp());
  const std::string stationEntry = entryOf(station);
  ASSERT_TRUE(fs::exists(stationEntry));
  const std::string written = readFile(stationEntry);

  // A try-out in a folder of its own, with the same autostart folder.
  TestProgram tryOut;
  tryOut.shell = station.shell;
  prepare(tryOut, false);
  Program& p = tryOut.build();
  ASSERT_TRUE(p.startUp());
  p.settingsWindow.pressSave();
  p.shutdownRoutine();

  EXPECT_NE(entryOf(tryOut), stationEntry);
  EXPECT_FALSE(fs::exists(entryOf(tryOut)));
  ASSERT_TRUE(fs::exists(stationEntry));
  EXPECT_EQ(readFile(stationEntry), written);
}

TEST(StartAtLogin, TheOldSharedEntryIsReplacedOnlyWhenItStartsThisFolder) {
  TestProgram t;
  prepare(t, true);
  fs::create_directories(t.shell.autostartFolder());
  writeFile(sharedEntry(t), autostartEntry(t.file("tonvogel"), t.folder() + "/", "old"));
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());
  EXPECT_TRUE(fs::exists(entryOf(t)));
  EXPECT_FALSE(fs::exists(sharedEntry(t))) << "replaced by the folder's own entry";

  // Another folder's shared entry stays, on or off.
  const std::string other = autostartEntry("/opt/tonvogel/tonvogel", "/srv/station", "other");
  writeFile(sharedEntry(t), other);
  p.settingsWindow.pressSave();
  EXPECT_EQ(readFile(sharedEntry(t)), other);
  p.frm_Einstellungen.chkAutoStart.userToggle(MouseButton::Left, 0, 0, 0);
  p.settingsWindow.pressSave();
  EXPECT_FALSE(fs::exists(entryOf(t)));
  EXPECT_EQ(readFile(sharedEntry(t)), other);

  // This folder's shared entry goes with the box off, too.
  writeFile(sharedEntry(t), autostartEntry(t.file("tonvogel"), t.folder(), "old"));
  p.settingsWindow.pressSave();
  EXPECT_FALSE(fs::exists(sharedEntry(t)));
}

TEST(StartAtLogin, AnEntryWhoseProgramFileHasGoneIsWrittenAnew) {
  TestProgram t;
  prepare(t, true);
  fs::create_directories(t.shell.autostartFolder());
  writeFile(entryOf(t), autostartEntry("/gone/tonvogel", t.folder(), "moved"));
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());
  const auto command = entryCommand(readFile(entryOf(t)));
  ASSERT_TRUE(command);
  EXPECT_EQ(command->executable, t.file("tonvogel"));

  writeFile(entryOf(t), "[Desktop Entry]\nName=no command\n");
  p.settingsWindow.pressSave();
  EXPECT_TRUE(entryCommand(readFile(entryOf(t))));
}

TEST(StartAtLogin, ExecLineQuotesPathsAndReadsBackTheSame) {
  const std::string entry = autostartEntry("/opt/my ham/100%/tonvogel", "/opt/my ham/100%", "");
  EXPECT_NE(
      entry.find("Exec=\"/opt/my ham/100%%/tonvogel\" --program-folder \"/opt/my ham/100%%\"\n"),
      std::string::npos)
      << entry;
  for (const std::string folder :
       {"/opt/my ham/100%", R"(/home/dl1 "x"/$HOME/`w`/a\b)", "/plain", "/ends in blank "}) {
    const auto command = entryCommand(autostartEntry(folder + "/tonvogel", folder, "c"));
    ASSERT_TRUE(command) << folder;
    EXPECT_EQ(command->executable, folder + "/tonvogel");
    EXPECT_EQ(command->programFolder, folder);
  }
  // Entries written by hand: unquoted arguments, the option with "=".
  const auto byHand =
      entryCommand("[Desktop Entry]\nExec=/usr/bin/tonvogel --program-folder=/srv/net\n");
  ASSERT_TRUE(byHand);
  EXPECT_EQ(byHand->executable, "/usr/bin/tonvogel");
  EXPECT_EQ(byHand->programFolder, "/srv/net");
  EXPECT_FALSE(entryCommand("[Desktop Entry]\nName=Tonvogel\n"));
}

}  // namespace
}  // namespace tv::test
