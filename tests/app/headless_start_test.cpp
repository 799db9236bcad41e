// A program with no one at a screen: settings it cannot use end it and stay exactly as
// they were found, and a station with usable settings runs as it does with windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/files.h"
#include "platform/unattended_services.h"
#include "tests/app/settings_lines.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

struct Headless {
  Headless() {
    t.headless = true;
    t.dialogs = &dialogs;
  }
  // Builds and starts the program; false when the start-up ended it.
  bool start() {
    Program& p = t.build();
    dialogs.logTo(&p.log);
    p.log.observer = [this](const std::string& line) { logged.push_back(line); };
    return p.startUp();
  }
  std::string ini() const { return t.file("Tonvogel.ini"); }
  // The files of the program folder besides the log.
  std::vector<std::string> filesBesideTheLog() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(t.folder())) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && name != Log::kFileName) names.push_back(name);
    }
    return names;
  }
  int linesHolding(std::string_view fragment) const {
    int count = 0;
    for (const std::string& line : logged) count += line.find(fragment) != std::string::npos;
    return count;
  }

  UnattendedServices dialogs;
  std::vector<std::string> logged;
  TestProgram t;
};

TEST(HeadlessStart, WithoutASettingsFileItEndsWithoutAnInstallationWindowOrAFile) {
  for (const char* language : {"de", "en"}) {
    Headless h;
    h.t.shell.language = language;
    EXPECT_FALSE(h.start()) << language;
    Program& p = h.t.p();
    EXPECT_TRUE(p.ended());
    EXPECT_EQ(p.exitCode(), kExitSettingsUnusable);
    EXPECT_FALSE(p.frm_inst.loaded()) << "the installation window would wait for ever";
    EXPECT_TRUE(h.filesBesideTheLog().empty()) << h.filesBesideTheLog().front();
    // The one line a journal shows says which file is missing, in the desktop's language.
    const std::string missing = language == std::string("de") ? "fehlt" : "is missing";
    EXPECT_EQ(h.linesHolding("ERROR settings: " + h.ini() + " " + missing), 1) << language;
    EXPECT_EQ(h.linesHolding("dialog:"), 0);
  }
}

TEST(HeadlessStart, ADamagedSettingsFileIsLeftExactlyAsItWasFound) {
  struct Damage {
    const char* what;
    int line;
    const char* value;
    std::size_t keep;
  };
  for (const Damage& damage : {Damage{"cut short, no backup", 0, "", 20},
                               Damage{"language index out of range", 5, "7", 43},
                               Damage{"a flag that is neither 0 nor 1", 16, "3", 43}}) {
    Headless h;
    std::vector<std::string> lines = freshSettingsLines(h.t.folder());
    if (damage.line > 0) line(lines, damage.line) = damage.value;
    lines.resize(std::min(lines.size(), damage.keep));
    writeSettings(h.ini(), lines);
    const std::string before = readFileBytes(h.ini());

    EXPECT_FALSE(h.start()) << damage.what;
    Program& p = h.t.p();
    EXPECT_EQ(p.exitCode(), kExitSettingsUnusable) << damage.what;
    EXPECT_EQ(readFileBytes(h.ini()), before) << damage.what;
    // Neither kept aside as .bad nor backed up nor half-written.
    EXPECT_EQ(h.filesBesideTheLog(), std::vector<std::string>{"Tonvogel.ini"}) << damage.what;
    EXPECT_EQ(h.linesHolding("ERROR settings: " + h.ini()), 1) << damage.what;
    // The windowed program's box about the damage is not even asked.
    EXPECT_EQ(h.linesHolding("dialog:"), 0) << damage.what;
    EXPECT_FALSE(p.recorder.running()) << damage.what;
  }
}

TEST(HeadlessStart, AFileCutShortByAPowerCutIsRecoveredFromItsBackupAsWithWindows) {
  Headless h;
  std::vector<std::string> good = freshSettingsLines(h.t.folder());
  line(good, 3) = "DL0BAK";
  writeSettings(h.ini() + ".bak", good);
  std::vector<std::string> cut = good;
  cut.resize(12);
  writeSettings(h.ini(), cut);

  ASSERT_TRUE(h.start());
  EXPECT_EQ(h.t.p().networkName, "DL0BAK");
  EXPECT_EQ(readFileBytes(h.ini()), readFileBytes(h.ini() + ".bak"));
}

TEST(HeadlessStart, AStationWithUsableSettingsRecordsAndEndsOnTerminationWithStatusZero) {
  Headless h;
  std::vector<std::string> lines = freshSettingsLines(h.t.folder());
  line(lines, 16) = "1";  // the recorder on at the start
  writeSettings(h.ini(), lines);

  ASSERT_TRUE(h.start());
  Program& p = h.t.p();
  EXPECT_TRUE(p.recorder.running());
  // No notification area is no news where there is no screen.
  EXPECT_FALSE(h.t.noticed("notification area"));
  EXPECT_EQ(h.linesHolding("dialog:"), 0);

  // A SIGTERM runs the shutdown routine.
  p.shutdownRoutine();
  EXPECT_TRUE(p.ended());
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(fs::exists(h.ini()));
}

}  // namespace
}  // namespace tv::test
