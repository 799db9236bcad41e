#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/alsa/alsa_sound_system.h"
#include "platform/file/file_sound_system.h"
#include "platform/posix/posix_take_file.h"
#include "platform/sound/mci.h"
#include "platform/sound/wav_file.h"
#include "tests/support/sound/manual_clock.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

// One take of the whole input through a sound system's first device: the
// capture begins at the stream's open, as at switching on.
std::vector<std::uint8_t> capture(SoundSystem& sound, ManualClock& clock, std::size_t count,
                                  const std::string& file) {
  auto opened = sound.openInput(sound.inputDevices().front().name, 11025);
  EXPECT_TRUE(opened.ok());
  if (!opened) return {};
  std::shared_ptr<CaptureStream> stream = *opened;
  PosixTakeFiles takeFiles;
  Mci mci(sound, &takeFiles);
  mci.setInputStream(stream);
  mci.sendString("open new type waveaudio alias capture ");
  mci.setCaptureStart(0);
  mci.sendString("record capture ");
  clock.advance(static_cast<std::int64_t>(count) * 1000 / 11025);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (stream->produced() < count && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  mci.sendString("stop capture wait ");
  mci.sendString("save capture wait " + file);
  auto wave = readPcmWave(file);
  return wave ? wave->data : std::vector<std::uint8_t>{};
}

TEST(AlsaCapture, TheFileInputAndAlsasFileDeviceGiveTheSameCapture) {
  test::TempFolder folder;
  const std::string dir = folder.path();
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::vector<std::uint8_t> samples(11025 * 10);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint8_t>(128 + 100 * ((i / 50) % 2 ? 1 : -1) * (i % 7) / 7);
  (void)writeMonoU8Wave(dir + "/in.wav", 11025, samples);
  {
    std::ofstream raw(dir + "/in.raw", std::ios::binary);
    raw.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size()));
  }
  std::ofstream(dir + "/alsa.conf")
      << "pcm.tvcapture { type file slave.pcm \"null\" format \"raw\" infile \"" << dir
      << "/in.raw\" file \"/dev/null\" hint { show on description \"Test capture\" } }\n";
  ::setenv("ALSA_CONFIG_PATH", ("/usr/share/alsa/alsa.conf:" + dir + "/alsa.conf").c_str(), 1);

  ManualClock fileClock;
  FileSoundSystem file(dir + "/in.wav", fileClock);
  const auto fromFile = capture(file, fileClock, samples.size(), "file.wav");

  ManualClock alsaClock;
  AlsaOptions options;
  options.silentWithoutOutput = true;
  options.paceTolerance = 0;
  options.paceSlackMs = 0;
  AlsaSoundSystem alsa(alsaClock, options);
  struct OneDevice : SoundSystem {
    explicit OneDevice(AlsaSoundSystem& a) : alsa(a) {}
    std::vector<SoundDevice> inputDevices() override { return {{"tvcapture", "Test capture"}}; }
    Result<std::shared_ptr<CaptureStream>> openInput(const std::string& name, int rate) override {
      return alsa.openInput(name, rate);
    }
    Result<std::unique_ptr<PlaybackStream>> openPlayback(const std::filesystem::path& f,
                                                         const PlaybackOptions& o) override {
      return alsa.openPlayback(f, o);
    }
    AlsaSoundSystem& alsa;
  } one(alsa);
  const auto fromAlsa = capture(one, alsaClock, samples.size(), "alsa.wav");

  std::filesystem::current_path(previous);
  ASSERT_EQ(fromFile.size(), samples.size());
  EXPECT_EQ(fromFile, samples);
  EXPECT_EQ(fromAlsa, fromFile);
  EXPECT_EQ(test::readFile(dir + "/file.wav"), test::readFile(dir + "/alsa.wav"));
}

}  // namespace
}  // namespace tv
