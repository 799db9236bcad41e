#include "app/installation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/desktop_entries.h"
#include "app/program.h"
#include "tests/support/test_program.h"
#include "texts/info_texts.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

// A first start with the installation window answered from inside its wait, as a user
// would answer it while start-up waits.
struct InstallationTest : testing::Test {
  InstallationTest() {
    t.autoInstall = false;
    t.build();
    t.loop.whileWaiting = [this] {
      ++waits;
      if (captions.empty() || captions.back() != f().caption()) captions.push_back(f().caption());
      if (atWait) atWait(waits);
    };
  }
  Program& p() { return t.p(); }
  InstallForm& f() { return t.p().frm_inst; }
  std::string launcher() const {
    return t.folder() + "/home/Desktop/" + folderEntryName(t.folder());
  }
  void accept() { f().chk_Inst.userToggle(MouseButton::Left, 0, 0, 0); }
  void install() { f().cmd_Inst_Ein.mouseUp(MouseButton::Left, 0, 0, 0); }

  TestProgram t;
  int waits = 0;
  std::vector<std::string> captions;
  std::function<void(int wait)> atWait;
};

TEST_F(InstallationTest, EnglishChoiceCountsTheCaptionClosesAndWritesLanguageTwo) {
  atWait = [this](int wait) {
    if (wait != 1) return;
    EXPECT_TRUE(f().visible());
    EXPECT_EQ(f().height(), InstallForm::kChoiceHeight) << "only the flags before a choice";
    f().lbl_Inst_GB.click();
    EXPECT_EQ(f().height(), InstallForm::kFullHeight);
    EXPECT_EQ(f().chk_Inst.caption(), "Accept");
    EXPECT_EQ(f().cmd_Inst_Ein.toolTip(), "Tonvogel is installed in C:\\Tonvogel.");
    accept();
    install();
  };
  std::vector<std::string> afterTicks;
  f().tmr_Inst.tick = [this, &afterTicks, tick = f().tmr_Inst.tick] {
    tick();
    afterTicks.push_back(f().caption());
  };
  ASSERT_TRUE(p().startUp());

  EXPECT_EQ(captions, (std::vector<std::string>{"Tonvogel.exe -  V:23042015 - Installation",
                                                "Tonvogel", "1"}));
  EXPECT_EQ(afterTicks, (std::vector<std::string>{"1", "2"}))
      << "the second tick lets the check close the window";
  EXPECT_FALSE(f().loaded());
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(4), "2");
  EXPECT_EQ(p().frm_DoKu.lbl_Menue.caption(), "File") << "the main window speaks English";
  EXPECT_TRUE(p().frm_DoKu.visible());
  EXPECT_FALSE(fs::exists(launcher())) << "no launcher unless asked for";
}

TEST_F(InstallationTest, LauncherIsWrittenExecutableAtTheFirstTick) {
  // Launchers of the time when every folder's had one name: this folder's is replaced,
  // another folder's stays.
  const std::string desktop = t.folder() + "/home/Desktop/";
  fs::create_directories(desktop);
  writeFile(desktop + kSharedEntryName, autostartEntry(t.file("tonvogel"), t.folder(), "old"));
  const std::string elsewhere = desktop + "tonvogel-elsewhere.desktop";
  writeFile(elsewhere, autostartEntry("/opt/tonvogel", "/srv/net", "other"));
  atWait = [this](int wait) {
    if (wait == 1) {
      f().lbl_Inst_DE.click();
      accept();
      f().chk_Start.userToggle(MouseButton::Left, 0, 0, 0);
      f().cmd_Inst_Ein.click();  // from the keyboard
    }
    if (f().caption() == "1") {
      EXPECT_TRUE(fs::exists(launcher()));
    }
  };
  ASSERT_TRUE(p().startUp());

  const std::string entry = readFile(launcher());
  EXPECT_NE(
      entry.find("Exec=\"" + t.folder() + "/tonvogel\" --program-folder \"" + t.folder() + "\"\n"),
      std::string::npos)
      << entry;
  EXPECT_NE(entry.find("Icon=" + t.folder() + "/icon/tonvogel.png\n"), std::string::npos);
  EXPECT_EQ(entry.find("Autostart"), std::string::npos) << "a launcher, not a login entry";
  EXPECT_NE(fs::status(launcher()).permissions() & fs::perms::owner_exec, fs::perms::none);
  EXPECT_EQ(readLines(t.file("Tonvogel.ini")).at(4), "1");
  EXPECT_FALSE(fs::exists(desktop + kSharedEntryName));
  EXPECT_TRUE(fs::exists(elsewhere));
}

TEST_F(InstallationTest, LauncherThatCannotBeWrittenIsReportedAndTheInstallationGoesOn) {
  fs::create_directories(t.folder() + "/home");
  writeFile(t.folder() + "/home/Desktop", "a file where the folder should be");
  atWait = [this](int wait) {
    if (wait != 1) return;
    f().lbl_Inst_GB.click();
    accept();
    f().chk_Start.userToggle(MouseButton::Left, 0, 0, 0);
    install();
  };
  ASSERT_TRUE(p().startUp());
  ASSERT_FALSE(t.services.messages().empty());
  EXPECT_EQ(t.services.messages()[0].rfind("The desktop launcher " + launcher(), 0), 0u);
  EXPECT_TRUE(fs::exists(t.file("Tonvogel.ini")));
}

TEST_F(InstallationTest, CancelEndsTheProgramWithoutASettingsFile) {
  atWait = [this](int) { f().cmd_Inst_NEIN.mouseUp(MouseButton::Right, 0, 0, 0); };
  EXPECT_FALSE(p().startUp());
  EXPECT_TRUE(p().ended());
  EXPECT_TRUE(t.loop.quitRequested());
  EXPECT_EQ(t.loop.exitCode(), 0);
  EXPECT_FALSE(f().loaded());
  EXPECT_FALSE(fs::exists(t.file("Tonvogel.ini")));
  EXPECT_FALSE(p().frm_DoKu.loaded());
}

TEST_F(InstallationTest, InstallWaitsForAcceptanceAndTheCloseBoxIsRefused) {
  atWait = [this](int wait) {
    if (wait != 1) return;
    f().userClose();
    EXPECT_TRUE(f().visible());
    EXPECT_FALSE(f().cmd_Inst_Ein.enabled());
    install();
    EXPECT_FALSE(f().tmr_Inst.enabled()) << "not accepted: pressing does nothing";
    accept();
    EXPECT_TRUE(f().cmd_Inst_Ein.enabled());
    accept();
    EXPECT_FALSE(f().cmd_Inst_Ein.enabled());
    accept();
    install();
  };
  ASSERT_TRUE(p().startUp());
  EXPECT_EQ(p().installTicks, 2);
  EXPECT_EQ(p().languageCode, "DL") << "no language chosen: the default file is German";
}

TEST_F(InstallationTest, SecondCheckInTheSameRunClosesAtOnceAndTheCountStaysAtTwo) {
  atWait = [this](int wait) {
    if (wait != 1) return;
    accept();
    install();
  };
  ASSERT_TRUE(p().startUp());
  const int waitsAtStart = waits;
  t.loop.runFor(10'000);
  EXPECT_EQ(p().installTicks, 2) << "the window's timer ends with the window";

  fs::remove(t.file("Tonvogel.ini"));
  p().applySettings();
  EXPECT_EQ(waits, waitsAtStart) << "no wait for the user";
  EXPECT_FALSE(f().loaded());
  EXPECT_TRUE(fs::exists(t.file("Tonvogel.ini")));
  EXPECT_FALSE(p().ended());
}

TEST_F(InstallationTest, InfoTextFollowsTheLanguageAndTheFrameFollowsTheScrollBar) {
  Installation& in = p().installation;
  const auto labels = f().infoLabels();
  in.lbl_Inst_DE_Click();
  EXPECT_EQ(labels[1]->caption(), "Haftungsausschluß");
  EXPECT_NE(labels[4]->caption().find(t.folder()), std::string::npos)
      << "the text names the program folder";
  for (std::size_t n = 1; n < labels.size(); ++n)
    EXPECT_GE(labels[n]->top(), labels[n - 1]->top() + labels[n - 1]->height()) << n;
  ASSERT_GT(f().frx_Scroll.scrollMax(), 600);

  f().frx_Scroll.userScrolled(600);
  in.tmr_Scroll_Timer();
  EXPECT_EQ(f().frx_Inst.top(), -600);

  in.lbl_Inst_GB_Click();
  const std::array<std::string, 21> english = infoTextPieces(Language::English, t.folder());
  for (std::size_t n = 0; n < labels.size(); ++n) {
    EXPECT_EQ(labels[n]->caption(), english[n + 1]) << n;
    EXPECT_FALSE(labels[n]->caption().empty()) << n;
  }
  in.tmr_Scroll_Timer();
  EXPECT_EQ(f().frx_Scroll.scrollValue(), 600) << "the scroll position stays";
  EXPECT_EQ(f().frx_Inst.top(), -600);

  f().frx_Scroll.userScrolled(0);
  in.tmr_Scroll_Timer();
  EXPECT_EQ(f().frx_Inst.top(), 0);
}

TEST_F(InstallationTest, ATerminationWhileTheWindowWaitsEndsWithoutASettingsFile) {
  // A logout while the first start still asks for the language.
  atWait = [this](int wait) {
    if (wait == 1) p().shutdownRoutine();
  };
  EXPECT_FALSE(p().startUp());
  EXPECT_TRUE(p().ended());
  EXPECT_EQ(p().exitCode(), 0);
  EXPECT_FALSE(fs::exists(t.file("Tonvogel.ini")));
  EXPECT_LE(waits, 2) << "the window must not be shown a second time on the way out";
}

}  // namespace
}  // namespace tv::test
