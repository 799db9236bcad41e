#include "app/notices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

struct NoticesTest : testing::Test {
  NoticesTest() {
    t.build();
    t.p().startUp();
  }
  Program& p() { return t.p(); }
  const StatusBar::Panel& line() { return p().frm_DoKu.sb.panels().at(2); }
  std::vector<std::string> logged() { return readLines(p().log.path()); }
  bool logHas(const std::string& fragment) {
    for (const auto& l : logged())
      if (l.find(fragment) != std::string::npos) return true;
    return false;
  }

  TestProgram t{{2026, 12, 8, 14, 30, 0, 0}};
};

TEST_F(NoticesTest, ANoticeIsLoggedKeptAndShownInTheNoticeLineWithItsWholeTextAsTooltip) {
  const std::string name = p().frm_DoKu.sb.panels().at(2).text;
  EXPECT_EQ(name, p().programFileName) << "no notice yet: the panel is the program's name";
  t.loop.runFor(61'000);
  p().notice("filing", "The copy into the tree failed\r(no space left on device).");
  EXPECT_EQ(line().text, "14:31 The copy into the tree failed (no space left on device).");
  EXPECT_NE(line().toolTip.find("2026-12-08 14:31:01"), std::string::npos) << line().toolTip;
  EXPECT_NE(line().toolTip.find("(no space left on device)."), std::string::npos);
  EXPECT_EQ(line().widthPixels, Notices::kLineWidthPixels);
  EXPECT_EQ(p().frm_DoKu.sb.panels().at(3).widthPixels, 0) << "the version makes room";
  EXPECT_TRUE(logHas("WARNING filing: The copy into the tree failed (no space left on device)."));
  EXPECT_TRUE(t.services.messages().empty());

  // A language or a rebuilt status bar must not lose it.
  p().settingsWindow.pressSave();
  EXPECT_NE(line().text.find("The copy into the tree failed"), std::string::npos);
}

TEST_F(NoticesTest, AClickOnTheNoticeLineOpensTheHistoryNewestFirst) {
  StatusBar& sb = p().frm_DoKu.sb;
  sb.mouseUp(MouseButton::Left, 0, 100 * 15, 10);
  EXPECT_FALSE(p().frm_Meldungen.visible()) << "nothing to show yet";
  p().notice("sound", "first");
  p().notice("sound", "second");
  sb.mouseUp(MouseButton::Left, 0, 10 * 15, 10);  // panel 1
  EXPECT_FALSE(p().frm_Meldungen.visible());
  sb.mouseUp(MouseButton::Left, 0, 100 * 15, 10);
  ASSERT_TRUE(p().frm_Meldungen.visible());
  const auto& items = p().frm_Meldungen.lb_Meldungen.items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_NE(items[0].find("second"), std::string::npos);
  EXPECT_NE(items[1].find("first"), std::string::npos);
  p().notice("sound", "third");
  EXPECT_EQ(p().frm_Meldungen.lb_Meldungen.items().size(), 3u) << "an open history follows";
  p().frm_Meldungen.cmd_Schliessen.click();
  EXPECT_FALSE(p().frm_Meldungen.visible());
}

TEST_F(NoticesTest, TheHistoryKeepsTheNewestAndACauseIsToldOnceUntilCleared) {
  for (int i = 0; i < 150; ++i) p().notice("t", "n" + std::to_string(i));
  ASSERT_EQ(p().notices.history().size(), Notices::kHistory);
  EXPECT_EQ(p().notices.latest()->text, "n149");
  EXPECT_EQ(p().notices.history().back().text, "n50");

  EXPECT_TRUE(p().notices.tellOnce("adapter", "keying", "adapter gone"));
  EXPECT_FALSE(p().notices.tellOnce("adapter", "keying", "adapter gone"));
  EXPECT_EQ(p().notices.latest()->text, "adapter gone");
  p().notices.clear("adapter");
  EXPECT_TRUE(p().notices.tellOnce("adapter", "keying", "adapter gone"));
}

TEST_F(NoticesTest, AFailureAnswersTheUsersClickWithABoxButIsANoticeWhenTheProgramActsAlone) {
  p().report("test", "from a click");
  ASSERT_EQ(t.services.messages().size(), 1u);
  EXPECT_EQ(t.services.messages()[0], "from a click");
  EXPECT_TRUE(t.noticed("from a click")) << "the box is also in the history";

  p().frm_DoKu.tmr2.tick = [this] {
    p().frm_DoKu.tmr2.setEnabled(false);
    p().report("test", "from a timer");
  };
  p().frm_DoKu.tmr2.setEnabled(true);
  t.loop.runFor(100);
  EXPECT_EQ(t.services.messages().size(), 1u) << "no box for an unattended station";
  EXPECT_TRUE(t.noticed("from a timer"));
}

TEST_F(NoticesTest, EveryKeyAndReleaseIsLoggedWithWhoAskedAndWhy) {
  p().keying.PttOn("schedule");
  p().keying.PttOff("end of announcement");
  // Without an open port nothing is keyed, and nothing is logged as keyed.
  EXPECT_FALSE(logHas("key: schedule"));

  TestProgram station;
  station.build();
  station.p().startUp();
  Program& s = station.p();
  s.frm_Einstellungen.chk_TX.setValue(1);
  s.frm_Einstellungen.cb_Com.setText("/dev/ttyUSB0");
  s.frm_Einstellungen.cb_TX.setText("7");
  s.settingsWindow.pressSave();
  s.keying.PttOn("schedule");
  s.keying.PttOff("end of announcement");
  s.keying.PttOn("auto-tx");
  station.loop.runFor(301'000);
  const auto lines = readLines(s.log.path());
  std::vector<std::string> keying;
  for (const auto& l : lines)
    if (l.find("keying: ") != std::string::npos) keying.push_back(l.substr(l.find("keying: ")));
  EXPECT_EQ(keying, (std::vector<std::string>{"keying: key: schedule",
                                              "keying: release: end of announcement",
                                              "keying: key: auto-tx", "keying: release: time-out",
                                              "keying: Der Sender war länger als 300 Sekunden "
                                              "getastet und wurde abgeschaltet."}));
}

}  // namespace
}  // namespace tv::test
