#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/sound/sound_file.h"
#include "player/editing.h"
#include "player/waveform.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
constexpr int L = MouseButton::Left;

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::vector<std::uint8_t> readAll(const std::string& path) {
  return readFile(std::filesystem::path(path));
}

// The playback window's own frame, empty.
struct Frame {
  Frame() : frame(t.build().frm_Oszi.frx1) { frame.cls(); }
  // Draws the waveform of a file of these bytes.
  void draw(const std::vector<std::uint8_t>& bytes) {
    WavBytes().bytes(bytes).writeTo(t.file("drawn.wav"));
    auto sound = openSoundFile(t.file("drawn.wav"));
    ASSERT_TRUE(sound) << sound.error().message;
    drawWaveform(frame, waveColumns(**sound, 296), (*sound)->info(), 296, 65);
  }
  TestProgram t;
  DrawingFrame& frame;
};

// The vertical traces drawn after the centre lines.
std::vector<DrawingFrame::Line> traces(const DrawingFrame& f, std::size_t centreLines) {
  return {f.lines().begin() + static_cast<long>(centreLines), f.lines().end()};
}

TEST(Waveform, EightBitMonoIsDrawnAroundOneCentreLineInCyan) {
  std::vector<std::uint8_t> data(100'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = i % 2 ? 255 : 0;
  const auto file = pcmWave(1, 8000, 8, data);
  Frame f;
  f.draw(file);
  const auto& centre = f.frame.lines().front();
  EXPECT_EQ(centre.y1, 32);
  EXPECT_EQ(centre.y2, 32);
  EXPECT_EQ(centre.x2, 296);
  EXPECT_EQ(centre.colour, rgb(0, 255, 255));
  // Step 336 is even, so every column samples a 0 byte: full scale, about 28 below and above.
  const auto t = traces(f.frame, 1);
  ASSERT_GE(t.size(), 296u);
  EXPECT_EQ(t[0].x1, 1);
  EXPECT_EQ(t[0].y1, 32 + 28);
  EXPECT_EQ(t[0].y2, 32 - 28);
}

TEST(Waveform, SixteenBitStereoHasTwoSymmetricTraces) {
  std::vector<std::uint8_t> data;
  for (int i = 0; i < 50'000; ++i) {
    const std::int16_t left = -30'000, right = 15'000;
    for (std::int16_t v : {left, right}) {
      data.push_back(static_cast<std::uint8_t>(v & 0xff));
      data.push_back(static_cast<std::uint8_t>((v >> 8) & 0xff));
    }
  }
  const auto file = pcmWave(2, 8000, 16, data);
  Frame f;
  f.draw(file);
  ASSERT_GE(f.frame.lines().size(), 2u);
  EXPECT_EQ(f.frame.lines()[0].y1, 16);
  EXPECT_EQ(f.frame.lines()[1].y1, 49);
  const auto t = traces(f.frame, 2);
  ASSERT_GE(t.size(), 2u);
  // Absolute values: the negative left channel rises as far as it falls.
  EXPECT_EQ(t[0].y1 + t[0].y2, 32);
  EXPECT_LT(t[0].y1, 16);
  EXPECT_EQ(t[1].y1 + t[1].y2, 98);
  EXPECT_GT(t[1].y2, 49);
}

TEST(Waveform, ShortSoundsShowOnlyTheCentreLine) {
  const auto file = pcmWave(1, 8000, 8, std::vector<std::uint8_t>(1000, 0));
  Frame f;
  f.draw(file);
  EXPECT_EQ(f.frame.lines().size(), 1u);
}

TEST(PeakTable, ShortFilesGetFewEntriesAndTinyOnesNone) {
  const PeakTable t = buildPeakTable(std::vector<std::uint8_t>(80'000, 128));
  EXPECT_EQ(t.count, 100);
  EXPECT_EQ(t.entries[0], 0);
  EXPECT_EQ(t.entries[1], 32'768 + 128 - 32'750);
  EXPECT_EQ(buildPeakTable(std::vector<std::uint8_t>(7, 0)).count, 0);
}

TEST(SpeedCaption, ShowsRateAndFactorWithOneDecimal) {
  EXPECT_EQ(speedCaption(8000, 1.5), " 8000  x  1.5");
  EXPECT_EQ(speedCaption(8000, 1.0), " 8000  x  1.0");
}

struct Editing_ : testing::Test {
  Editing_() {
    t.build();
    started = t.p().startUp();
    p().recordingsFolder = t.folder();
    p().frm_Einstellungen.ed_FK.setText(" 1 ");
  }
  Program& p() { return t.p(); }
  PlaybackForm& window() { return p().frm_Oszi; }
  // A recording of `dataBytes` bytes chosen in the window.
  std::string choose(std::size_t dataBytes, std::uint32_t rate = 8000) {
    std::vector<std::uint8_t> data(dataBytes);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    const std::string path = t.file("take.wav");
    WavBytes().bytes(pcmWave(1, rate, 8, data)).writeTo(path);
    p().player.selectedFile = path;
    p().player.ShowLoadedWave();
    p().player.ReadNormalRate();
    return path;
  }
  // Press and release in the waveform at frame positions (15 twips per unit).
  void mark(int from, int to) {
    window().frx1.mouseDown(L, 0, from * 15, 0);
    window().frx1.mouseUp(L, 0, to * 15, 0);
  }
  void enterCutMode() {
    p().frm_DoKu.cmd_file_neu.mouseDown(L, 0, 0, 0);
    p().frm_DoKu.cmd_file_neu.mouseUp(L, 0, 0, 0);
  }
  std::string cqPath() {
    return findCaseInsensitive(t.folder(), "CQFiles") + "/X_12-07-2026_10-00-00.wav";
  }
  std::string cutPath() {
    return findCaseInsensitive(t.folder(), "W") + "/1_12-07-2026_10-00-00.wav";
  }

  TestProgram t;
  bool started = false;
};

TEST_F(Editing_, TheSpeedSliderPlaysTheFileItselfAtTheNewRate) {
  ASSERT_TRUE(started);
  const std::string source = choose(16'000);
  const auto before = readAll(source);
  window().sli_Speed.setValue(15);
  window().lblFreqNorm.mouseDown(L, 0, 0, 0);
  window().lblFreqNorm.mouseUp(L, 0, 0, 0);
  std::vector<std::string> sinceOpen;
  for (const MciLogEntry& e : p().mci.log()) {
    if (e.command.starts_with("open ")) sinceOpen.clear();
    if (e.command != "status waveplayfile position") sinceOpen.push_back(e.command);
  }
  EXPECT_EQ(sinceOpen,
            (std::vector<std::string>{
                "open " + source + " alias waveplayfile", "set waveplayfile time format ms",
                "set waveplayfile samplespersec 12000", "status waveplayfile length",
                "seek waveplayfile to  0", "play waveplayfile from  0"}));
  // Two seconds at 8000 samples per second last 1333 ms at 12000.
  EXPECT_EQ(p().player.playLength, 1333);
  EXPECT_EQ(window().lblSpeed.caption(), " 8000  x  1.5");
  EXPECT_EQ(p().player.chosenFile, source);
  EXPECT_TRUE(p().player.playing);
  // No copy is written, and the file stays as it was.
  EXPECT_FALSE(fs::exists(t.file("rx.wav")));
  EXPECT_EQ(readAll(source), before);
}

TEST_F(Editing_, AMarkedStretchBecomesACqSoundAndTheRestAnEditedRecording) {
  ASSERT_TRUE(started);
  choose(290'000);
  const auto source = readAll(t.file("take.wav"));
  enterCutMode();
  EXPECT_EQ(window().frx1.mouseIcon(), t.folder() + "/icon/cut.ico");
  mark(100, 200);
  EXPECT_TRUE(window().cmd_Save.enabled());
  window().cmd_Save.mouseDown(L, 0, 0, 0);
  const auto cq = readAll(cqPath());
  ASSERT_EQ(cq.size(), 44u + 99'710);
  EXPECT_EQ(le32(cq, 4), 99'746u);
  EXPECT_EQ(le32(cq, 40), 99'710u);
  EXPECT_EQ(le32(cq, 24), 8000u);
  EXPECT_TRUE(std::equal(cq.begin() + 44, cq.end(), source.begin() + 44 + 100'000));
  EXPECT_EQ(window().frx1.mouseIcon(), t.folder() + "/icon/hand.ico");
  EXPECT_FALSE(window().cmd_Ret.visible());

  // The cut, marked from right to left this time.
  enterCutMode();
  mark(200, 100);
  window().cmd_Kill.mouseDown(L, 0, 0, 0);
  const auto cut = readAll(cutPath());
  ASSERT_EQ(cut.size(), 44u + 190'000);
  EXPECT_EQ(le32(cut, 40), 190'000u);
  EXPECT_EQ(le32(cut, 4), 190'036u);
  EXPECT_TRUE(std::equal(cut.begin() + 44, cut.begin() + 44 + 100'000, source.begin() + 44));
  EXPECT_TRUE(std::equal(cut.begin() + 44 + 100'000, cut.end(), source.begin() + 44 + 200'000));
}

TEST_F(Editing_, AfterACutTheNewRecordingIsOpenAndCanBeCutAgain) {
  ASSERT_TRUE(started);
  choose(290'000);
  enterCutMode();
  mark(100, 200);
  window().cmd_Kill.mouseDown(L, 0, 0, 0);
  EXPECT_FALSE(p().frm_DoKu.cmd_file_neu.visible());
  window().cmd_Kill.mouseUp(L, 0, 0, 0);
  const ListBox& list = p().frm_DoKu.lb_Sounds;
  ASSERT_GT(list.listCount(), 0);
  EXPECT_EQ(list.item(list.listIndex()).substr(0, 25), "1_12-07-2026_10-00-00.wav");
  EXPECT_EQ(p().player.selectedFile, cutPath());
  EXPECT_TRUE(p().frm_DoKu.cmd_file_neu.visible());
  EXPECT_TRUE(window().visible());
}

TEST_F(Editing_, ACutOrSaveUnderANameThatIsTakenIsRefusedAndWritesNothingOver) {
  ASSERT_TRUE(started);
  choose(290'000);
  for (auto* button : {&window().cmd_Kill, &window().cmd_Save}) {
    enterCutMode();
    mark(100, 200);
    button->mouseDown(L, 0, 0, 0);
  }
  const auto cut = readAll(cutPath());
  const auto cq = readAll(cqPath());
  ASSERT_TRUE(t.services.messages().empty());
  // Once more in the same second: both names are taken.
  for (auto* button : {&window().cmd_Kill, &window().cmd_Save}) {
    enterCutMode();
    mark(10, 20);
    button->mouseDown(L, 0, 0, 0);
  }
  EXPECT_EQ(readAll(cutPath()), cut);
  EXPECT_EQ(readAll(cqPath()), cq);
  ASSERT_EQ(t.services.messages().size(), 2u);
  EXPECT_NE(t.services.messages()[0].find(cutPath()), std::string::npos);
  EXPECT_NE(t.services.messages()[1].find(cqPath()), std::string::npos);
}

// The whole way a user goes: choose entry `entry` of the list, enter cut mode, mark from
// `from` to `to` (frame units) and cut.
void cutFromTheList(TestProgram& t, int entry, int from, int to) {
  Program& p = t.p();
  p.frm_DoKu.lb_Sounds.setListIndex(entry);
  p.frm_DoKu.lb_Sounds.mouseDown(L, 0, 0, 0);
  p.frm_DoKu.lb_Sounds.mouseUp(L, 0, 0, 0);
  t.loop.runFor(500);
  p.frm_DoKu.cmd_file_neu.mouseDown(L, 0, 0, 0);
  p.frm_DoKu.cmd_file_neu.mouseUp(L, 0, 0, 0);
  p.frm_Oszi.frx1.mouseDown(L, 0, from * 15, 0);
  p.frm_Oszi.frx1.mouseUp(L, 0, to * 15, 0);
  EXPECT_TRUE(p.frm_Oszi.cmd_Kill.enabled());
  p.frm_Oszi.cmd_Kill.mouseDown(L, 0, 0, 0);
  p.frm_Oszi.cmd_Kill.mouseUp(L, 0, 0, 0);
}

// The whole way a user goes: choose a recording in the list, mark in the window, cut.
TEST(Editing, ARecordingChosenInTheListIsCutOut) {
  TestProgram t;
  std::vector<std::uint8_t> data(30 * 11025);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  fs::create_directories(t.file("W"));
  WavBytes().bytes(pcmWave(1, 11025, 8, data)).writeTo(t.file("W/1_12-07-2026_09-00-00.wav"));
  writeSettings(t.file("Tonvogel.ini"), freshSettingsLines(t.folder()));
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());
  ListBox& list = p.frm_DoKu.lb_Sounds;
  ASSERT_EQ(list.listCount(), 1);
  cutFromTheList(t, 0, 100, 200);
  ASSERT_EQ(list.listCount(), 2);
  EXPECT_EQ(list.item(1).substr(0, 25), "1_12-07-2026_10-00-00.wav");
  EXPECT_EQ(p.player.selectedFile, t.file("W/1_12-07-2026_10-00-00.wav"));

  // The new recording is 20 s long. A cut that left no more than the minimum of 10 s
  // would be deleted by the list straight away: it is refused and said.
  t.clock.advance(5000);
  p.frm_DoKu.cmd_file_neu.mouseDown(L, 0, 0, 0);
  p.frm_DoKu.cmd_file_neu.mouseUp(L, 0, 0, 0);
  p.frm_Oszi.frx1.mouseDown(L, 0, 100 * 15, 0);
  p.frm_Oszi.frx1.mouseUp(L, 0, 250 * 15, 0);
  p.frm_Oszi.cmd_Kill.mouseDown(L, 0, 0, 0);
  EXPECT_EQ(list.listCount(), 2);
  int wavs = 0;
  for (const auto& e : fs::directory_iterator(t.file("W"))) wavs += e.path().extension() == ".wav";
  EXPECT_EQ(wavs, 2);
  ASSERT_FALSE(t.services.messages().empty());
  EXPECT_NE(t.services.messages().back().find("Es wurde nichts geschnitten"), std::string::npos)
      << t.services.messages().back();
}

// Another program's recording in WAVE_FORMAT_EXTENSIBLE: listed with its true length,
// and cut into a plain PCM file that the list reads as long as it is, not as nothing.
TEST(Editing, ACutFromAnExtensibleStereoRecordingIsListedWithItsTrueLength) {
  TestProgram t;
  constexpr std::uint32_t kBytes = 30 * 11025 * 4;
  WavBytes extensible;
  extensible.id("RIFF").u32(0).id("WAVE").id("fmt ").u32(40).u16(0xFFFE).u16(2).u32(11025);
  extensible.u32(11025 * 4).u16(4).u16(16).u16(22).u16(16).u32(3).u16(1).fill(14, 0x11);
  extensible.id("data").u32(kBytes).fill(kBytes, 0x21);
  fs::create_directories(t.file("W"));
  extensible.writeTo(t.file("W/1_12-07-2026_09-00-00.wav"));
  writeSettings(t.file("Tonvogel.ini"), freshSettingsLines(t.folder()));
  Program& p = t.build();
  ASSERT_TRUE(p.startUp());
  ListBox& list = p.frm_DoKu.lb_Sounds;
  ASSERT_EQ(list.listCount(), 1);
  EXPECT_EQ(list.item(0), "1_12-07-2026_09-00-00.wav   30.0s");
  cutFromTheList(t, 0, 100, 200);
  ASSERT_EQ(list.listCount(), 2);
  // 100 of 290 units cut out of 30 s leave 19.7 s.
  EXPECT_EQ(list.item(1), "1_12-07-2026_10-00-00.wav   19.7s");
  const auto cut = readAll(t.file("W/1_12-07-2026_10-00-00.wav"));
  ASSERT_GE(cut.size(), 44u);
  EXPECT_EQ(cut[16] | (cut[17] << 8), 16);  // a plain 16-byte format chunk
  EXPECT_EQ(cut[20] | (cut[21] << 8), 1);   // PCM
  EXPECT_EQ(cut[22], 2);
}

TEST_F(Editing_, AStretchShorterThanTheCqMarginWritesNothingAndKeepsTheMarks) {
  ASSERT_TRUE(started);
  choose(290'000);
  enterCutMode();
  mark(100, 100);
  EXPECT_FALSE(p().editing.SaveSelectionAsCq());
  EXPECT_FALSE(fs::exists(cqPath()));
  EXPECT_EQ(p().editing.markStart, 100);
}

TEST(Editing, CutsFallOnWholeSampleFramesWithAFreshHeader) {
  TempFolder folder;
  std::vector<std::uint8_t> data(2900 * 4);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  const std::string source = folder.path() + "/stereo.wav";
  WavBytes().bytes(pcmWave(2, 8000, 16, data)).writeTo(source);
  auto sound = openSoundFile(source);
  ASSERT_TRUE(sound);
  // 40 bytes per unit; the CQ end 8000 - 290 = 7710 lies inside a frame of 4 bytes.
  const auto s = stretchOf((*sound)->info(), 100, 200, 290);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->start, 4000);
  EXPECT_EQ(s->end, 7708);

  const std::string piece = folder.path() + "/piece.wav";
  ASSERT_TRUE(writeEdited(**sound, *s, Keep::stretch, piece, 12'000));
  const auto written = readAll(piece);
  ASSERT_EQ(written.size(), 44u + 3708);
  EXPECT_EQ(std::string(written.begin(), written.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(written.begin() + 36, written.begin() + 40), "data");
  // The rate it is played at, and a byte rate that agrees with it.
  EXPECT_EQ(le32(written, 24), 12'000u);
  EXPECT_EQ(le32(written, 28), 48'000u);
  EXPECT_TRUE(std::equal(written.begin() + 44, written.end(), data.begin() + 4000));

  const std::string rest = folder.path() + "/rest.wav";
  ASSERT_TRUE(writeEdited(**sound, *s, Keep::rest, rest, 0));
  const auto kept = readAll(rest);
  ASSERT_EQ(kept.size(), 44u + data.size() - 3708);
  EXPECT_EQ(le32(kept, 24), 8000u);
  EXPECT_TRUE(std::equal(kept.begin() + 44, kept.begin() + 44 + 4000, data.begin()));
  EXPECT_TRUE(std::equal(kept.begin() + 44 + 4000, kept.end(), data.begin() + 7708));
  EXPECT_FALSE(fs::exists(rest + ".part"));
}

}  // namespace
}  // namespace tv::test
