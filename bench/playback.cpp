// How far the position the playback window shows lies from the sound actually played.
//
// 1. Under the virtual clock: an output that consumes frames at its sample rate as the
//    clock moves; every millisecond the slider (and the position label) are read
//    against the frames consumed so far.
// 2. On a real sound card: the slider against the frames handed to ALSA less the
//    device's delay (the output's own position), in real time. Skipped where no card
//    can be opened.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/alsa/alsa_sound_system.h"
#include "platform/posix/real_clock.h"
#include "platform/sound/sound_file.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/real_time_loop.h"
#include "tests/support/scripted_services.h"
#include "tests/support/serial/fake_serial_port.h"
#include "tests/support/test_program.h"

namespace tv {
namespace {

// Consumes frames at the sound's rate as the clock runs, the way a card's DMA does.
class ConsumingOutput : public PlaybackStream {
 public:
  ConsumingOutput(const Clock& clock, int rate, std::uint64_t frames)
      : clock_(clock), rate_(rate), frames_(frames) {}

  std::uint64_t consumed() {
    if (!playing_) return frame_;
    const std::int64_t elapsed = clock_.monotonicMs() - startedMs_;
    const std::uint64_t reached = from_ + static_cast<std::uint64_t>(elapsed) * rate_ / 1000;
    return std::min(reached, frames_);
  }
  double consumedMs() { return consumed() * 1000.0 / rate_; }

  std::int64_t lengthMs() const override {
    return static_cast<std::int64_t>(frames_ * 1000 / rate_);
  }
  std::int64_t positionMs() override {
    return static_cast<std::int64_t>(consumed() * 1000 / static_cast<std::uint64_t>(rate_));
  }
  PlaybackState state() override {
    if (playing_ && consumed() >= frames_) return PlaybackState::finished;
    return playing_ ? PlaybackState::playing : PlaybackState::stopped;
  }
  Result<void> play(std::int64_t fromMs, std::optional<std::int64_t>) override {
    from_ = frameOf(fromMs);
    startedMs_ = clock_.monotonicMs();
    playing_ = true;
    return success();
  }
  Result<void> seek(std::int64_t ms) override {
    playing_ = false;
    frame_ = frameOf(ms);
    return success();
  }
  void stop() override {
    frame_ = consumed();
    playing_ = false;
  }
  Result<void> status() override { return success(); }

 private:
  std::uint64_t frameOf(std::int64_t ms) const {
    return std::min(frames_, static_cast<std::uint64_t>(ms) * rate_ / 1000);
  }

  const Clock& clock_;
  int rate_;
  std::uint64_t frames_;
  bool playing_ = false;
  std::uint64_t from_ = 0;
  std::uint64_t frame_ = 0;
  std::int64_t startedMs_ = 0;
};

class ConsumingSound : public SoundSystem {
 public:
  explicit ConsumingSound(const Clock& clock) : clock_(clock) {}
  std::vector<SoundDevice> inputDevices() override { return {}; }
  Result<std::shared_ptr<CaptureStream>> openInput(const std::string&, int) override {
    return failure("no input");
  }
  ConsumingOutput* last = nullptr;

  Result<std::unique_ptr<PlaybackStream>> openPlayback(const std::filesystem::path& file,
                                                       const PlaybackOptions& options) override {
    auto sound = openSoundFile(file);
    if (!sound) return sound.error();
    const SoundFileInfo& info = (*sound)->info();
    auto out = std::make_unique<ConsumingOutput>(
        clock_, options.rate > 0 ? options.rate : info.sampleRate, info.frames);
    last = out.get();
    return std::unique_ptr<PlaybackStream>(std::move(out));
  }

 private:
  const Clock& clock_;
};

struct Figures {
  double maxAbs = 0;
  double sum = 0;
  long samples = 0;
  void add(double error) {
    maxAbs = std::max(maxAbs, std::fabs(error));
    sum += std::fabs(error);
    ++samples;
  }
  double mean() const { return samples ? sum / samples : 0; }
};

double sliderMs(Program& p) {
  return p.frm_Oszi.slider.value() * static_cast<double>(p.player.playLength) / 1e6;
}

void press(Program& p) {
  p.frm_Oszi.lblFreqNorm.mouseDown(MouseButton::Left, 0, 0, 0);
  p.frm_Oszi.lblFreqNorm.mouseUp(MouseButton::Left, 0, 0, 0);
}

std::string writeWave(const std::string& folder, int channels, int rate, int bits, int seconds) {
  const std::string path = folder + "/bench " + std::to_string(rate) + ".wav";
  std::vector<std::uint8_t> data(static_cast<std::size_t>(channels) * bits / 8 * rate * seconds,
                                 128);
  test::WavBytes()
      .bytes(test::pcmWave(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate),
                           static_cast<std::uint16_t>(bits), data))
      .writeTo(path);
  return path;
}

// Plays the file through the window, with a pause and a seek half-way when `interrupt`.
void underVirtualClock(const char* title, int channels, int rate, int bits, bool interrupt) {
  test::TestProgram t;
  ConsumingSound sound(t.clock);
  t.sound = &sound;
  t.build();
  Program& p = t.p();
  p.startUp();
  p.player.selectedFile = writeWave(t.folder(), channels, rate, bits, 30);
  p.player.ShowLoadedWave();
  press(p);
  Figures slider, label;
  bool interrupted = !interrupt;
  std::int64_t elapsed = 0;
  while (p.player.playing && elapsed < 60'000) {
    t.loop.runFor(1);
    ++elapsed;
    if (!interrupted && elapsed == 10'000) {
      interrupted = true;
      p.frm_Oszi.cmd_Unterbrechen.mouseDown(MouseButton::Left, 0, 0, 0);
      t.loop.runFor(1500);
      p.frm_Oszi.cmd_Unterbrechen.mouseUp(MouseButton::Left, 0, 0, 0);
      p.frm_Oszi.slider.mouseDown(MouseButton::Left, 0, 0, 0);
      p.frm_Oszi.slider.userMoved(600'000);
      p.frm_Oszi.slider.mouseMove(MouseButton::Left, 0, 0, 0);  // the drag shows where it is
      p.frm_Oszi.slider.mouseUp(MouseButton::Left, 0, 0, 0);
      continue;
    }
    if (!p.player.playing || !sound.last) break;
    const double truth = sound.last->consumedMs();
    slider.add(sliderMs(p) - truth);
    label.add(std::stod(p.frm_Oszi.lbl_pos.caption().empty() ? "0" : p.frm_Oszi.lbl_pos.caption()) *
                  1000 -
              truth);
  }
  std::printf(
      "  %-42s tick %d ms  slider: max %5.1f ms, mean %5.1f ms; label: max %5.1f ms (%ld "
      "samples)\n",
      title, p.frm_Oszi.tmrplaywave.interval(), slider.maxAbs, slider.mean(), label.maxAbs,
      slider.samples);
}

void onARealCard() {
  test::TempFolder folder;
  const std::string file = writeWave(folder.path(), 1, 11025, 8, 10);
  RealClock clock;
  AlsaOptions options;
  options.silentWithoutOutput = false;
  AlsaSoundSystem alsa(clock, options);
  if (auto probe = alsa.openPlayback(file); !probe) {
    std::printf("  skipped: no sound card can be opened (%s)\n", probe.error().message.c_str());
    return;
  }
  test::RealTimeLoop loop;
  test::ScriptedServices services;
  test::FakeShell shell(folder.path() + "/home");
  Program p(Platform{clock, loop, services, shell, nullptr, nullptr, &alsa},
            ProgramOptions{folder.path(), folder.path() + "/tonvogel"});
  loop.attach(p.ui().timers());
  p.startUp();
  p.player.selectedFile = file;
  p.player.ShowLoadedWave();
  press(p);
  Figures slider;
  while (p.player.playing) {
    loop.waitAndDispatch();
    if (!p.player.playing) break;
    // The output's position: frames written to ALSA less snd_pcm_delay.
    const std::string reply = p.mci.sendString("status waveplayfile position");
    slider.add(sliderMs(p) - std::stod(reply));
  }
  std::printf(
      "  11025 Hz 8-bit mono, 10 s          slider: max %5.1f ms, mean %5.1f ms (%ld samples)\n",
      slider.maxAbs, slider.mean(), slider.samples);
}

}  // namespace
}  // namespace tv

int main() {
  std::printf("Position shown by the playback window against the sound played\n");
  std::printf("\n");
  std::printf("Under the virtual clock, against the frames the output has consumed:\n");
  tv::underVirtualClock("11025 Hz 8-bit mono, 30 s", 1, 11025, 8, false);
  tv::underVirtualClock("44100 Hz 16-bit stereo, 30 s", 2, 44100, 16, false);
  tv::underVirtualClock("8000 Hz 8-bit mono, 30 s, pause and seek", 1, 8000, 8, true);
  std::printf("\nOn a sound card, against the frames handed to ALSA less snd_pcm_delay:\n");
  tv::onARealCard();
  return 0;
}
