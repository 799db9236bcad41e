#include "transmit/cq_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/sound/wav_bytes.h"
#include "tests/transmit/transmit_station.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
using Output = FakeSerialPort::Output;
constexpr int L = MouseButton::Left;

void writeSound(const std::string& path, int ms) {
  WavBytes().bytes(pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8 * ms, 128))).writeTo(path);
}

struct CqFiles : testing::Test {
  Program& start() {
    std::map<int, std::string> all = transmitVia("/dev/ttyUSB0", "71-689");
    all[16] = "0";
    all[25] = "1";
    s.start(all);
    s.port().forgetLineChanges();
    s.t.services.shown.clear();
    return p();
  }
  std::string cq() const { return p().cqManager.cqFolder(); }
  std::string inCq(const std::string& name) const { return cq() + "/" + name; }
  bool told(const std::string& fragment) const {
    for (const std::string& m : s.t.services.messages())
      if (m.find(fragment) != std::string::npos) return true;
    return false;
  }
  void pick(const std::string& name) {
    ListBox& list = p().frm_CQ.lb_CQFiles;
    const auto& items = list.items();
    const auto it = std::find(items.begin(), items.end(), name);
    ASSERT_NE(it, items.end()) << name;
    list.setListIndex(static_cast<int>(it - items.begin()));
  }
  void rename(const std::string& from, const std::string& to) {
    pick(from);
    p().frm_CQ.cmd_CQEdit.mouseDown(L, 0, 0, 0);
    p().frm_CQ.ed_CQFiles.setText(to);
    p().frm_CQ.cmd_CQSave.mouseUp(L, 0, 0, 0);
  }
  Program& p() const { return const_cast<TransmitStation&>(s).p(); }
  MainForm& main() { return p().frm_DoKu; }
  const std::vector<std::string>& listed() { return p().frm_CQ.lb_CQFiles.items(); }

  TransmitStation s;
};

TEST_F(CqFiles, ListShowsNamesLongerThanSixCharactersAndOpensTheWindow) {
  start();
  writeSound(inCq("cq.wav"), 500);
  writeSound(inCq("cq1.wav"), 500);
  p().cqManager.FillCqList();
  EXPECT_EQ(listed(), std::vector<std::string>{"cq1.wav"});
  EXPECT_TRUE(p().frm_CQ.visible());
  EXPECT_FALSE(main().lb_CQVorwahl.visible());
}

TEST_F(CqFiles, MissingFolderLeavesTheListEmptyAndTheWindowHidden) {
  start();
  fs::remove_all(cq());
  p().frm_CQ.hide();
  p().cqManager.FillCqList();
  EXPECT_TRUE(listed().empty());
  EXPECT_FALSE(p().frm_CQ.visible());
}

TEST_F(CqFiles, SaveSoundFileCopiesTheRecordingAndSendsTheCopy) {
  start();
  const std::string w = p().recordingIndex.collectingFolder();
  fs::create_directories(w);
  const std::string recording = w + "/1_12-06-2026_05-55-03.wav";
  writeSound(recording, 700);
  p().player.selectedFile = recording;
  p().player.ShowLoadedWave();
  main().lblCQ.mouseDown(MouseButton::Right, 0, 0, 0);
  ASSERT_TRUE(main().lb_CQVorwahl.visible());
  main().lb_CQVorwahl.userSelected(0);

  EXPECT_TRUE(fs::is_regular_file(inCq("1_12-06-2026_05-55-03.wav")));
  EXPECT_EQ(listed(), std::vector<std::string>{"1_12-06-2026_05-55-03.wav"});
  EXPECT_EQ(p().autoTx.autoTxFile, inCq("1_12-06-2026_05-55-03.wav"));
  EXPECT_EQ(p().cqManager.oldCqName, "1_12-06-2026_05-55-03.wav");
  EXPECT_FALSE(main().lb_CQVorwahl.visible());
  // The copy survives the recording.
  fs::remove(recording);
  EXPECT_TRUE(fs::is_regular_file(p().autoTx.autoTxFile));
}

TEST_F(CqFiles, SaveSoundFileWithNothingLoadedKeepsTheAutoTxFile) {
  start();
  p().autoTx.autoTxFile = "kept";
  main().lblCQ.mouseDown(MouseButton::Right, 0, 0, 0);
  main().lb_CQVorwahl.userSelected(0);
  EXPECT_EQ(p().autoTx.autoTxFile, "kept");
  EXPECT_FALSE(s.t.services.messages().empty());
}

TEST_F(CqFiles, DoubleClickStartsSendingAtOnceAndClosesTheWindow) {
  start();
  writeSound(inCq("cq call.wav"), 2'000);
  p().cqManager.FillCqList();
  pick("cq call.wav");
  p().frm_CQ.lb_CQFiles.dblClick();
  EXPECT_EQ(p().autoTx.autoTxFile, inCq("cq call.wav"));
  EXPECT_TRUE(p().autoTx.running());
  // Keyed once the receiver has been heard quiet for half a second.
  s.t.loop.runFor(ChannelWatch::kClearMs);
  EXPECT_TRUE(s.port().rts());
  EXPECT_FALSE(p().frm_CQ.visible());
  EXPECT_TRUE(main().visible() && p().frm_Oszi.visible());
}

TEST_F(CqFiles, OkWithNothingPickedOnlyHidesTheWindow) {
  start();
  p().cqManager.FillCqList();
  p().frm_CQ.cmd_CQOK.mouseUp(L, 0, 0, 0);
  EXPECT_FALSE(p().frm_CQ.visible());
  EXPECT_FALSE(p().autoTx.running());
  EXPECT_TRUE(p().autoTx.autoTxFile.empty());
}

TEST_F(CqFiles, RenameReplacesAnExistingFileAndUnchangedNameKeepsIt) {
  start();
  writeSound(inCq("first call.wav"), 300);
  writeSound(inCq("second call.wav"), 900);
  const auto size = fs::file_size(inCq("first call.wav"));
  p().cqManager.FillCqList();
  rename("first call.wav", "first call.wav");
  EXPECT_TRUE(fs::is_regular_file(inCq("first call.wav")));

  rename("first call.wav", "second call.wav");
  EXPECT_FALSE(fs::exists(inCq("first call.wav")));
  EXPECT_EQ(fs::file_size(inCq("second call.wav")), size);
  EXPECT_EQ(listed(), std::vector<std::string>{"second call.wav"});
}

TEST_F(CqFiles, NamesWithAFolderPartAreRefusedAndNothingMoves) {
  start();
  writeSound(inCq("my call.wav"), 300);
  writeSound(p().recordingsFolder + "/outside.wav", 300);
  p().cqManager.FillCqList();
  for (const std::string bad :
       {"../outside.wav", "sub/name.wav", "..hidden.wav", ".hidden.wav", "short"}) {
    SCOPED_TRACE(bad);
    s.t.services.shown.clear();
    rename("my call.wav", bad);
    EXPECT_TRUE(told("cannot be used"));
    EXPECT_TRUE(fs::is_regular_file(inCq("my call.wav")));
  }
  EXPECT_TRUE(fs::is_regular_file(p().recordingsFolder + "/outside.wav"));
}

TEST_F(CqFiles, RenameOfAVanishedFileTellsAndKeepsTheList) {
  start();
  writeSound(inCq("gone call.wav"), 300);
  p().cqManager.FillCqList();
  fs::remove(inCq("gone call.wav"));
  rename("gone call.wav", "new call.wav");
  EXPECT_TRUE(told("could not be renamed"));
  EXPECT_EQ(listed(), std::vector<std::string>{"gone call.wav"});
  EXPECT_FALSE(fs::exists(inCq("new call.wav")));
}

TEST_F(CqFiles, DeleteRemovesTheFileAndRebuildsTheList) {
  start();
  writeSound(inCq("old call.wav"), 300);
  writeSound(inCq("new call.wav"), 300);
  p().cqManager.FillCqList();
  pick("old call.wav");
  p().frm_CQ.cmd_CQLö.mouseDown(L, 0, 0, 0);
  p().frm_CQ.cmd_CQLö.mouseUp(L, 0, 0, 0);
  EXPECT_FALSE(fs::exists(inCq("old call.wav")));
  EXPECT_EQ(listed(), std::vector<std::string>{"new call.wav"});
}

TEST_F(CqFiles, PreselectionFollowsThePointer) {
  start();
  main().lblCQ.mouseDown(MouseButton::Right, 0, 0, 0);
  main().lb_CQVorwahl.mouseMove(0, 0, 100, 2 * 195 + 10);
  EXPECT_EQ(main().lb_CQVorwahl.listIndex(), 2);
  main().lb_CQVorwahl.mouseMove(0, 0, 100, 5'000);
  EXPECT_EQ(main().lb_CQVorwahl.listIndex(), 2);
  main().lb_CQVorwahl.mouseMove(0, 0, 100, 10);
  EXPECT_EQ(main().lb_CQVorwahl.listIndex(), 0);
}

}  // namespace
}  // namespace tv::test
