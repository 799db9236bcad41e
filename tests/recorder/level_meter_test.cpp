#include "recorder/level_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/program.h"
#include "recorder/level_scale.h"
#include "tests/app/settings_lines.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

int feed(float& envelope, std::uint8_t sample, int count, bool log = false) {
  int level = 0;
  for (int i = 0; i < count; ++i) level = levelStep(envelope, sample, log);
  return level;
}

TEST(LevelScale, SilenceReadsZeroWithASliverOfBar) {
  float envelope = 0;
  EXPECT_EQ(feed(envelope, 127, 500), 0);
  EXPECT_EQ(levelBar(0), 2);
}

TEST(LevelScale, FullScaleIsReachedWithinEightSamplesAndReleasesSlowly) {
  for (std::uint8_t full : {std::uint8_t{255}, std::uint8_t{0}}) {
    float envelope = 0;
    feed(envelope, full, 8);
    EXPECT_GE(envelope, full == 255 ? 127.0f : 126.0f);  // within 1 of 128 and 127
    EXPECT_EQ(feed(envelope, full, 100), 100);
    EXPECT_EQ(levelBar(100), 100);
  }
  float envelope = 0;
  EXPECT_EQ(feed(envelope, 0, 100, true), 97);

  envelope = 128;
  int samples = 0;
  while (levelStep(envelope, 127, false) > 0) ++samples;
  EXPECT_NEAR(samples, 4600, 150);  // about 18 ticks of 257
}

TEST(LevelScale, TheLampLimitLiesHigherInLinearThanInLogarithmicDisplay) {
  // A steady amplitude of 122 reads 96 in both; 121 reads 95 linear but 96
  // logarithmic, so only the logarithmic display lights the lamp.
  float envelope = 0;
  EXPECT_GT(feed(envelope, 127 + 122, 3000), LevelScale::kOverLevel);
  envelope = 0;
  EXPECT_EQ(feed(envelope, 127 + 121, 3000), LevelScale::kOverLevel);
  envelope = 0;
  EXPECT_GT(feed(envelope, 127 + 121, 3000, true), LevelScale::kOverLevel);
  envelope = 0;
  EXPECT_EQ(feed(envelope, 127 + 120, 3000, true), LevelScale::kOverLevel);
}

struct MeterTest : testing::Test {
  MeterTest() : sound(t.clock) {
    sound.devices = {{"plughw:CARD=A,DEV=0", "  Card A  "}, {"plughw:CARD=C,DEV=0", "Card C"}};
    lines = freshSettingsLines(t.folder());
    line(lines, 16) = "0";
    t.sound = &sound;
  }
  Program& start() {
    writeSettings(t.file("Tonvogel.ini"), lines);
    t.build();
    t.p().startUp();
    return t.p();
  }
  void press(Program& p) {
    p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
    p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);
  }
  // Fills the newest block with `sample` and lets one tick run.
  void tickWith(std::uint8_t sample) {
    std::vector<std::uint8_t> block(kMeterBlockBytes, sample);
    sound.lastInput()->feed(block);
    t.loop.runFor(t.p().frm_DoKu.tmrPegel.interval());
  }

  TestProgram t;
  ScriptedSoundSystem sound;
  std::vector<std::string> lines;
};

TEST_F(MeterTest, ListsDevicesByTheirNamesAndOpensTheOneTheBoxShows) {
  Program& p = start();
  ComboBox& box = p.frm_Einstellungen.cb_Device;
  ASSERT_EQ(box.listCount(), 2);
  EXPECT_EQ(box.item(0), "Card A \u2013 plughw:CARD=A,DEV=0");
  box.userSelected(1);
  press(p);
  ASSERT_EQ(sound.inputOpenings().size(), 1u);
  EXPECT_EQ(sound.inputOpenings()[0].name, "plughw:CARD=C,DEV=0");
  EXPECT_EQ(sound.inputOpenings()[0].sampleRate, 11025);
  EXPECT_TRUE(p.frm_DoKu.tmrPegel.enabled());
}

TEST_F(MeterTest, WithoutDevicesTheBoxSaysSoAndSwitchingOnFailsVisibly) {
  sound.devices.clear();
  Program& p = start();
  EXPECT_EQ(p.frm_Einstellungen.cb_Device.text(), p.messageTexts.items[15]);
  const auto before = t.services.messages().size();
  press(p);
  EXPECT_EQ(p.recorderOn, 0);
  EXPECT_EQ(p.frm_DoKu.lbl_Start.borderStyle(), Look::Off);
  EXPECT_FALSE(p.frm_DoKu.tmrPegel.enabled());
  EXPECT_EQ(p.frm_Info.lbl_info.caption().rfind(p.messageTexts.items[16], 0), 0u);
  EXPECT_EQ(t.services.messages().size(), before + 1) << "the click is answered";
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_EQ(p.notices.latest()->text, p.frm_Info.lbl_info.caption());
  EXPECT_NE(p.frm_DoKu.sb.panels().at(2).text.find(p.notices.latest()->text), std::string::npos)
      << "and stays in the notice line";
}

TEST_F(MeterTest, ALevelEqualToTheThresholdDoesNotTriggerOneAboveDoes) {
  Program& p = start();
  press(p);
  p.frm_DoKu.sli_Schwelle.userMoved(100);  // full scale reads 100
  tickWith(254);
  tickWith(254);
  EXPECT_EQ(p.levelMeter.levelPercent, 100);
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 10);  // no trigger
  EXPECT_EQ(p.frm_DoKu.lbl_ROTL.backColour(), rgb(255, 0, 0));
  p.frm_DoKu.sli_Schwelle.userMoved(99);
  tickWith(254);
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 50);
  EXPECT_EQ(p.recorder.signalAge, 1);
  EXPECT_EQ(p.frm_DoKu.lbl_PegelAnzeige.caption(), "100");
}

TEST_F(MeterTest, TheEnvelopeCarriesOverSwitchingOffAndOn) {
  Program& p = start();
  press(p);
  tickWith(254);
  const float loud = p.levelMeter.envelope;
  EXPECT_GT(loud, 120);
  press(p);
  EXPECT_EQ(p.frm_DoKu.Progressbar1.value(), 0);
  press(p);
  tickWith(127);
  // One tick of silence releases from where it was: 257 steps of 1/1000.
  EXPECT_NEAR(p.levelMeter.envelope, loud * std::pow(0.999f, 257), 0.5);
}

TEST_F(MeterTest, SlidersClicksAndTheIntervalFieldKeepTheirMirrors) {
  Program& p = start();
  p.frm_DoKu.sli_Schwelle.userMoved(42);
  EXPECT_EQ(p.frm_DoKu.lbl_Schwelle.caption(), "42");
  EXPECT_EQ(p.frm_Einstellungen.ed_StartPegel.text(), "42");

  const bool smooth = p.frm_DoKu.Progressbar1.smooth();
  p.frm_DoKu.Progressbar1.mouseDown(1, 0, 0, 0);
  EXPECT_NE(p.frm_DoKu.Progressbar1.smooth(), smooth);

  p.frm_Einstellungen.ed_Interval.setText("25");
  p.frm_Einstellungen.ed_Interval.click();
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 25);
  EXPECT_EQ(p.frm_Einstellungen.lbl33.caption(), "25");
  p.frm_Einstellungen.ed_Interval.setText("0");  // would never tick
  p.frm_Einstellungen.ed_Interval.click();
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 10);

  p.frm_Oszi.sli_Lautst.userMoved(65535 / 4);
  EXPECT_EQ(sound.outputVolume()->left(), 65535 - 65535 / 4);
  EXPECT_EQ(p.playVolume >> 16, 65535u - 65535 / 4);
  EXPECT_EQ(p.frm_Einstellungen.ed_PlayPegel.text(), "76");
}

TEST_F(MeterTest, AnInputThatVanishesEndsItsTakeAndTheRecorderRunsAgainWhenItReturns) {
  line(lines, 10) = "0.5";
  Program& p = start();
  press(p);
  for (int i = 0; i < 20; ++i) tickWith(254);
  const auto before = p.notices.history().size();
  sound.absent.insert("plughw:CARD=A,DEV=0");
  sound.lastInput()->failWith("unplugged");
  t.loop.runFor(200);
  // The take up to the loss is filed as at any end; the recorder stays on and waits.
  EXPECT_TRUE(std::filesystem::exists(t.file("W/1_12-07-2026_10-00-00.wav")));
  EXPECT_EQ(p.recorderOn, 1);
  EXPECT_EQ(p.frm_DoKu.lbl_Start.borderStyle(), Look::On);
  EXPECT_FALSE(p.levelMeter.isOpen());
  EXPECT_TRUE(p.levelMeter.waiting());
  EXPECT_EQ(p.recorder.recordingActive, 0);
  EXPECT_FALSE(p.frm_DoKu.tmrZT2.enabled());
  // The station's own failure: one notice, with no box left waiting for an OK, and one
  // only however often the input is tried again.
  t.loop.runFor(10'000);
  EXPECT_TRUE(t.services.messages().empty());
  ASSERT_EQ(p.notices.history().size(), before + 1);
  EXPECT_NE(p.notices.latest()->text.find("unplugged"), std::string::npos);
  const auto attempts = sound.inputOpenings().size();
  EXPECT_GE(attempts, 4u);

  sound.absent.clear();
  t.loop.runFor(3100);
  EXPECT_TRUE(p.levelMeter.isOpen());
  EXPECT_FALSE(p.levelMeter.waiting());
  EXPECT_TRUE(p.frm_DoKu.tmrPegel.enabled());
  EXPECT_EQ(p.recorder.recordingActive, 1) << "on again as after switching on";
  EXPECT_EQ(sound.inputOpenings().back().name, "plughw:CARD=A,DEV=0");
  EXPECT_NE(p.notices.latest()->text.find("Card A"), std::string::npos);
  // Lost again: told again.
  sound.lastInput()->failWith("unplugged again");
  t.loop.runFor(200);
  EXPECT_NE(p.notices.latest()->text.find("unplugged again"), std::string::npos);
}

TEST_F(MeterTest, AStoredInputAbsentAtTheStartIsWaitedForNeverReplacedByAnother) {
  line(lines, 16) = "1";  // the recorder starts with the program
  line(lines, 35) = "plughw:CARD=Receiver,DEV=0";
  sound.absent.insert("plughw:CARD=Receiver,DEV=0");
  sound.serverNames["plughw:CARD=Receiver,DEV=0"] = "pulse:alsa_input.usb-Receiver";
  Program& p = start();
  EXPECT_EQ(p.recorderOn, 1);
  EXPECT_TRUE(p.levelMeter.waiting());
  EXPECT_EQ(p.frm_Einstellungen.cb_Device.text(), "plughw:CARD=Receiver,DEV=0");
  EXPECT_TRUE(t.services.messages().empty()) << "the start is no click to answer";
  ASSERT_NE(p.notices.latest(), nullptr);
  EXPECT_NE(p.notices.latest()->text.find("plughw:CARD=Receiver,DEV=0"), std::string::npos);
  // Where a sound server holds the card, the notice names the way to it.
  EXPECT_NE(p.notices.latest()->text.find("pulse:alsa_input.usb-Receiver"), std::string::npos);

  t.loop.runFor(7000);
  for (const auto& opening : sound.inputOpenings())
    EXPECT_EQ(opening.name, "plughw:CARD=Receiver,DEV=0") << "no other input is opened";
  EXPECT_FALSE(p.frm_DoKu.tmrPegel.enabled());

  sound.absent.clear();
  t.loop.runFor(3100);
  EXPECT_TRUE(p.levelMeter.isOpen());
  EXPECT_TRUE(p.frm_DoKu.tmrPegel.enabled());
  tickWith(254);
  EXPECT_EQ(p.frm_DoKu.tmrPegel.interval(), 50) << "the level reaches the recorder";
}

TEST_F(MeterTest, AClickOnTheSwitchHearsWhyTheRecorderWaitsAndSwitchingOffEndsTheWait) {
  line(lines, 35) = "plughw:CARD=Receiver,DEV=0";
  sound.absent.insert("plughw:CARD=Receiver,DEV=0");
  Program& p = start();
  press(p);
  ASSERT_EQ(t.services.messages().size(), 1u);
  EXPECT_NE(t.services.messages().back().find("plughw:CARD=Receiver,DEV=0"), std::string::npos);
  EXPECT_EQ(p.recorderOn, 1);
  EXPECT_TRUE(p.levelMeter.waiting());
  press(p);
  EXPECT_EQ(p.recorderOn, 0);
  EXPECT_FALSE(p.levelMeter.waiting());
  const auto attempts = sound.inputOpenings().size();
  t.loop.runFor(10'000);
  EXPECT_EQ(sound.inputOpenings().size(), attempts);
}

TEST_F(MeterTest, AnOverrunIsLoggedWithItsSamplesAndSoIsTheTakeThatHoldsIt) {
  line(lines, 10) = "0.5";
  Program& p = start();
  std::vector<std::string> logged;
  p.log.observer = [&logged](const std::string& line) { logged.push_back(line); };
  press(p);
  for (int i = 0; i < 10; ++i) tickWith(254);
  sound.lastInput()->feedLost(500);
  for (int i = 0; i < 10; ++i) tickWith(254);
  press(p);  // off: the take is saved
  t.loop.runFor(0);  // and filed by the worker at the loop's next turn
  ASSERT_TRUE(std::filesystem::exists(t.file("W/1_12-07-2026_10-00-00.wav")));
  const auto has = [&logged](const std::string& fragment) {
    for (const std::string& line : logged)
      if (line.find(fragment) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has("overran: 500 samples (45 ms) lost at sample 20480"));
  EXPECT_TRUE(has("1_12-07-2026_10-00-00.wav holds 500 samples of silence"));
}

}  // namespace
}  // namespace tv::test
