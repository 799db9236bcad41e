#include "app/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

struct SettingsFileTest : testing::Test {
  std::string ini() const { return t.file("Tonvogel.ini"); }
  std::vector<std::string> fresh() const { return freshSettingsLines(t.folder()); }
  std::vector<std::string> lines() const { return readLines(ini()); }

  Program& start() {
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  Program& startWith(const std::vector<std::string>& fileLines) {
    writeSettings(ini(), fileLines);
    return start();
  }
  void save() { t.p().settingsWindow.pressSave(); }

  TestProgram t;
};

TEST_F(SettingsFileTest, FirstStartWritesTheDefaultFileByteForByte) {
  start();
  std::string expected;
  for (const std::string& l : fresh()) expected += l + "\r\n";
  EXPECT_EQ(readFile(ini()), expected);
  ASSERT_EQ(lines().size(), 43u);
  EXPECT_EQ(lines()[26].size(), 12u);
  EXPECT_TRUE(t.services.messages().empty());
}

TEST_F(SettingsFileTest, FreshFileStoresEnglishOnlyWhenEnglishWasChosen) {
  Program& p = t.build();
  p.languageCode = "GB";
  p.settingsFile.create();
  EXPECT_EQ(lines().at(4), "2");

  fs::remove(ini());
  p.languageCode = "gb";
  p.settingsFile.create();
  EXPECT_EQ(lines().at(4), "1");
}

TEST_F(SettingsFileTest, DefaultPinLineAndWindowLineGiveTheirValues) {
  Program& p = start();
  EXPECT_TRUE(fs::is_directory(t.file("CQFiles")));
  EXPECT_EQ(p.languageCode, "DL");
  EXPECT_EQ(p.comPortName, "COM2");
  EXPECT_EQ(p.pttPin, 7);
  EXPECT_EQ(p.sendKeyLine, 1);
  EXPECT_EQ(p.pttInverted, "0");
  EXPECT_EQ(p.roger2Pin, 6);
  EXPECT_EQ(p.roger1Pin, 8);
  EXPECT_EQ(p.autoCqPin, 9);
  EXPECT_EQ(p.frm_DoKu.left(), 15);
  EXPECT_EQ(p.mainWindowHeight, 15);
}

// The threshold slider runs 0..100 (percent), the volume slider 0..65535 with loudest at 0.
TEST_F(SettingsFileTest, ThresholdAndVolumeSlidersTakeTheirFullRange) {
  Program& p = start();
  EXPECT_EQ(p.frm_DoKu.sli_Schwelle.value(), 67);
  EXPECT_EQ(p.frm_Oszi.sli_Lautst.value(), 32768);  // |floor(50 * 65535 / 100) - 65535|
  EXPECT_EQ(p.playVolume, 0x80008000u);
}

TEST_F(SettingsFileTest, TheStoredVolumeIsInForceFromTheStartForEveryPlayback) {
  std::vector<std::string> file = fresh();
  line(file, 15) = "25";
  Program& p = startWith(file);
  // Slider |floor(25 * 65535 / 100) - 65535| = 49152; loudest at 0.
  EXPECT_EQ(p.frm_Oszi.sli_Lautst.value(), 49152);
  EXPECT_EQ(p.soundSystem.outputVolume()->left(), 65535 - 49152);
  EXPECT_EQ(p.soundSystem.outputVolume()->right(), 65535 - 49152);

  p.frm_Einstellungen.ed_PlayPegel.userEdited("100");
  p.settingsWindow.pressSave();
  EXPECT_EQ(p.soundSystem.outputVolume()->left(), 65535);
  EXPECT_EQ(p.frm_Einstellungen.ed_PlayPegel.text(), "100");
}

TEST_F(SettingsFileTest, EveryFieldSurvivesSaveAndApply) {
  Program& p = start();
  SettingsForm& f = p.frm_Einstellungen;
  const std::string recordings = t.file("rec");
  fs::create_directory(recordings);
  f.ed_PfadDoku.userEdited(recordings);
  f.ed_FunkName.userEdited("DB0XYZ");
  f.cb_Sample.userEdited("22050");
  f.cb_Lang.userSelected(1);  // GB
  f.ed_FK.userEdited("3");
  f.cb_Com.userEdited("5");
  f.cb_TX.userEdited("4");
  f.cb_TX_off.userEdited("6");
  p.pttInverted = "1";
  f.cb_Rog2.userEdited("1");
  f.cb_Rog1.userEdited("9");
  f.cb_CQ.userEdited("8");
  f.ed_StartPegel.userEdited("55");
  f.ed_AufnZeitMin.userEdited("2.5");
  f.ed_AufnZeitMax.userEdited("60");
  f.ed_PauseStille.userEdited("6");
  f.ed_PauseSignal.userEdited("7");
  f.ed_FilesLöschen.userEdited("9");
  f.ed_PlayPegel.userEdited("25");
  for (CheckBox* box : {&f.chk_StartAuto, &f.chk_Sichtbar, &f.chk_Log_Anz, &f.chk_AufnDoku,
                        &f.chk_TX, &f.chk_Sichtbar2, &f.chkFortlaufend, &f.chkPapagei})
    box->userToggle(MouseButton::Left, 0, 0, 0);
  p.soundFileCount = 12;
  f.ed_Interval.userEdited("20");
  f.ed_CQ.userEdited("9");
  p.frm_DoKu.userMoved(300, 450);
  p.mainWindowHeight = 5000;
  f.userMoved(600, 750);
  p.frm_Oszi.userMoved(900, 1050);
  f.chkAutoStart.userToggle(MouseButton::Left, 0, 0, 0);
  f.ed_TxTimeout.userEdited("120");

  save();

  // clang-format off
  const std::vector<std::string> expected = {
      t.folder() + "/Tonvogel.ini created 07.12.2026 - 10:00:00", recordings, "DB0XYZ", "22050",
      "2", "3", "5", std::string("46-198") + kPinLineComment,
      "55", "2.5", "60", "6", "7", "9", "25",             // lines 9-15
      "0", "1", "1", "0", "1", "12", "20", "0", "0", "1", // lines 16-25
      "9", "     300      5000", "450", "600", "750", "900", "1050", "1", "120",
      "", "default", "serial 0", "localhost:4532", "", "10", "wav", "", "0"};  // lines 35-43
  // clang-format on
  EXPECT_EQ(lines(), expected);

  using Texts = std::vector<std::string>;
  using Numbers = std::vector<double>;
  EXPECT_EQ((Texts{p.recordingsFolder, p.networkName, p.sampleRate, p.languageCode, p.comPortName,
                   p.pttInverted}),
            (Texts{recordings, "DB0XYZ", "22050", "GB", "COM5", "1"}));
  EXPECT_TRUE(fs::is_directory(recordings + "/CQFiles"));
  // clang-format off
  EXPECT_EQ((Numbers{double(p.languageIndex), p.networkNumber, p.pttPin, double(p.sendKeyLine),
                     p.roger2Pin, p.roger1Pin, p.autoCqPin, p.startLevel, p.minRecordTenths,
                     p.maxRecordTenths, p.pauseAfterSilence, p.pauseAtSignal, p.deleteAfterDays,
                     p.soundFileCount, double(p.txTimeoutSeconds)}),
            // The count is taken again from the recordings folder, which holds none.
            (Numbers{2, 3, 4, 3, 1, 9, 8, 55, 25, 600, 6, 7, 9, 0, 120}));
  EXPECT_EQ((Numbers{double(p.autoRecordFlag), double(p.startMinimizedFlag), double(p.logMeterFlag),
                     double(p.loggingFlag), double(p.txViaComFlag), double(p.settingsVisibleFlag),
                     double(p.playAllFlag), double(p.parrotFlag), double(p.autostartFlag)}),
            (Numbers{0, 1, 1, 0, 1, 0, 0, 1, 1}));
  EXPECT_EQ((Numbers{double(p.frm_DoKu.tmrPegel.interval()), double(p.frm_DoKu.tmrCQ_PAUSE.interval()),
                     double(p.frm_DoKu.progressbar3.max()), double(p.frm_DoKu.progressbar4.max())}),
            (Numbers{20, 9000, 600, 25}));
  EXPECT_EQ((Numbers{double(p.frm_DoKu.left()), double(p.mainWindowLeft), double(p.frm_DoKu.top()),
                     double(p.mainWindowHeight), double(p.frm_DoKu.height()), double(f.left()),
                     double(f.top()), double(p.frm_Oszi.left()), double(p.frm_Oszi.top())}),
            (Numbers{300, 300, 450, 5000, 5000, 600, 750, 900, 1050}));
  // clang-format on
  EXPECT_TRUE(p.frm_Oszi.lbl_TX.visible());
  EXPECT_FALSE(f.visible());
}

TEST_F(SettingsFileTest, FileOfTheWindowsVersionWithout34thLineIsCompleteAndTakesTheDefault) {
  std::vector<std::string> file = fresh();
  file.resize(33);
  line(file, 3) = "DL0OLD";
  Program& p = startWith(file);
  EXPECT_TRUE(t.services.messages().empty());
  EXPECT_FALSE(fs::exists(ini() + ".bad"));
  EXPECT_EQ(p.networkName, "DL0OLD");
  EXPECT_EQ(p.txTimeoutSeconds, 300);
}

// The values of lines 35-43 when the file gives none.
void expectLaterLineDefaults(const Program& p) {
  EXPECT_EQ(laterLineValues(p), (std::vector<std::string>{"", "default", "serial", "0", "1",
                                                          "localhost:4532", "", "3", "10", "wav",
                                                          "", "0"}));
}

TEST_F(SettingsFileTest, FilesOf33And34LinesReadAsBeforeAndAreSavedWithAllLines) {
  for (size_t count : {33u, 34u}) {
    TestProgram other;
    std::vector<std::string> file = freshSettingsLines(other.folder());
    line(file, 3) = "DL0OLD";
    line(file, 34) = "120";
    file.resize(count);
    writeSettings(other.file("Tonvogel.ini"), file);
    Program& p = other.build();
    ASSERT_TRUE(p.startUp());
    EXPECT_TRUE(other.services.messages().empty()) << count;
    EXPECT_FALSE(fs::exists(other.file("Tonvogel.ini.bad"))) << count;
    EXPECT_EQ(p.networkName, "DL0OLD");
    EXPECT_EQ(p.txTimeoutSeconds, count == 34 ? 120 : 300);
    expectLaterLineDefaults(p);

    p.settingsWindow.pressSave();
    const std::vector<std::string> saved = readLines(other.file("Tonvogel.ini"));
    ASSERT_EQ(saved.size(), 43u) << count;
    const std::vector<std::string> fresh = freshSettingsLines(other.folder());
    EXPECT_EQ(saved[26], "      15        15");  // save writes the window line's columns
    for (size_t i = 1; i < saved.size(); ++i) {
      if (i == 26) continue;
      EXPECT_EQ(saved[i], i < count ? file[i] : fresh[i]) << "line " << i + 1 << " of " << count;
    }
  }
}

TEST_F(SettingsFileTest, LaterLinesEmptyOrUnreadableGiveTheirDefaultsAndNeverACorruptFile) {
  const std::vector<std::string> odd = {"plug\rhw:1", "pul\rse",    "fm x T9",
                                        "rig:99999",  "/dev/x\r 4", "-3",
                                        "ogg",        "rm\r-rf /",  "lots"};
  for (bool empty : {true, false}) {
    TestProgram other;
    std::vector<std::string> file = freshSettingsLines(other.folder());
    for (int n = 35; n <= 43; ++n) line(file, n) = empty ? "" : odd[static_cast<size_t>(n - 35)];
    file.push_back("a line after the last is never read");
    writeSettings(other.file("Tonvogel.ini"), file);
    Program& p = other.build();
    ASSERT_TRUE(p.startUp());
    EXPECT_TRUE(other.services.messages().empty()) << empty;
    EXPECT_FALSE(fs::exists(other.file("Tonvogel.ini.bad"))) << empty;
    expectLaterLineDefaults(p);
    EXPECT_EQ(p.frm_Mehr.cb_Keying.text(), "serial");
    EXPECT_EQ(p.frm_Mehr.ed_BusyWait.text(), "10");
  }
}

TEST_F(SettingsFileTest, TableHasAnEntryPerLineAndEachSavedLineReadsBackTheSame) {
  std::vector<std::string> file = fresh();
  // Values away from the defaults, so that a line that loses its value shows.
  const std::vector<std::pair<int, std::string>> kept = {
      {3, "DB0XYZ"},
      {4, "22050"},
      {7, "5"},
      {8, std::string("46-198") + kPinLineComment},
      {9, "55"},
      {10, "2.5"},
      {12, "6"},
      {14, "9"},
      {15, "25"},
      {16, "0"},
      {22, "20"},
      {26, "9"},
      {34, "120"},
      {35, "plughw:CARD=Device,DEV=0"},
      {36, "pulse"},
      {37, "rigctld 200 T3"},
      {38, "shack-pi:4533"},
      {39, "/dev/hidraw2 4"},
      {40, "0"},
      {41, "opus"},
      {42, "notify-send \"new recording\""},
      {43, "2048"}};
  for (const auto& [n, value] : kept) line(file, n) = value;
  line(file, 25) = "1";
  Program& p = startWith(file);
  const std::vector<SettingsLine>& table = p.settingsFile.table();
  ASSERT_EQ(table.size(), 43u);
  for (const auto& [n, value] : kept)
    EXPECT_EQ(table[static_cast<size_t>(n - 1)].save(), value) << "line " << n;

  SettingsLine::Warnings warnings;
  for (size_t i = 1; i < table.size(); ++i) {
    const std::string written = table[i].save();
    table[i].apply(written, warnings);
    EXPECT_EQ(table[i].save(), written) << "line " << i + 1;
  }
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(p.settingsFile.defaultLines().size(), table.size());
}

TEST_F(SettingsFileTest, KeyingLineFillsThreeFieldsAndIsSavedInItsOneForm) {
  std::vector<std::string> file = fresh();
  line(file, 37) = " RIGCTLD  t3 ";
  Program& p = startWith(file);
  MoreSettingsForm& more = p.frm_Mehr;
  EXPECT_EQ(p.keyingMethod, KeyingMethod::Rigctld);
  EXPECT_EQ(p.txDelayMs, 150);
  EXPECT_EQ(p.rigPttCommand, 3);
  EXPECT_EQ(more.cb_Keying.text(), "rigctld");
  EXPECT_EQ(more.ed_TxDelay.text(), "150");
  EXPECT_EQ(more.cb_PttCommand.text(), "T3");
  save();
  EXPECT_EQ(lines().at(36), "rigctld 150 T3");

  // A delay left at a method's default follows the method; one the user set stays.
  more.cb_Keying.userSelected(2);  // cm108
  EXPECT_EQ(more.ed_TxDelay.text(), "0");
  save();
  EXPECT_EQ(lines().at(36), "cm108 0 T3");
  more.ed_TxDelay.userEdited("30");
  more.cb_Keying.userSelected(1);  // rigctld
  more.cb_PttCommand.userSelected(0);
  save();
  EXPECT_EQ(lines().at(36), "rigctld 30 T1");
  EXPECT_EQ(p.txDelayMs, 30);

  // Typed words the line cannot hold are saved as what they read as.
  more.cb_Keying.userEdited("vox");
  more.ed_TxDelay.userEdited("soon");
  save();
  EXPECT_EQ(lines().at(36), "serial 0");
  EXPECT_EQ(more.cb_Keying.text(), "serial");
}

TEST_F(SettingsFileTest, PauseAfterSilenceIsNeverSavedBelowFourSeconds) {
  Program& p = start();
  EditField& pause = p.frm_Einstellungen.ed_PauseStille;
  for (auto [typed, stored] : {std::pair{"2", "4"}, {"3.9", "4"}, {"4", "4"}, {"12", "12"}}) {
    pause.userEdited(typed);
    save();
    EXPECT_EQ(lines().at(11), stored) << typed;
    EXPECT_EQ(pause.text(), stored) << typed;
    EXPECT_EQ(p.pauseAfterSilence, std::stod(stored)) << typed;
  }
}

TEST_F(SettingsFileTest, WindowEdgesBelow15AreRaisedOnReadAndBeforeSaving) {
  std::vector<std::string> file = fresh();
  line(file, 27) = "0         4005";
  line(file, 28) = "-100";
  line(file, 29) = "0";
  line(file, 30) = "-1";
  line(file, 31) = "-7";
  line(file, 32) = "3";
  Program& p = startWith(file);
  EXPECT_EQ(p.frm_DoKu.left(), 15);
  EXPECT_EQ(p.frm_DoKu.top(), 15);
  EXPECT_EQ(p.frm_Einstellungen.left(), 15);
  EXPECT_EQ(p.frm_Einstellungen.top(), 15);
  EXPECT_EQ(p.frm_Oszi.left(), 15);
  EXPECT_EQ(p.frm_Oszi.top(), 15);

  p.frm_DoKu.userMoved(-45, 0);
  p.frm_Einstellungen.userMoved(14, -300);
  save();
  const std::vector<std::string> saved = lines();
  EXPECT_EQ(saved.at(26), "      15      4005");
  EXPECT_EQ(saved.at(27), "15");
  EXPECT_EQ(saved.at(28), "15");
  EXPECT_EQ(saved.at(29), "15");
}

TEST_F(SettingsFileTest, MainWindowLineHoldsTwoRightAlignedColumnsAndReadsBack) {
  Program& p = start();
  p.frm_DoKu.userResized(5325, 4005);
  t.loop.runFor(500);  // the size is handled once the drag has ended
  const std::string stored = lines().at(26);
  EXPECT_EQ(stored, "      15      4005");
  EXPECT_EQ(p.frm_DoKu.left(), 15);
  EXPECT_EQ(p.mainWindowHeight, 4005);
  EXPECT_EQ(p.frm_DoKu.height(), 4005);
}

TEST_F(SettingsFileTest, PolarityOtherThanPlusInvertsThePttAndIsSavedAsMinus) {
  for (const char* polarity : {"-", "x"}) {
    TestProgram other;
    std::vector<std::string> file = freshSettingsLines(other.folder());
    line(file, 8) = std::string("71") + polarity + "689" + kPinLineComment;
    writeSettings(other.file("Tonvogel.ini"), file);
    Program& p = other.build();
    ASSERT_TRUE(p.startUp());
    EXPECT_EQ(p.pttInverted, "1") << polarity;
    EXPECT_EQ(p.pttPin, 7);
    EXPECT_EQ(p.autoCqPin, 9);
    p.settingsWindow.pressSave();
    EXPECT_EQ(readLines(other.file("Tonvogel.ini")).at(7), std::string("71-689") + kPinLineComment);
  }
}

TEST_F(SettingsFileTest, ParrotOnTurnsPlayAllOffEvenWhenTheFileHoldsBothOn) {
  std::vector<std::string> file = fresh();
  line(file, 24) = "1";
  line(file, 25) = "1";
  Program& p = startWith(file);
  EXPECT_EQ(p.parrotFlag, 1);
  EXPECT_EQ(p.frm_Einstellungen.chkPapagei.value(), 1);
  EXPECT_EQ(p.frm_Einstellungen.chkFortlaufend.value(), 0);
  EXPECT_EQ(p.playAllFlag, 0);
  EXPECT_TRUE(p.frm_DoKu.lblCQ.visible());
  EXPECT_TRUE(p.frm_DoKu.cmd_PAPA.visible());
}

TEST_F(SettingsFileTest, ShortFileIsReportedKeptAsBadAndReplacedByTheDefaults) {
  std::vector<std::string> file = fresh();
  line(file, 3) = "BADNET";
  file.resize(32);
  writeSettings(ini(), file);
  const std::string old = readFile(ini());
  Program& p = start();

  // No language is in force yet: the message has its fixed parts and the path only.
  const std::vector<std::string> shown = t.services.messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "      \r     [" + t.folder() + "/Tonvogel.ini]\r      \r\r");
  EXPECT_EQ(readFile(ini() + ".bad"), old);
  EXPECT_EQ(lines(), fresh());
  EXPECT_EQ(p.networkName, "QQ0QQ");
  EXPECT_FALSE(p.ended());
  EXPECT_TRUE(p.frm_DoKu.visible());
}

TEST_F(SettingsFileTest, CorruptFileMessageUsesTheTextsInForce) {
  Program& p = start();
  std::vector<std::string> file = fresh();
  file.resize(32);
  writeSettings(ini(), file);
  p.applySettings();
  const std::vector<std::string> shown = t.services.messages();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "     Die Datei \r     [" + t.folder() + "/Tonvogel.ini]\r" +
                          "     ist ungültig! \r\rDas Programm startet in der Grundeinstellung!");
}

TEST_F(SettingsFileTest, ValuesTheControlsCannotTakeMakeTheFileCorrupt) {
  for (auto [number, value] : {std::pair{5, "7"}, {5, "-1"}, {16, "3"}}) {
    TestProgram other;
    std::vector<std::string> file = freshSettingsLines(other.folder());
    line(file, number) = value;
    writeSettings(other.file("Tonvogel.ini"), file);
    Program& p = other.build();
    ASSERT_TRUE(p.startUp());
    EXPECT_EQ(other.services.messages().size(), 1u) << number << " " << value;
    EXPECT_TRUE(fs::exists(other.file("Tonvogel.ini.bad"))) << number << " " << value;
    EXPECT_EQ(readLines(other.file("Tonvogel.ini")).at(static_cast<size_t>(number - 1)),
              freshSettingsLines(other.folder()).at(static_cast<size_t>(number - 1)));
  }
}

TEST_F(SettingsFileTest, FileWithLfEndsIsReadAsWell) {
  std::string bytes;
  std::vector<std::string> file = fresh();
  line(file, 3) = "DL0LF";
  for (const std::string& l : file) bytes += l + "\n";
  writeFile(ini(), bytes);
  Program& p = start();
  EXPECT_EQ(p.networkName, "DL0LF");
  EXPECT_TRUE(t.services.messages().empty());
}

TEST_F(SettingsFileTest, FailedWriteKeepsTheOldFileTellsTheUserOnceAndKeepsTheFieldsInForce) {
  Program& p = start();
  const std::string old = readFile(ini());
  if (geteuid() == 0) {
    fs::create_directory(ini() + ".tmp");  // root writes anywhere: block the temporary file
  } else {
    fs::permissions(t.folder(), fs::perms::owner_read | fs::perms::owner_exec);
  }
  p.frm_Einstellungen.ed_FunkName.userEdited("KEPT");
  save();
  EXPECT_EQ(readFile(ini()), old);
  EXPECT_EQ(t.services.messages().size(), 1u);
  EXPECT_FALSE(p.ended());
  // What the user accepted is in force from memory, not undone by the older file.
  EXPECT_EQ(p.networkName, "KEPT");
  EXPECT_EQ(p.frm_Einstellungen.ed_FunkName.text(), "KEPT");
  EXPECT_TRUE(p.frm_DoKu.visible());
  save();
  EXPECT_EQ(t.services.messages().size(), 1u) << "told once until a save succeeds";
  t.loop.runFor(5000);
  EXPECT_FALSE(p.ended());
}

TEST_F(SettingsFileTest, AFolderOfTheWindowsProgramGivesWayToTheProgramFolderUntilOneIsChosen) {
  std::vector<std::string> file = fresh();
  const std::string windows = R"(C:\Funk\Tonvogel)";
  line(file, 2) = windows;
  line(file, 19) = "1";  // logging into the dated tree
  line(file, 5) = "2";   // told in English, the file's language, from the first start on
  Program& p = startWith(file);
  EXPECT_TRUE(t.noticed("comes from the Windows program"));

  EXPECT_EQ(p.recordingsFolder, t.folder());
  EXPECT_EQ(p.frm_Einstellungen.ed_PfadDoku.text(), windows);
  EXPECT_TRUE(fs::is_directory(t.file("CQFiles")));
  EXPECT_TRUE(t.services.messages().empty());
  EXPECT_TRUE(t.noticed(windows));
  // Saved and applied again: the line keeps its text, the notice is not repeated.
  save();
  EXPECT_EQ(lines().at(1), windows);
  EXPECT_EQ(p.recordingsFolder, t.folder());
  const auto& history = p.notices.history();
  EXPECT_EQ(std::count_if(history.begin(), history.end(),
                          [&](const auto& n) { return n.text.find(windows) != std::string::npos; }),
            1);
  for (const auto& entry : fs::directory_iterator(t.folder()))
    EXPECT_EQ(entry.path().filename().string().find('\\'), std::string::npos)
        << "a folder named after the Windows path: " << entry.path();

  // The user's choice of a folder ends it.
  const std::string chosen = t.file("rec");
  fs::create_directory(chosen);
  t.services.folderAnswers.push_back(chosen);
  p.settingsWindow.cmdPfad_Click();
  save();
  EXPECT_EQ(p.recordingsFolder, chosen);
  EXPECT_EQ(lines().at(1), chosen);
}

TEST_F(SettingsFileTest, MissingRecordingsFolderIsReportedAndTheRestOfTheFileApplied) {
  std::vector<std::string> file = fresh();
  const std::string gone = t.file("gone/rec");
  line(file, 2) = gone;
  line(file, 3) = "DB0ABC";
  line(file, 26) = "9";
  writeSettings(ini(), file);
  const std::string old = readFile(ini());
  Program& p = start();
  // The empty list's own word on the missing folder, a notice at start-up with no box for
  // an unattended station to wait on. No CQ folder is tried in a folder that has gone.
  EXPECT_TRUE(t.services.messages().empty());
  const auto& shown = p.notices.history();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].text.find(gone), std::string::npos) << shown[0].text;
  EXPECT_FALSE(fs::exists(t.file("gone")));
  EXPECT_EQ(p.recordingsFolder, gone);
  EXPECT_EQ(p.networkName, "DB0ABC");
  EXPECT_EQ(p.frm_DoKu.tmrCQ_PAUSE.interval(), 9000);
  EXPECT_EQ(readFile(ini()), old);
  EXPECT_FALSE(fs::exists(ini() + ".bad"));
}

TEST_F(SettingsFileTest, TextsAreStoredInWindows1252UnlessItLacksACharacter) {
  Program& p = start();
  const std::string folder = t.file("Записи");
  fs::create_directories(folder + "/W");
  p.frm_Einstellungen.ed_PfadDoku.userEdited(folder);
  p.frm_Einstellungen.ed_FunkName.userEdited("Bär€");
  save();
  EXPECT_EQ(lines().at(1), folder);  // kept as UTF-8
  EXPECT_EQ(lines().at(2), "B\xE4r\x80");
  EXPECT_EQ(p.recordingsFolder, folder);
  EXPECT_EQ(p.networkName, "Bär€");
  EXPECT_TRUE(fs::is_directory(folder + "/CQFiles"));
  EXPECT_TRUE(t.services.messages().empty());
}

}  // namespace
}  // namespace tv::test
