#include "recorder/sound_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player/waveform.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
constexpr int L = MouseButton::Left;

// The list reads the length of the sound that is there, not what the header claims.
void writeRecording(const std::string& path, double seconds) {
  const auto samples = static_cast<std::uint32_t>(seconds * 11025);
  WavBytes().canonicalStart(1, 11025, 8).id("data").u32(samples).fill(samples, 128).writeTo(path);
}

// Network 1, three days to keep, recordings above 10 s; two recordings of today.
struct SoundListTest : testing::Test {
  SoundListTest() {
    lines = freshSettingsLines(t.folder());
    line(lines, 16) = "0";
    fs::create_directories(w());
    writeRecording(inW(first), 20);
    writeRecording(inW(second), 30);
  }
  Program& start() {
    writeSettings(t.file("Tonvogel.ini"), lines);
    t.build();
    EXPECT_TRUE(t.p().startUp());
    return t.p();
  }
  std::string w() const { return t.file("W"); }
  std::string inW(const std::string& n) const { return w() + "/" + n; }
  MainForm& main() { return t.p().frm_DoKu; }
  ListBox& sounds() { return main().lb_Sounds; }
  void select(int index) {
    sounds().setListIndex(index);
    sounds().mouseDown(L, 0, 0, 0);
    sounds().mouseUp(L, 0, 0, 0);
  }

  const std::string first = "1_12-07-2026_08-00-00.wav";
  const std::string second = "1_12-07-2026_09-00-00.wav";
  TestProgram t;
  std::vector<std::string> lines;
};

TEST_F(SoundListTest, LeftReleaseLoadsAndShowsTheRecording) {
  start();
  ASSERT_EQ(sounds().listCount(), 2);
  select(0);
  EXPECT_EQ(t.p().player.selectedFile, inW(first));
  EXPECT_EQ(t.p().frm_Oszi.lblFile.caption(), inW(first));
  EXPECT_TRUE(t.p().frm_Oszi.visible());
}

// The other button plays the file heard last once more, from where it stopped and at
// normal speed, whichever entry is under the pointer.
TEST_F(SoundListTest, OtherButtonReplaysTheLastFileAtNormalSpeedFromWhereItStopped) {
  WavBytes().bytes(pcmWave(1, 11025, 8, std::vector<std::uint8_t>(20 * 11025, 90))).writeTo(inW(first));
  start();
  Program& p = t.p();
  select(0);
  p.frm_Oszi.sli_Speed.setValue(20);
  p.frm_Oszi.lblFreqNorm.mouseDown(L, 0, 0, 0);
  p.frm_Oszi.lblFreqNorm.mouseUp(L, 0, 0, 0);
  ASSERT_TRUE(p.player.playing);
  t.loop.runFor(3'000);
  p.frm_Oszi.cmdStop.mouseDown(L, 0, 0, 0);
  p.frm_Oszi.cmdStop.mouseUp(L, 0, 0, 0);
  p.frm_Oszi.cmdStop.click();
  const std::int32_t stoppedAt = p.player.resumePosition;
  ASSERT_GT(stoppedAt, 0);
  ASSERT_LT(stoppedAt, 1'000'000);

  constexpr int R = MouseButton::Right;
  sounds().setListIndex(1);
  sounds().mouseDown(R, 0, 0, 0);
  sounds().mouseUp(R, 0, 0, 0);
  // The file heard before plays again, at its own rate; the chosen file stays the same.
  EXPECT_EQ(p.player.chosenFile, inW(first));
  EXPECT_TRUE(p.player.playing);
  EXPECT_EQ(p.player.speedFactor, 1.0);
  EXPECT_EQ(p.frm_Oszi.slider.value(), stoppedAt);
  const auto sinceOpen = [&p] {
    std::vector<std::string> commands;
    for (const MciLogEntry& e : p.mci.log()) {
      if (e.command.starts_with("open ")) commands.clear();
      commands.push_back(e.command);
    }
    return commands;
  };
  ASSERT_FALSE(sinceOpen().empty());
  EXPECT_EQ(sinceOpen().front(), "open " + inW(first) + " alias waveplayfile");
  for (const std::string& command : sinceOpen())
    EXPECT_FALSE(command.starts_with("set waveplayfile samplespersec")) << command;
  EXPECT_TRUE(p.frm_Oszi.visible());

  // Heard to its end: nothing loads the list's entry, or another speed, meanwhile.
  t.loop.runFor(1'000);
  EXPECT_TRUE(p.player.playing);
  EXPECT_EQ(sinceOpen().front(), "open " + inW(first) + " alias waveplayfile");
  ASSERT_TRUE(t.loop.runUntil([&p] { return !p.player.playing; }, 60'000));
  EXPECT_EQ(sinceOpen().front(), "open " + inW(first) + " alias waveplayfile");
}

TEST_F(SoundListTest, PressSetsTheVolumeFromThePercentage) {
  start();
  t.p().frm_Einstellungen.ed_PlayPegel.setText("50");
  sounds().mouseDown(L, 0, 0, 0);
  EXPECT_EQ(t.p().frm_Oszi.sli_Lautst.value(), 65535 - 32767);
  EXPECT_EQ(t.p().playVolume, (32767u << 16) | 32767u);
  // Beyond 100 % the volume word would overflow into the other channel.
  t.p().frm_Einstellungen.ed_PlayPegel.setText("150");
  sounds().mouseDown(L, 0, 0, 0);
  EXPECT_EQ(t.p().playVolume, 0xFFFFFFFFu);
}

TEST_F(SoundListTest, ConfirmedDeletionRemovesTheFileAndRebuildsTheList) {
  start();
  select(0);
  ASSERT_TRUE(main().cmd_File_lö.enabled());
  sounds().dblClick();
  ASSERT_TRUE(t.p().frm_Loe_File.visible());
  EXPECT_EQ(t.p().frm_Loe_File.lbl_Loe_File.caption(), inW(first));
  EXPECT_EQ(t.p().frm_Loe_File.top(), main().top() + 350);
  t.p().frm_Loe_File.cmd_Loe_YES.click();
  EXPECT_FALSE(fs::exists(inW(first)));
  EXPECT_TRUE(fs::exists(inW(second)));
  ASSERT_EQ(sounds().listCount(), 1);
  EXPECT_EQ(sounds().item(0).substr(0, 25), second);
  EXPECT_EQ(sounds().listIndex(), 0);
  EXPECT_FALSE(t.p().frm_Loe_File.visible());
  EXPECT_EQ(t.p().autoRecordFlag, 0);
}

TEST_F(SoundListTest, AnsweringNoKeepsAndReloadsTheRecording) {
  start();
  select(0);
  sounds().dblClick();
  t.p().frm_Loe_File.cmd_Loe_NO.click();
  EXPECT_TRUE(fs::exists(inW(first)));
  EXPECT_EQ(sounds().listCount(), 2);
  EXPECT_EQ(t.p().frm_Oszi.lblFile.caption(), inW(first));
  EXPECT_FALSE(t.p().frm_Loe_File.visible());
}

TEST_F(SoundListTest, DoubleClickWhileTheDeleteButtonIsOffDoesNothing) {
  start();
  select(0);
  // As the recorder leaves it while it is switched on.
  main().cmd_File_lö.setEnabled(false);
  sounds().dblClick();
  EXPECT_FALSE(t.p().frm_Loe_File.visible());
  EXPECT_TRUE(fs::exists(inW(first)));
}

TEST_F(SoundListTest, BlankEntryDeletesNothing) {
  start();
  sounds().setItems({std::string(25, ' ') + "  20.00", sounds().item(1)});
  sounds().setListIndex(0);
  main().cmd_File_lö.mouseDown(L, 0, 0, 0);
  EXPECT_TRUE(fs::exists(inW(first)) && fs::exists(inW(second)));
  EXPECT_TRUE(fs::exists(w()));
  EXPECT_EQ(sounds().listCount(), 2);
}

TEST_F(SoundListTest, AVanishedRecordingIsNotRebuiltAndNothingOutsideIsTouched) {
  start();
  writeRecording(t.file("outside.wav"), 20);
  fs::remove(inW(first));
  sounds().setListIndex(0);
  main().cmd_File_lö.mouseDown(L, 0, 0, 0);
  EXPECT_EQ(sounds().listCount(), 2);  // not rebuilt
  std::string entry = "../outside.wav";
  entry.resize(25, ' ');
  sounds().setItems({entry + "  20.00", sounds().item(1)});
  sounds().setListIndex(0);
  main().cmd_File_lö.mouseDown(L, 0, 0, 0);
  EXPECT_TRUE(fs::exists(t.file("outside.wav")));
}

}  // namespace
}  // namespace tv::test
