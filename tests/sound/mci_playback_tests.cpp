#include "platform/sound/mci.h"

#include <gtest/gtest.h>

#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/manual_clock.h"
#include "tests/support/sound/scripted_sound_system.h"

namespace tv {
namespace {

class MciPlayback : public ::testing::Test {
 protected:
  MciPlayback() : dir_(test::scratchDirectory("mci-playback")), sound_(clock_), mci_(sound_) {
    // One second at 8000 Hz; the second file has a blank in its name.
    test::WavBytes()
        .bytes(test::pcmWave(1, 8000, 8, std::vector<std::uint8_t>(8000, 128)))
        .writeTo(dir_ / "a.wav");
    test::WavBytes()
        .bytes(test::pcmWave(2, 4000, 16, std::vector<std::uint8_t>(16000, 0)))
        .writeTo(dir_ / "with blank.wav");
  }

  ~MciPlayback() override { std::filesystem::remove_all(dir_); }

  std::string send(std::string_view command) { return mci_.sendString(command); }
  bool lastOk() const { return mci_.log().back().ok; }

  std::filesystem::path dir_;
  ManualClock clock_;
  ScriptedSoundSystem sound_;
  Mci mci_;
};

TEST_F(MciPlayback, PlaysSeeksStopsAndReportsInMilliseconds) {
  const std::string path = (dir_ / "a.wav").string();
  EXPECT_EQ(send("open " + path + " alias waveplayfile"), "");
  EXPECT_EQ(send("set waveplayfile time format ms"), "");
  EXPECT_EQ(send("status waveplayfile length"), "1000");
  EXPECT_EQ(send("seek waveplayfile to  250"), "");
  EXPECT_EQ(send("play waveplayfile from  250"), "");
  clock_.advance(300);
  EXPECT_EQ(send("status waveplayfile position"), "550");
  EXPECT_EQ(send("stop waveplayfile"), "");
  clock_.advance(300);
  EXPECT_EQ(send("status waveplayfile position"), "550");
  EXPECT_EQ(send("play waveplayfile from  900"), "");
  clock_.advance(5000);
  EXPECT_EQ(send("status waveplayfile position"), "1000");
  EXPECT_EQ(send("close waveplayfile"), "");
  EXPECT_EQ(sound_.events(), (std::vector<std::string>{"open " + path, "seek 250", "play 250",
                                                       "stop", "play 900", "close"}));
  EXPECT_FALSE(send("status waveplayfile position").empty());
  EXPECT_FALSE(lastOk());
}

TEST_F(MciPlayback, PathsWithBlanksNeedQuotes) {
  const std::string path = (dir_ / "with blank.wav").string();
  send("open " + path + " alias waveplayfile");
  EXPECT_FALSE(lastOk());
  EXPECT_EQ(send("open \"" + path + "\" alias waveplayfile"), "");
  EXPECT_EQ(send("status waveplayfile length"), "1000");
}

TEST_F(MciPlayback, RefusedCommandsLeaveTheOpenSoundAlone) {
  const std::string path = (dir_ / "a.wav").string();
  send("open " + (dir_ / "missing.wav").string() + " alias waveplayfile");
  EXPECT_FALSE(lastOk());
  send("status waveplayfile length");
  EXPECT_FALSE(lastOk());
  ASSERT_EQ(send("open " + path + " alias waveplayfile"), "");
  send("open " + (dir_ / "with blank.wav").string() + " alias waveplayfile");
  EXPECT_FALSE(lastOk());
  for (const char* bad :
       {"seek waveplayfile to 5", "seek waveplayfile to  -5", "seek waveplayfile to  5x",
        "play waveplayfile from 5", "seek waveplayfile to  1001", "status waveplayfile length ",
        "play waveplayfile from  99999999999999999999999"}) {
    send(bad);
    EXPECT_FALSE(lastOk()) << bad;
  }
  EXPECT_EQ(send("status waveplayfile length"), "1000");
  EXPECT_EQ(send("status waveplayfile position"), "0");
  EXPECT_EQ(sound_.events(), (std::vector<std::string>{"open " + path}));
}

TEST_F(MciPlayback, ASampleRateMakesTheOpenFilePlayFasterOrSlower) {
  const std::string path = (dir_ / "a.wav").string();
  send("set waveplayfile samplespersec 16000");
  EXPECT_FALSE(lastOk());
  ASSERT_EQ(send("open " + path + " alias waveplayfile"), "");
  // One second at 8000 Hz lasts half a second at 16000.
  EXPECT_EQ(send("set waveplayfile samplespersec 16000"), "");
  EXPECT_EQ(send("status waveplayfile length"), "500");
  EXPECT_EQ(send("play waveplayfile from  0"), "");
  clock_.advance(200);
  EXPECT_EQ(send("status waveplayfile position"), "200");
  for (const char* bad : {"set waveplayfile samplespersec 0", "set waveplayfile samplespersec x",
                          "set waveplayfile samplespersec  4000"}) {
    send(bad);
    EXPECT_FALSE(lastOk()) << bad;
  }
  EXPECT_EQ(send("set waveplayfile samplespersec 4000"), "");
  EXPECT_EQ(send("status waveplayfile length"), "2000");
  EXPECT_EQ(sound_.events(),
            (std::vector<std::string>{"open " + path, "close", "open " + path + " at 16000",
                                      "play 0", "close", "open " + path + " at 4000"}));
}

}  // namespace
}  // namespace tv
