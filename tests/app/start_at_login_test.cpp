#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/settings_file.h"
#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

std::string execLine(const std::string& entry) {
  std::istringstream in(entry);
  for (std::string l; std::getline(in, l);)
    if (l.rfind("Exec=", 0) == 0) return l;
  return {};
}

TEST(StartAtLogin, EntryIsWrittenOnceNeverRewrittenAndDeletedWhenTurnedOff) {
  TestProgram t;
  std::vector<std::string> file = freshSettingsLines(t.folder());
  line(file, 33) = "1";
  writeSettings(t.file("Tonvogel.ini"), file);
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());

  const std::string entry = t.shell.autostartFolder() + "tonvogel.desktop";
  ASSERT_TRUE(fs::exists(entry));
  EXPECT_EQ(p.frm_Einstellungen.chkAutoStart.value(), 1);
  const std::string exec = execLine(readFile(entry));
  EXPECT_NE(exec.find(t.folder() + "/tonvogel"), std::string::npos) << exec;
  EXPECT_NE(exec.find("--program-folder"), std::string::npos) << exec;

  writeFile(entry, "marker\n");
  p.settingsWindow.pressSave();
  EXPECT_EQ(readFile(entry), "marker\n");

  // Clearing the box: its mouse-up sees the old value and turns the flag off.
  p.frm_Einstellungen.chkAutoStart.userToggle(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(p.autostartFlag, 0);
  p.settingsWindow.pressSave();
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(32), "0");
  EXPECT_TRUE(t.services.messages().empty());
}

TEST(StartAtLogin, ExecLineQuotesPathsAndEscapesPercentSigns) {
  const std::string entry = autostartEntry("/opt/my ham/100%/tonvogel", "/opt/my ham/100%", "");
  EXPECT_EQ(execLine(entry),
            "Exec=\"/opt/my ham/100%%/tonvogel\" --program-folder \"/opt/my ham/100%%\"");
}

}  // namespace
}  // namespace tv::test
