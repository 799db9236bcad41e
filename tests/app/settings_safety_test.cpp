#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// The settings file where it cannot be written and after a power cut. A program folder
// is made unwritable by a folder standing where the temporary settings file must go,
// which stops root as well as any other user.
struct SettingsSafetyTest : testing::Test {
  std::string ini() const { return t.file("Tonvogel.ini"); }
  std::string bak() const { return t.file("Tonvogel.ini.bak"); }
  std::vector<std::string> settings(const std::string& network) const {
    std::vector<std::string> file = freshSettingsLines(t.folder());
    line(file, 3) = network;
    return file;
  }
  void blockTheFolder() { fs::create_directory(t.file("Tonvogel.ini.tmp")); }
  Program& start() {
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  int noticesWith(std::string_view fragment) const {
    const auto& history = t.program->notices.history();
    return static_cast<int>(std::count_if(history.begin(), history.end(), [&](const auto& n) {
      return n.text.find(fragment) != std::string::npos;
    }));
  }
  // Types a network name and accepts it, as the user would.
  void accept(const std::string& network) {
    t.p().frm_Einstellungen.ed_FunkName.userEdited(network);
    t.p().settingsWindow.pressSave();
  }

  TestProgram t;
};

TEST_F(SettingsSafetyTest, UnwritableFolderWithoutSettingsStartsOnDefaultsWithoutTheInstallation) {
  blockTheFolder();
  t.autoInstall = false;
  t.shell.language = "en";
  Program& p = start();

  EXPECT_FALSE(p.frm_inst.loaded()) << "nothing the installation sets could be kept";
  EXPECT_FALSE(fs::exists(ini()));
  EXPECT_TRUE(t.services.messages().empty()) << "a start with no one to press OK";
  EXPECT_EQ(noticesWith("--program-folder"), 1);
  EXPECT_TRUE(t.noticed(t.folder() + " cannot be written")) << "in the desktop's language";
  EXPECT_EQ(p.networkName, "QQ0QQ");
  EXPECT_EQ(p.languageIndex, 2);

  // Accept, a resize and the status bar's double-click: the typed values stay in force.
  accept("DB0XYZ");
  EXPECT_EQ(p.networkName, "DB0XYZ");
  EXPECT_EQ(p.frm_Einstellungen.ed_FunkName.text(), "DB0XYZ");
  p.frm_DoKu.userResized(p.frm_DoKu.width(), 6000);
  t.loop.runFor(2000);
  EXPECT_EQ(p.mainWindowHeight, 6000);
  EXPECT_EQ(p.networkName, "DB0XYZ");
  p.mainWindow.sb_DblClick();
  EXPECT_EQ(p.frm_Einstellungen.ed_FunkName.text(), "DB0XYZ");
  EXPECT_EQ(p.networkName, "DB0XYZ");

  EXPECT_FALSE(p.frm_inst.loaded());
  EXPECT_TRUE(t.services.messages().empty());
  EXPECT_EQ(noticesWith("--program-folder"), 1) << "told once";
  EXPECT_FALSE(p.ended());
}

TEST_F(SettingsSafetyTest, UnwritableFolderReadsItsFileAndKeepsWhatIsAcceptedInForce) {
  writeSettings(ini(), settings("DB0OLD"));
  const std::string old = readFile(ini());
  blockTheFolder();
  Program& p = start();
  EXPECT_EQ(p.networkName, "DB0OLD");
  EXPECT_EQ(noticesWith("--program-folder"), 1);

  accept("DB0NEW");
  p.mainWindow.sb_DblClick();
  EXPECT_EQ(p.networkName, "DB0NEW");
  EXPECT_EQ(p.frm_Einstellungen.ed_FunkName.text(), "DB0NEW");
  EXPECT_EQ(readFile(ini()), old);
  EXPECT_TRUE(t.services.messages().empty());

  // Once the folder can take the file again, the next save writes what is in force.
  fs::remove(t.file("Tonvogel.ini.tmp"));
  p.settingsWindow.pressSave();
  EXPECT_EQ(readLines(ini()).at(2), "DB0NEW");
}

TEST_F(SettingsSafetyTest, EachSaveKeepsThePreviousFileAsBackupAndSyncsFileAndFolder) {
  writeSettings(ini(), settings("DB0ONE"));
  Program& p = start();
  EXPECT_FALSE(fs::exists(bak()));
  const std::string first = readFile(ini());
  t.fileSync.synced.clear();

  accept("DB0TWO");
  EXPECT_EQ(readFile(bak()), first);
  const std::vector<std::string> expected = {"file " + bak() + ".tmp", "folder " + t.folder(),
                                             "file " + ini() + ".tmp", "folder " + t.folder()};
  EXPECT_EQ(t.fileSync.synced, expected) << "each file before its rename, its folder after";

  const std::string second = readFile(ini());
  accept("DB0THREE");
  EXPECT_EQ(readFile(bak()), second);
  EXPECT_EQ(readLines(ini()).at(2), "DB0THREE");

  // A file cut short meanwhile never replaces the good backup.
  writeFile(ini(), "");
  accept("DB0FOUR");
  EXPECT_EQ(readFile(bak()), second);
  EXPECT_FALSE(p.ended());
}

TEST_F(SettingsSafetyTest, AFileAPowerCutLeftEmptyOrShortIsRecoveredFromTheBackup) {
  for (const std::size_t kept : {0u, 1u, 20u, 32u}) {
    TestProgram other;
    std::vector<std::string> good = freshSettingsLines(other.folder());
    line(good, 3) = "DB0BAK";
    writeSettings(other.file("Tonvogel.ini.bak"), good);
    std::vector<std::string> cut = good;
    line(cut, 3) = "DB0CUT";
    cut.resize(kept);
    writeSettings(other.file("Tonvogel.ini"), cut);
    Program& p = other.build();
    ASSERT_TRUE(p.startUp());

    EXPECT_EQ(p.networkName, "DB0BAK") << kept;
    EXPECT_TRUE(other.services.messages().empty()) << kept << ": no corrupt-file message";
    EXPECT_TRUE(other.noticed("Tonvogel.ini.bak")) << kept;
    EXPECT_EQ(readFile(other.file("Tonvogel.ini")), readFile(other.file("Tonvogel.ini.bak")));
    EXPECT_FALSE(fs::exists(other.file("Tonvogel.ini.bad"))) << kept;
  }
}

TEST_F(SettingsSafetyTest, AMissingLastLineEndAndAFileOfTheWindowsVersionAreNoDamage) {
  for (const std::size_t count : {33u, 43u}) {
    TestProgram other;
    std::vector<std::string> file = freshSettingsLines(other.folder());
    line(file, 3) = "DB0BAK";
    writeSettings(other.file("Tonvogel.ini.bak"), file);
    line(file, 3) = "DB0INI";
    file.resize(count);
    writeSettings(other.file("Tonvogel.ini"), file);
    std::string bytes = readFile(other.file("Tonvogel.ini"));
    bytes.resize(bytes.size() - 2);  // no CR LF after the last line
    writeFile(other.file("Tonvogel.ini"), bytes);

    Program& p = other.build();
    ASSERT_TRUE(p.startUp());
    EXPECT_EQ(p.networkName, "DB0INI") << count;
    EXPECT_FALSE(other.noticed("Tonvogel.ini.bak")) << count;
    EXPECT_TRUE(other.services.messages().empty()) << count;
  }
}

TEST_F(SettingsSafetyTest, AShortFileWithoutAUsableBackupIsCorruptAsBefore) {
  std::vector<std::string> cut = settings("DB0CUT");
  cut.resize(10);
  writeSettings(ini(), cut);
  writeSettings(bak(), cut);
  Program& p = start();
  EXPECT_EQ(t.services.messages().size(), 1u);
  EXPECT_TRUE(fs::exists(t.file("Tonvogel.ini.bad")));
  EXPECT_EQ(p.networkName, "QQ0QQ");
}

TEST_F(SettingsSafetyTest, OnlyTheCopyThatHoldsTheFolderFilesWhatEarlierRunsLeft) {
  const std::string leftover = "1_12-06-2026_09-00-00.wav";
  for (const bool holds : {false, true}) {
    TestProgram other;
    other.holdsFolderLock = holds;
    writeSettings(other.file("Tonvogel.ini"), freshSettingsLines(other.folder()));
    writeFile(other.file(leftover), std::string(100, '\x80'));
    ASSERT_TRUE(other.build().startUp());
    EXPECT_EQ(fs::exists(other.file(leftover)), !holds) << holds;
  }
}

}  // namespace
}  // namespace tv::test
