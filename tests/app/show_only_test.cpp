#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/program.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
constexpr int L = MouseButton::Left;

// 8-bit mono at 8000 Hz: `ms` milliseconds of sound.
void writeWave(const std::string& path, int ms) {
  fs::create_directories(fs::path(path).parent_path());
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
}

// Every name in the folder with a digest of its contents: what a copy wrote there.
std::set<std::string> folderContents(const std::string& folder) {
  std::set<std::string> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string name = fs::relative(e.path(), folder).string();
    const std::string bytes = e.is_regular_file() ? readFile(e.path().string()) : "";
    entries.insert(name + " " + std::to_string(std::hash<std::string>{}(bytes)));
  }
  return entries;
}

bool played(const ScriptedSoundSystem& sound) {
  const auto& events = sound.events();
  return std::any_of(events.begin(), events.end(),
                     [](const std::string& e) { return e.starts_with("play "); });
}

// A station's folder, set to record at start and to key through its serial port, and a
// recording somewhere else that the file manager hands over.
struct ShowOnly : testing::Test {
  explicit ShowOnly(const std::string& languageLine = "2") {
    settings = freshSettingsLines(t.folder());
    line(settings, 5) = languageLine;
    line(settings, 16) = "1";  // the recorder on at start
    line(settings, 20) = "1";  // transmit control through the port
    writeSettings(t.file("Tonvogel.ini"), settings);
    sound = t.temp.path() + "/elsewhere/a take.wav";
    writeWave(sound, 2000);
    t.sound = &soundSystem;
  }
  Program& start() {
    t.showOnlyFile = sound;
    before = folderContents(t.folder());
    Program& p = t.build();
    started = p.startToShow();
    t.loop.runFor(200);
    return p;
  }
  Program& p() { return t.p(); }

  TestProgram t;
  ScriptedSoundSystem soundSystem{t.clock};
  std::vector<std::string> settings;
  std::string sound;
  std::set<std::string> before;
  bool started = false;
};

TEST_F(ShowOnly, ShowsAndPlaysTheFileInThePlaybackWindowAlone) {
  start();
  ASSERT_TRUE(started);
  EXPECT_TRUE(p().frm_Oszi.visible());
  EXPECT_EQ(p().frm_Oszi.lblFile.caption(), sound);
  EXPECT_EQ(p().player.chosenFile, sound);
  EXPECT_EQ(p().player.durationText, "   2.00");
  EXPECT_TRUE(played(soundSystem));
  // The file itself plays: no copy of it is written anywhere.
  EXPECT_EQ(p().player.currentWave, sound);
  // No main window, and with it no tray icon; no settings window.
  EXPECT_FALSE(p().frm_DoKu.loaded());
  EXPECT_FALSE(p().frm_Einstellungen.visible());
  // Nothing that keys: the TX buttons are gone, as with transmit control off.
  EXPECT_FALSE(p().frm_Oszi.lbl_TX.visible());
  EXPECT_FALSE(p().frm_Oszi.cmdPap2.visible());
  EXPECT_FALSE(p().frm_Oszi.sli_Speed.visible());
}

TEST_F(ShowOnly, StartsNoStationAndWritesNothingIntoTheFolder) {
  start();
  // A minute and more: the recorder's, the port watch's and the clock's timers would all
  // have acted by now.
  t.loop.runFor(70'000);
  EXPECT_EQ(p().recorderOn, 0);
  EXPECT_FALSE(p().recorder.running());
  EXPECT_TRUE(soundSystem.inputOpenings().empty()) << "the input was opened";
  EXPECT_TRUE(t.serial.openedNames().empty()) << "the port was opened";
  EXPECT_FALSE(t.serial.dtr());
  EXPECT_FALSE(p().holdsFolderLock);
  p().shutdownRoutine();
  EXPECT_TRUE(p().ended());
  EXPECT_EQ(t.loop.exitCode(), 0);
  EXPECT_EQ(folderContents(t.folder()), before) << "settings, log or working files written";
  const std::string ownFolder = p().programFolder;
  t.program.reset();
  EXPECT_FALSE(fs::exists(ownFolder)) << "the copy's own working folder is left behind";
  EXPECT_FALSE(fs::exists(t.shell.autostartFolder())) << "a start-at-login entry written";
}

TEST_F(ShowOnly, ClosingThePlaybackWindowEndsTheProgramAndItsSound) {
  start();
  ASSERT_TRUE(p().player.playing);
  p().frm_Oszi.userClose();
  EXPECT_TRUE(p().ended());
  EXPECT_TRUE(t.loop.quitRequested());
  EXPECT_EQ(t.loop.exitCode(), 0);
  EXPECT_FALSE(p().player.playing);
  EXPECT_EQ(folderContents(t.folder()), before);
}

TEST_F(ShowOnly, LeavingThePlaybackWindowByItsBackButtonEndsTheProgram) {
  start();
  p().frm_Oszi.cmd_Os_Zurück.click();
  EXPECT_TRUE(p().ended());
  EXPECT_EQ(t.loop.exitCode(), 0);
}

TEST_F(ShowOnly, WithoutASettingsFileNeitherTheInstallationWindowNorAFile) {
  fs::remove(t.file("Tonvogel.ini"));
  t.shell.language = "de";
  start();
  ASSERT_TRUE(started);
  EXPECT_FALSE(p().frm_inst.loaded());
  EXPECT_EQ(p().languageCode, "DL");
  EXPECT_TRUE(p().frm_Oszi.visible());
  EXPECT_FALSE(fs::exists(t.file("Tonvogel.ini")));
}

TEST_F(ShowOnly, SpeaksTheLanguageOfTheSettings) {
  // The German file: the playback window reads as in a normal German start.
  TestProgram station;
  std::vector<std::string> german = freshSettingsLines(station.folder());
  writeSettings(station.file("Tonvogel.ini"), german);
  ASSERT_TRUE(station.build().startUp());

  line(settings, 5) = "1";
  writeSettings(t.file("Tonvogel.ini"), settings);
  start();
  EXPECT_EQ(p().languageCode, "DL");
  EXPECT_FALSE(p().frm_Oszi.lblFreqNorm.caption().empty());
  EXPECT_EQ(p().frm_Oszi.lblFreqNorm.caption(), station.p().frm_Oszi.lblFreqNorm.caption());
  EXPECT_EQ(p().frm_Oszi.cmdStop.caption(), station.p().frm_Oszi.cmdStop.caption());
}

TEST_F(ShowOnly, AFileThatIsNoSoundFileIsSaidSoAndTheCopyEnds) {
  std::string bytes = readFile(sound);
  bytes[3] = 'X';  // RIFX: the big-endian form, which is not read
  writeFile(sound, bytes);
  start();
  EXPECT_FALSE(started);
  ASSERT_FALSE(t.services.messages().empty());
  EXPECT_EQ(t.services.shown.back().title, "Error");
  EXPECT_TRUE(p().ended());
  EXPECT_EQ(p().exitCode(), 2);
}

// A file handed over to the copy that runs as the station.
struct HandedOver : testing::Test {
  HandedOver() {
    std::vector<std::string> settings = freshSettingsLines(t.folder());
    line(settings, 16) = "1";
    writeSettings(t.file("Tonvogel.ini"), settings);
    sound = t.temp.path() + "/elsewhere/a take.wav";
    writeWave(sound, 1500);
    soundSystem.devices = {{"default", "", SoundDevice::Kind::desktopDefault}};
    t.sound = &soundSystem;
    t.build();
  }
  Program& p() { return t.p(); }

  TestProgram t;
  ScriptedSoundSystem soundSystem{t.clock};
  std::string sound;
};

TEST_F(HandedOver, TheStationShowsAndPlaysItAndRecordsOn) {
  ASSERT_TRUE(p().startUp());
  ASSERT_TRUE(p().recorder.running());
  p().frm_Oszi.hide();
  p().showSoundFile(sound);
  t.loop.runFor(200);
  EXPECT_TRUE(p().frm_Oszi.visible());
  EXPECT_EQ(p().frm_Oszi.lblFile.caption(), sound);
  EXPECT_EQ(p().player.chosenFile, sound);
  EXPECT_TRUE(played(soundSystem));
  EXPECT_TRUE(p().recorder.running());
  EXPECT_TRUE(p().frm_DoKu.visible());
  // Its window closes as ever: hidden, the station runs on.
  p().frm_Oszi.userClose();
  EXPECT_FALSE(p().ended());
  EXPECT_FALSE(p().frm_Oszi.visible());
}

TEST_F(HandedOver, AFileThatArrivesDuringStartUpIsShownOnceTheWindowsAreUp) {
  p().showSoundFile(sound);
  EXPECT_FALSE(p().frm_Oszi.visible());
  ASSERT_TRUE(p().startUp());
  t.loop.runFor(200);
  EXPECT_TRUE(p().frm_Oszi.visible());
  EXPECT_EQ(p().player.chosenFile, sound);
}

}  // namespace
}  // namespace tv::test
