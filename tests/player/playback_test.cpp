#include "player/player.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
constexpr int L = MouseButton::Left;

// 8-bit mono at 8000 Hz: `ms` milliseconds of sound.
void writeWave(const std::string& path, int ms) {
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
}

struct Playback : testing::Test {
  explicit Playback(bool withOutput = true) {
    if (withOutput) t.sound = &sound;
    t.build();
    started = t.p().startUp();
    wave = t.file("take one.wav");
    writeWave(wave, 2000);
  }
  Program& p() { return t.p(); }
  Player& player() { return t.p().player; }
  PlaybackForm& window() { return t.p().frm_Oszi; }

  // The user picks `path` through the main window's sound-files button.
  void openFromMainWindow(const std::string& path) {
    t.services.fileAnswers.push_back(path);
    p().frm_DoKu.lbl_LoadWave.mouseDown(L, 0, 0, 0);
    t.loop.runFor(150);
  }
  void pressPlay() {
    window().lblFreqNorm.mouseDown(L, 0, 0, 0);
    window().lblFreqNorm.mouseUp(L, 0, 0, 0);
  }
  void clickStop() {
    window().cmdStop.mouseDown(L, 0, 0, 0);
    window().cmdStop.mouseUp(L, 0, 0, 0);
    window().cmdStop.click();
  }
  // The player's commands without the position polls between them.
  std::vector<std::string> commands() const {
    std::vector<std::string> sent;
    for (const MciLogEntry& e : t.program->mci.log())
      if (e.command != "status waveplayfile position") sent.push_back(e.command);
    return sent;
  }
  std::string lastPlay() const {
    for (auto e = sound.events().rbegin(); e != sound.events().rend(); ++e)
      if (e->starts_with("play ")) return *e;
    return "";
  }

  TestProgram t;
  ScriptedSoundSystem sound{t.clock};
  bool started = false;
  std::string wave;
};

TEST_F(Playback, ASoundChosenInTheMainWindowPlaysToItsEndAndShowsWhereItIs) {
  ASSERT_TRUE(started);
  SettingsForm& s = p().frm_Einstellungen;
  s.ed_PfadDoku.setText(t.folder());
  s.ed_FK.setText("1");
  fs::create_directories(t.file("fk_1"));
  openFromMainWindow(wave);

  const ScriptedServices::Shown& dialog = t.services.shown.back();
  EXPECT_EQ(dialog.kind, "open");
  EXPECT_EQ(dialog.title, "Open Wave File");
  EXPECT_EQ(dialog.text, t.file("fk_1"));  // the network's folder, as it is spelt on disk
  EXPECT_TRUE(window().visible());
  EXPECT_EQ(window().lblFile.caption(), wave);
  EXPECT_EQ(window().lbl_sek.caption(), "2.0 s");
  EXPECT_EQ(p().frm_DoKu.lbl_LoadWave.borderStyle(), Look::Flat);
  ASSERT_TRUE(player().playing);
  EXPECT_EQ(player().playLength, 2000);
  EXPECT_EQ(window().lblFreqNorm.borderStyle(), Look::On);

  t.loop.runFor(1000);
  EXPECT_NEAR(window().slider.value(), 500'000, 25'000);
  t.loop.runFor(1100);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(window().slider.value(), 1'000'000);
  EXPECT_EQ(window().lbl_pos.caption(), "2.00");
  EXPECT_EQ(window().lblFreqNorm.borderStyle(), Look::Off);
  EXPECT_FALSE(window().tmrplaywave.enabled());
}

// A file neither reader can use is refused with one message that says why, through the
// main window's button and through the playback window's open dialog; nothing of it is
// played and the file shown before stays.
TEST_F(Playback, AFileThatCannotBeUsedIsRefusedOnceAndNothingMoreIsDone) {
  ASSERT_TRUE(started);
  openFromMainWindow(wave);
  clickStop();
  const std::string bad = t.file("twelve bit.wav");
  WavBytes().canonicalStart(2, 8000, 12).id("data").u32(3000).fill(3000, 7).writeTo(bad);
  const auto opens = [this] {
    const auto sent = commands();
    return std::count_if(sent.begin(), sent.end(),
                         [](const std::string& c) { return c.starts_with("open "); });
  };
  const auto opensBefore = opens();

  openFromMainWindow(bad);
  t.loop.runFor(1000);
  ASSERT_EQ(t.services.messages().size(), 1u);
  EXPECT_NE(t.services.messages()[0].find("12-bit"), std::string::npos) << t.services.messages()[0];
  EXPECT_NE(t.services.messages()[0].find(bad), std::string::npos);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(window().lblFile.caption(), wave);
  EXPECT_EQ(player().currentWave, wave);

  t.services.fileAnswers.push_back(bad);
  player().OpenWaveDialog();
  t.loop.runFor(1000);
  EXPECT_EQ(t.services.messages().size(), 2u);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(opens(), opensBefore);
}

TEST_F(Playback, SendsTheCommandStringsOfPlaySeekPauseAndStopAsTheyStand) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  t.loop.runFor(500);
  window().cmd_Unterbrechen.mouseDown(L, 0, 0, 0);
  const int held = window().slider.value();
  const std::string at = std::to_string((held * 2000LL + 500'000) / 1'000'000);
  window().cmd_Unterbrechen.mouseUp(L, 0, 0, 0);
  window().slider.mouseDown(L, 0, 0, 0);
  window().slider.userMoved(750'000);
  window().slider.mouseUp(L, 0, 0, 0);
  clickStop();

  // "Play" plays the file at the speed slider's speed (normal here): its press starts and
  // stops it, its release starts it. A path with a blank goes in double quotes.
  const std::string open = "open \"" + wave + "\" alias waveplayfile";
  EXPECT_EQ(commands(), (std::vector<std::string>{
                            open, "set waveplayfile time format ms", "status waveplayfile length",
                            "seek waveplayfile to  0", "play waveplayfile from  0",
                            "stop waveplayfile", "close waveplayfile",
                            open, "set waveplayfile time format ms", "status waveplayfile length",
                            "seek waveplayfile to  0", "play waveplayfile from  0",
                            "stop waveplayfile",  // held by Pause
                            "seek waveplayfile to  " + at, "play waveplayfile from  " + at,
                            "seek waveplayfile to  1500", "play waveplayfile from  1500",
                            "stop waveplayfile", "close waveplayfile"}));
  for (const MciLogEntry& e : p().mci.log()) EXPECT_TRUE(e.ok) << e.command << ": " << e.reply;
}

TEST_F(Playback, PlayResumesWhereStopHeldItAndStartsOverAfterTheEnd) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  t.loop.runFor(1000);
  clickStop();
  EXPECT_FALSE(player().playing);
  const int stoppedAt = player().resumePosition;
  EXPECT_NEAR(stoppedAt, 500'000, 25'000);
  EXPECT_TRUE(p().frm_DoKu.visible());

  pressPlay();
  EXPECT_EQ(lastPlay(), "play " + std::to_string((stoppedAt * 2000LL + 500'000) / 1'000'000));
  t.loop.runFor(1200);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(player().resumePosition, 1'000'000);

  pressPlay();
  EXPECT_EQ(lastPlay(), "play 0");
}

TEST_F(Playback, PauseHoldsTheSoundAndTheSliderUntilReleased) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  t.loop.runFor(600);
  window().cmd_Unterbrechen.mouseDown(L, 0, 0, 0);
  const int held = window().slider.value();
  const std::string position = p().mci.sendString("status waveplayfile position");
  t.loop.runFor(800);
  EXPECT_TRUE(player().playing);
  EXPECT_EQ(window().slider.value(), held);
  EXPECT_EQ(p().mci.sendString("status waveplayfile position"), position);

  window().cmd_Unterbrechen.mouseUp(L, 0, 0, 0);
  EXPECT_EQ(lastPlay(), "play " + std::to_string((held * 2000LL + 500'000) / 1'000'000));
  t.loop.runFor(100);
  EXPECT_GT(window().slider.value(), held);
}

TEST_F(Playback, ReleasingTheSliderWhileStoppedStartsAtTheResumePositionNotTheSlider) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  t.loop.runFor(500);
  clickStop();
  const int resume = player().resumePosition;

  window().slider.mouseDown(L, 0, 0, 0);
  window().slider.userMoved(900'000);
  EXPECT_FALSE(player().playing);
  window().slider.mouseUp(L, 0, 0, 0);
  ASSERT_TRUE(player().playing);
  EXPECT_EQ(lastPlay(), "play " + std::to_string((resume * 2000LL + 500'000) / 1'000'000));
  t.loop.runFor(50);
  EXPECT_LT(window().slider.value(), 900'000);
}

TEST_F(Playback, TheCloseBoxHidesTheWindowAndReleasesTheTransmitter) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  window().show();
  pressPlay();
  window().lbl_TX.click();
  ASSERT_EQ(window().lbl_TX.borderStyle(), Look::On);

  window().userClose();
  EXPECT_FALSE(window().visible());
  EXPECT_TRUE(window().loaded());
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::Off);
  EXPECT_FALSE(p().keying.keyed());
  EXPECT_EQ(window().lblFile.caption(), wave);  // it keeps its state for the next showing
}

TEST_F(Playback, TheSpaceKeyInTheKeyFieldTogglesTheTransmitButton) {
  int key = ' ';
  window().ed1.keyPress(key);
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::On);
  EXPECT_EQ(key, 0);  // nothing is typed into the field
  key = 'a';
  window().ed1.keyPress(key);
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::On);
  key = ' ';
  window().ed1.keyPress(key);
  EXPECT_EQ(window().lbl_TX.borderStyle(), Look::Off);
}

TEST_F(Playback, ContinuousPlaybackWalksTheListAndStopsAfterItsLastEntry) {
  SettingsForm& s = p().frm_Einstellungen;
  s.ed_PfadDoku.setText(t.folder());
  s.chkFortlaufend.setValue(1);
  fs::create_directories(t.file("w"));
  ListBox& list = p().frm_DoKu.lb_Sounds;
  list.clear();
  for (const char* name :
       {"1_12-07-2026_09-00-00.wav", "1_12-07-2026_09-10-00.wav", "1_12-07-2026_09-20-00.wav"}) {
    writeWave(t.file(std::string("w/") + name), 300);
    list.addItem(std::string(name) + "    3.0s");
  }
  list.setListIndex(0);
  list.mouseDown(L, 0, 0, 0);
  list.mouseUp(L, 0, 0, 0);
  ASSERT_TRUE(t.loop.runUntil([&] { return player().playing; }, 1000));

  t.loop.runFor(5000);
  std::vector<std::string> opened;
  for (const std::string& e : sound.events())
    if (e.starts_with("open ")) opened.push_back(fs::path(e.substr(5)).filename().string());
  // "Play" opens each entry on press and release.
  EXPECT_EQ(opened,
            (std::vector<std::string>{"1_12-07-2026_09-00-00.wav", "1_12-07-2026_09-00-00.wav",
                                      "1_12-07-2026_09-10-00.wav", "1_12-07-2026_09-10-00.wav",
                                      "1_12-07-2026_09-20-00.wav", "1_12-07-2026_09-20-00.wav"}));
  EXPECT_EQ(player().chosenFile, t.file("w/1_12-07-2026_09-20-00.wav"));
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(list.listIndex(), 2);
  EXPECT_FALSE(window().tmr_NachStop.enabled());
}

TEST_F(Playback, WithoutContinuousPlaybackTheEndSimplyStops) {
  SettingsForm& s = p().frm_Einstellungen;
  s.ed_PfadDoku.setText(t.folder());
  s.chkFortlaufend.setValue(0);
  fs::create_directories(t.file("w"));
  writeWave(t.file("w/a.wav"), 300);
  writeWave(t.file("w/b.wav"), 300);
  ListBox& list = p().frm_DoKu.lb_Sounds;
  list.setItems({"a.wav", "b.wav"});
  list.setListIndex(0);
  list.mouseUp(L, 0, 0, 0);
  t.loop.runFor(2000);
  EXPECT_EQ(list.listIndex(), 0);
  EXPECT_FALSE(player().playing);
}

TEST_F(Playback, ASoundOfNoLengthStopsAtOnce) {
  const std::string empty = t.file("empty.wav");
  WavBytes().bytes(pcmWave(1, 8000, 8, {})).writeTo(empty);
  player().selectedFile = empty;
  player().ShowLoadedWave();
  pressPlay();
  ASSERT_TRUE(player().playing);
  EXPECT_EQ(player().playLength, 0);
  t.loop.runFor(100);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(player().resumePosition, 1'000'000);
}

TEST_F(Playback, SavingTheSettingsStopsPlayback) {
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  p().settingsWindow.pressSave();
  EXPECT_FALSE(player().playing);
}

struct PlaybackWithoutOutput : Playback {
  PlaybackWithoutOutput() : Playback(false) {}
};

TEST_F(PlaybackWithoutOutput, SaysOnceThatNothingIsHeardAndStillKeepsTime) {
  ASSERT_TRUE(started);
  player().selectedFile = wave;
  player().ShowLoadedWave();
  pressPlay();
  t.loop.runFor(1900);
  EXPECT_TRUE(player().playing);
  t.loop.runFor(200);
  EXPECT_FALSE(player().playing);
  EXPECT_EQ(window().slider.value(), 1'000'000);

  pressPlay();
  t.loop.runFor(2100);
  const std::string told = p().ownMessage(OwnText::NoSoundOutput);
  int times = 0;
  for (const std::string& m : t.services.messages()) times += m == told;
  EXPECT_EQ(times, 1);
  EXPECT_EQ(p().frm_Info.lbl_info.caption(), told);
}

}  // namespace
}  // namespace tv::test
