#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/alsa/alsa_sound_system.h"
#include "player/player.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/manual_clock.h"
#include "tests/support/test_program.h"

namespace tv::test {
namespace {

// ALSA's null device behind a file device that keeps what it was handed. It is not
// paced, so the output's own clock is moved by hand with the program's.
TEST(PlaybackThroughAlsa, HandsEveryFrameToTheDeviceAndSeesTheEnd) {
  const std::filesystem::path dir = scratchDirectory("player-alsa");
  std::ofstream(dir / "alsa.conf", std::ios::trunc)
      << "pcm.tvplayer { type file slave.pcm \"null\" format \"raw\" file \""
      << (dir / "out.raw").string() << "\" }\n";
  ::setenv("ALSA_CONFIG_PATH",
           ("/usr/share/alsa/alsa.conf:" + (dir / "alsa.conf").string()).c_str(), 1);
  ManualClock outputClock;
  AlsaOptions options;
  options.playbackPcm = "tvplayer";
  options.silentWithoutOutput = false;
  options.paceTolerance = 0;
  options.paceSlackMs = 0;
  AlsaSoundSystem alsa(outputClock, options);

  TestProgram t;
  t.sound = &alsa;
  t.build();
  ASSERT_TRUE(t.p().startUp());
  std::vector<std::uint8_t> samples(8000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::uint8_t>(i);
  const std::string wave = (dir / "ramp.wav").string();
  WavBytes().bytes(pcmWave(1, 8000, 8, samples)).writeTo(wave);

  Player& player = t.p().player;
  player.selectedFile = wave;
  player.ShowLoadedWave();
  t.p().frm_Oszi.lblFreqNorm.mouseDown(MouseButton::Left, 0, 0, 0);
  t.p().frm_Oszi.lblFreqNorm.mouseUp(MouseButton::Left, 0, 0, 0);
  ASSERT_TRUE(player.playing);
  EXPECT_EQ(player.playLength, 1000);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (player.playing && std::chrono::steady_clock::now() < deadline) {
    outputClock.advance(10);
    t.loop.runFor(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(player.playing);
  EXPECT_EQ(t.p().frm_Oszi.slider.value(), 1'000'000);
  EXPECT_EQ(readFile(dir / "out.raw").size(), samples.size());
  // An output that sounds is not reported as missing.
  for (const std::string& m : t.services.messages())
    EXPECT_NE(m, t.p().ownMessage(OwnText::NoSoundOutput));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tv::test
