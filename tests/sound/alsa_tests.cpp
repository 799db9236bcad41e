#include "platform/alsa/alsa_sound_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/posix/posix_take_file.h"
#include "platform/sound/mci.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/sound/manual_clock.h"

namespace tv {
namespace {

// ALSA's file and null devices, defined by the test: a capture device reading
// in.raw, one whose input file is missing, a playback device writing out.raw
// (the desktop's output) and one writing tx.raw (the transmitter's). alsa-lib
// reads its configuration on first use, so every test of this executable sets
// the same one before it touches ALSA.
class Alsa : public ::testing::Test {
 protected:
  Alsa() : dir_(test::scratchDirectory("alsa")) {
    std::ofstream(dir_ / "alsa.conf", std::ios::trunc)
        << pcm("tvcapture", "infile \"" + (dir_ / "in.raw").string() + "\" file \"/dev/null\"",
               "Test capture")
        << pcm("tvmissing", "infile \"" + (dir_ / "missing.raw").string() + "\" file \"/dev/null\"",
               "Missing input")
        << pcm("tvafter", "infile \"" + (dir_ / "in.raw").string() + "\" file \"/dev/null\"",
               "After the missing one")
        << pcm("tvplayback", "file \"" + (dir_ / "out.raw").string() + "\"", "Test playback")
        << pcm("tvtransmit", "file \"" + (dir_ / "tx.raw").string() + "\" truncate false",
               "Test transmitter")
        << "pcm.tvplug { type plug slave.pcm \"tvplayback\" }\n";
    ::setenv("ALSA_CONFIG_PATH",
             ("/usr/share/alsa/alsa.conf:" + (dir_ / "alsa.conf").string()).c_str(), 1);
    options_.playbackPcm = "tvplayback";
    options_.silentWithoutOutput = false;
    options_.paceTolerance = 0;
    options_.paceSlackMs = 0;
  }

  ~Alsa() override { std::filesystem::remove_all(dir_); }

  static std::string pcm(const std::string& name, const std::string& files,
                         const std::string& description) {
    return "pcm." + name + " { type file slave.pcm \"null\" format \"raw\" " + files +
           " hint { show on description \"" + description + "\" } }\n";
  }

  void writeInput(const std::vector<std::uint8_t>& bytes) {
    test::WavBytes().bytes(bytes).writeTo(dir_ / "in.raw");
  }

  static bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::filesystem::path dir_;
  ManualClock clock_;
  AlsaOptions options_;
};

TEST_F(Alsa, OpensAnInputByItsNameAndSaysWhyOneDoesNotOpen) {
  writeInput({1, 2, 3});
  AlsaSoundSystem sound(clock_, options_);
  EXPECT_TRUE(sound.openInput("tvcapture", 11025).ok());
  auto missing = sound.openInput("tvmissing", 11025);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().message.find("No such file"), std::string::npos)
      << missing.error().message;
}

TEST_F(Alsa, CaptureDeliversTheDeviceBytesExactlyThenTheZeroLine) {
  std::vector<std::uint8_t> input(3000);
  for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i * 31 + 5);
  writeInput(input);
  AlsaSoundSystem sound(clock_, options_);
  auto opened = sound.openInput("tvcapture", 11025);
  ASSERT_TRUE(opened.ok()) << opened.error().message;
  std::shared_ptr<CaptureStream> stream = *opened;

  PosixTakeFiles takeFiles;
  Mci mci(sound, &takeFiles, TakeWriter::Mode::ownThread);
  mci.setInputStream(stream);
  mci.sendString("open new type waveaudio alias capture ");
  mci.sendString(
      "set capture time format milliseconds  bitspersample 8 samplespersec 11025 channels 1 "
      "bytespersec 11025 alignment 1");
  mci.setCaptureFile((dir_ / "working.wav").string());
  mci.sendString("record capture ");
  clock_.advance(400);  // 4410 samples are due
  ASSERT_TRUE(waitFor([&] { return stream->produced() >= 4410; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(stream->produced(), 4410u);  // the clock holds the device to real time
  mci.sendString("stop capture wait ");
  const auto saved = dir_ / "take.wav";
  ASSERT_EQ(mci.sendString("save capture wait " + saved.string()), "");

  std::vector<std::uint8_t> expected = input;
  expected.resize(4410, kSilentSample);
  EXPECT_EQ(test::readFile(saved), test::pcmWave(1, 11025, 8, expected));
  EXPECT_TRUE(stream->status().ok());
}

TEST_F(Alsa, OpensAtEveryRateTheSettingsOffer) {
  writeInput(std::vector<std::uint8_t>(100, 9));
  AlsaSoundSystem sound(clock_, options_);
  for (int rate : {4000, 5000, 8000, 11025, 22050, 44100, 12345}) {
    auto opened = sound.openInput("tvcapture", rate);
    ASSERT_TRUE(opened.ok()) << rate << ": " << opened.error().message;
    EXPECT_EQ((*opened)->sampleRate(), rate);
  }
  EXPECT_FALSE(sound.openInput("tvcapture", 0).ok());
  EXPECT_FALSE(sound.openInput("tvnothing", 11025).ok());
}

TEST_F(Alsa, PlaysWithTheVolumeAsGainPerChannel) {
  std::vector<std::uint8_t> frames;
  for (int i = 0; i < 800; ++i) frames.insert(frames.end(), {0x00, 0x40, 0x00, 0xC0});
  test::WavBytes().bytes(test::pcmWave(2, 8000, 16, frames)).writeTo(dir_ / "s16.wav");
  AlsaSoundSystem sound(clock_, options_);
  sound.setOutputVolume(65535, 0);  // left at full volume, right silent
  {
    auto opened = sound.openPlayback(dir_ / "s16.wav");
    ASSERT_TRUE(opened.ok()) << opened.error().message;
    PlaybackStream& playback = **opened;
    EXPECT_EQ(playback.lengthMs(), 100);
    ASSERT_TRUE(playback.play(0).ok());
    clock_.advance(50);
    ASSERT_TRUE(waitFor([&] { return playback.positionMs() >= 50; }));
    EXPECT_EQ(playback.positionMs(), 50);
    EXPECT_EQ(playback.state(), PlaybackState::playing);
    playback.stop();
    clock_.advance(500);
    EXPECT_EQ(playback.positionMs(), 50);
    ASSERT_TRUE(playback.play(50).ok());
    clock_.advance(500);
    ASSERT_TRUE(waitFor([&] { return playback.state() == PlaybackState::finished; }));
    EXPECT_EQ(playback.positionMs(), 100);
  }
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 800; ++i) expected.insert(expected.end(), {0x00, 0x40, 0x00, 0x00});
  EXPECT_EQ(test::readFile(dir_ / "out.raw"), expected);
}

TEST_F(Alsa, EightBitGainAndMissingOutput) {
  test::WavBytes().bytes(test::pcmWave(1, 8000, 8, {128, 228, 28, 255})).writeTo(dir_ / "u8.wav");
  AlsaSoundSystem sound(clock_, options_);
  sound.setOutputVolume(32768, 32768);
  {
    auto opened = sound.openPlayback(dir_ / "u8.wav");
    ASSERT_TRUE(opened.ok()) << opened.error().message;
    ASSERT_TRUE((*opened)->play(0).ok());
    clock_.advance(10);
    ASSERT_TRUE(waitFor([&] { return (*opened)->state() == PlaybackState::finished; }));
  }
  EXPECT_EQ(test::readFile(dir_ / "out.raw"), (std::vector<std::uint8_t>{128, 178, 78, 192}));

  options_.playbackPcm = "tvnothing";
  EXPECT_FALSE(AlsaSoundSystem(clock_, options_).openPlayback(dir_ / "u8.wav").ok());
  options_.silentWithoutOutput = true;
  AlsaSoundSystem silent(clock_, options_);
  auto opened = silent.openPlayback(dir_ / "u8.wav");
  ASSERT_TRUE(opened.ok());
  EXPECT_FALSE(silent.openPlayback(dir_ / "none.wav").ok());
}

TEST_F(Alsa, APlayingSoundMovesToAnotherOutputAtItsPositionNoneLostNoneTwice) {
  std::vector<std::uint8_t> samples(800);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint8_t>(i * 7 + 1);
  test::WavBytes().bytes(test::pcmWave(1, 8000, 8, samples)).writeTo(dir_ / "u8.wav");
  AlsaSoundSystem sound(clock_, options_);
  {
    Mci mci(sound);
    ASSERT_EQ(mci.sendString("open " + (dir_ / "u8.wav").string() + " alias waveplayfile"), "");
    ASSERT_EQ(mci.sendString("play waveplayfile from  0"), "");
    clock_.advance(30);  // 240 samples on the desktop's output
    ASSERT_TRUE(waitFor([&] { return mci.sendString("status waveplayfile position") == "30"; }));
    ASSERT_TRUE(mci.setPlaybackOutput("tvtransmit").ok());
    EXPECT_EQ(mci.playbackOutput(), "tvtransmit");
    clock_.advance(100);
    ASSERT_TRUE(waitFor([&] { return mci.sendString("status waveplayfile position") == "100"; }));
    // An output that does not open leaves the sound where it is.
    EXPECT_FALSE(mci.setPlaybackOutput("tvnothing").ok());
    EXPECT_EQ(mci.playbackOutput(), "tvtransmit");
    mci.sendString("close waveplayfile");
  }
  const std::vector<std::uint8_t> desktop = test::readFile(dir_ / "out.raw");
  const std::vector<std::uint8_t> transmitter = test::readFile(dir_ / "tx.raw");
  EXPECT_EQ(desktop, std::vector<std::uint8_t>(samples.begin(), samples.begin() + 240));
  EXPECT_EQ(transmitter, std::vector<std::uint8_t>(samples.begin() + 240, samples.end()));
}

TEST_F(Alsa, AWokenOutputHearsSilenceUntilAPlaybackOnItTakesOver) {
  test::WavBytes()
      .bytes(test::pcmWave(1, 11025, 8, std::vector<std::uint8_t>(110, 200)))
      .writeTo(dir_ / "u8.wav");
  AlsaSoundSystem sound(clock_, options_);
  ASSERT_TRUE(sound.wakeOutput("tvtransmit").ok());
  // The file device writes a buffer's worth at a time.
  clock_.advance(1000);
  ASSERT_TRUE(waitFor([&] { return !test::readFile(dir_ / "tx.raw").empty(); }));
  const std::vector<std::uint8_t> silence = test::readFile(dir_ / "tx.raw");
  EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](std::uint8_t s) { return s == 128; }));
  EXPECT_TRUE(test::readFile(dir_ / "out.raw").empty()) << "nothing on the desktop's output";

  // A playback on the output takes it over (a card would take no second stream), and
  // the silence ends with it.
  auto opened = sound.openPlayback(dir_ / "u8.wav", {.output = "tvtransmit"});
  ASSERT_TRUE(opened.ok()) << opened.error().message;
  const auto fed = test::readFile(dir_ / "tx.raw").size();
  clock_.advance(2000);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(test::readFile(dir_ / "tx.raw").size(), fed);

  const Result<void> gone = sound.wakeOutput("tvnothing");
  ASSERT_FALSE(gone.ok());
  EXPECT_NE(gone.error().message.find("tvnothing"), std::string::npos);
}

// A speed whose rate the output refuses (the plug layer takes none below 4000 Hz) plays
// all the same, made into frames at the file's own rate by the program: as long and as
// high as asked, never silent.
TEST_F(Alsa, ARateTheOutputRefusesIsResampledNotSilenced) {
  std::vector<std::uint8_t> samples(400);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = i % 2 ? 0 : 200;
  test::WavBytes().bytes(test::pcmWave(1, 8000, 8, samples)).writeTo(dir_ / "u8.wav");
  options_.playbackPcm = "tvplug";
  options_.silentWithoutOutput = true;
  AlsaSoundSystem sound(clock_, options_);
  {
    // A tenth of the speed: 800 Hz.
    auto opened = sound.openPlayback(dir_ / "u8.wav", {.rate = 800});
    ASSERT_TRUE(opened.ok()) << opened.error().message;
    PlaybackStream& playback = **opened;
    EXPECT_TRUE(playback.audible());
    EXPECT_EQ(playback.lengthMs(), 500);
    ASSERT_TRUE(playback.play(0).ok());
    clock_.advance(250);
    ASSERT_TRUE(waitFor([&] { return playback.positionMs() >= 250; }));
    EXPECT_EQ(playback.positionMs(), 250);
    clock_.advance(1000);
    ASSERT_TRUE(waitFor([&] { return playback.state() == PlaybackState::finished; }));
    EXPECT_EQ(playback.positionMs(), 500);
  }
  // Ten output frames to each of the file's, stepping from one sample to the next.
  const auto out = test::readFile(dir_ / "out.raw");
  ASSERT_EQ(out.size(), 4000u);
  EXPECT_EQ(out[0], 200);
  EXPECT_EQ(out[5], 100);
  EXPECT_EQ(out[10], 0);
  EXPECT_EQ(out[15], 100);
}

}  // namespace
}  // namespace tv
