// The ALSA back end through a real sound server: ALSA's `default` reaches the PulseAudio
// server that tests/support/pulse/with_pulse.sh starts for this executable (its
// `transmitter` sink is the default output). Unlike ALSA's file and null devices the
// server keeps real time and holds sound in its own buffers, so the position has to be
// followed through its latency and the end waited for.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/alsa/alsa_sound_system.h"
#include "platform/posix/real_clock.h"
#include "tests/sound/wav_bytes.h"

namespace tv {
namespace {

using Steady = std::chrono::steady_clock;

// The test's server renders this much ahead of real time at most (its sinks are kept at
// a 10 ms latency).
constexpr std::int64_t kRenderAheadMs = 30;

std::int64_t msSince(Steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - start).count();
}

class ThroughSoundServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no sound server (PULSE_SERVER unset)";
    dir_ = test::scratchDirectory("alsa-pulse");
    options_.silentWithoutOutput = false;
  }

  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // `ms` of a loud 11,025 Hz unsigned 8-bit noise, the recorder's own format.
  std::filesystem::path wave(std::int64_t ms) {
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(ms * 11025 / 1000));
    std::uint32_t state = 12345;
    for (auto& s : samples) {
      state = state * 1103515245u + 12345u;
      s = static_cast<std::uint8_t>(32 + (state >> 16) % 192);
    }
    const auto file = dir_ / ("noise" + std::to_string(ms) + ".wav");
    test::WavBytes().bytes(test::pcmWave(1, 11025, 8, samples)).writeTo(file);
    return file;
  }

  std::unique_ptr<PlaybackStream> open(const std::filesystem::path& file) {
    auto opened = sound_.openPlayback(file);
    EXPECT_TRUE(opened.ok()) << opened.error().message;
    return opened.ok() ? std::move(*opened) : nullptr;
  }

  struct Run {
    std::int64_t finishedAfterMs = -1;  // from play() on; -1 when it never finished
    std::int64_t lastPositionMs = 0;
    bool positionRanAhead = false;  // a position beyond the time played
    bool positionWentBack = false;
  };

  // Plays from the start and follows the position the way the position tick does.
  static Run playToTheEnd(PlaybackStream& playback, std::int64_t patienceMs) {
    Run run;
    const auto start = Steady::now();
    EXPECT_TRUE(playback.play(0).ok());
    while (msSince(start) < patienceMs) {
      const std::int64_t position = playback.positionMs();
      const bool finished = playback.state() == PlaybackState::finished;
      const std::int64_t elapsed = msSince(start);
      // Nothing can have sounded before it was handed over.
      if (position > elapsed + 5) run.positionRanAhead = true;
      if (position < run.lastPositionMs) run.positionWentBack = true;
      run.lastPositionMs = position;
      if (finished) {
        run.finishedAfterMs = elapsed;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return run;
  }

  std::filesystem::path dir_;
  RealClock clock_;
  AlsaOptions options_;
  AlsaSoundSystem sound_{clock_, options_};
};

TEST_F(ThroughSoundServer, ThePositionReachesTheLengthAndPlaybackEndsWithItsSound) {
  auto playback = open(wave(3000));
  ASSERT_TRUE(playback);
  ASSERT_EQ(playback->lengthMs(), 3000);
  const Run run = playToTheEnd(*playback, 6000);
  ASSERT_GE(run.finishedAfterMs, 0) << "no end; the position stood at " << run.lastPositionMs;
  EXPECT_EQ(run.lastPositionMs, 3000);
  EXPECT_FALSE(run.positionRanAhead);
  EXPECT_FALSE(run.positionWentBack);
  // Not before the last sample can have sounded (the server renders a few milliseconds
  // ahead of its clock), and soon after.
  EXPECT_GE(run.finishedAfterMs, 3000 - kRenderAheadMs);
  EXPECT_LE(run.finishedAfterMs, 3100);
  EXPECT_TRUE(playback->status().ok());
  std::printf("finished %lld ms after the start of a 3000 ms sound\n",
              static_cast<long long>(run.finishedAfterMs));

  // The output is ready for the next start after an end.
  const Run again = playToTheEnd(*playback, 6000);
  EXPECT_GE(again.finishedAfterMs, 3000 - kRenderAheadMs);
  EXPECT_LE(again.finishedAfterMs, 3100);
}

TEST_F(ThroughSoundServer, AStopNearTheEndSilencesAndANewStartPlaysAgain) {
  auto playback = open(wave(1000));
  ASSERT_TRUE(playback);
  const auto start = Steady::now();
  ASSERT_TRUE(playback->play(0).ok());
  // The last buffer has been handed over; the sound server still holds it.
  while (playback->positionMs() < 900 && msSince(start) < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  playback->stop();
  EXPECT_EQ(playback->state(), PlaybackState::stopped);
  const std::int64_t stoppedAt = playback->positionMs();
  EXPECT_GE(stoppedAt, 900);
  EXPECT_LT(stoppedAt, 1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(playback->state(), PlaybackState::stopped);
  EXPECT_EQ(playback->positionMs(), stoppedAt);

  ASSERT_TRUE(playback->play(500).ok());
  const auto restart = Steady::now();
  while (playback->state() == PlaybackState::playing && msSince(restart) < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(playback->state(), PlaybackState::finished);
  EXPECT_GE(msSince(restart), 500 - kRenderAheadMs);
  EXPECT_LE(msSince(restart), 600);
}

TEST_F(ThroughSoundServer, ClosingWhileTheServerStillSoundsDoesNotWaitForIt) {
  auto playback = open(wave(1000));
  ASSERT_TRUE(playback);
  const auto start = Steady::now();
  ASSERT_TRUE(playback->play(0).ok());
  while (playback->positionMs() < 950 && msSince(start) < 3000)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const auto closing = Steady::now();
  playback.reset();
  // The position tick runs on the GUI thread: a close there must not hang it.
  EXPECT_LE(msSince(closing), 100);
}

}  // namespace
}  // namespace tv
