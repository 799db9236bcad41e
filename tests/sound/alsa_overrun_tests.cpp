#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/alsa/alsa_capture_stream.h"
#include "tests/support/sound/manual_clock.h"

namespace tv {
namespace {

constexpr int kRate = 11025;

std::uint8_t deviceSample(std::uint64_t frame) {
  return static_cast<std::uint8_t>(frame * 7 + 3);
}

// A capture device whose frame n (on its own time line) is deviceSample(n), and which
// overruns once when frame `overrunAt` is due: its buffer then holds `held` frames that
// the restart discards, and it stands `stoodUs` before it captures again.
class OverrunningPcm : public CapturePcm {
 public:
  OverrunningPcm(std::uint64_t overrunAt, std::uint64_t held, std::int64_t stoodUs, bool stamps)
      : overrunAt_(overrunAt), held_(held), stoodUs_(stoodUs), stamps_(stamps) {}

  int wait(int) override { return 1; }

  snd_pcm_sframes_t read(std::uint8_t* buffer, snd_pcm_uframes_t frames) override {
    if (!overran_ && position_ == overrunAt_) {
      overran_ = true;
      return -EPIPE;
    }
    if (!overran_) frames = std::min<snd_pcm_uframes_t>(frames, overrunAt_ - position_);
    for (snd_pcm_uframes_t i = 0; i < frames; ++i) buffer[i] = deviceSample(position_ + i);
    position_ += frames;
    return static_cast<snd_pcm_sframes_t>(frames);
  }

  CaptureStatus status() override {
    constexpr std::int64_t kOverranAtUs = 5'000'000;
    if (!restarted_) return {stamps_ ? std::optional(kOverranAtUs) : std::nullopt, held_};
    return {stamps_ ? std::optional(kOverranAtUs + stoodUs_) : std::nullopt, 0};
  }

  int restart(int error) override {
    EXPECT_EQ(error, -EPIPE);
    restarted_ = true;
    // What it held is gone, and its time line ran on while it stood.
    position_ += held_ + static_cast<std::uint64_t>(stoodUs_ * kRate / 1'000'000);
    return 0;
  }

 private:
  std::uint64_t overrunAt_;
  std::uint64_t held_;
  std::int64_t stoodUs_;
  bool stamps_;
  std::uint64_t position_ = 0;
  bool overran_ = false;
  bool restarted_ = false;
};

struct Overrun : testing::Test {
  // Captures a second of the stand-in's frames, read as the meter reads them.
  std::vector<std::uint8_t> capture(std::unique_ptr<CapturePcm> pcm,
                                    std::vector<CaptureStream::Gap>& gaps) {
    AlsaOptions options;
    options.paceTolerance = 0;
    options.paceSlackMs = 0;
    AlsaCaptureStream stream(std::move(pcm), 220, kRate, clock, options);
    clock.advance(1000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (stream.produced() < kRate && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(stream.produced(), std::uint64_t{kRate}) << "the count of samples is the time's";
    EXPECT_TRUE(stream.status().ok());
    std::vector<std::uint8_t> samples(kRate);
    const RingBuffer::ReadResult got = stream.read(0, samples);
    EXPECT_EQ(got.first, 0u);
    EXPECT_EQ(got.count, samples.size());
    gaps = stream.gaps();
    return samples;
  }

  ManualClock clock;
};

TEST_F(Overrun, TheSamplesLostBecomeSilenceAndTheStreamStaysOnTheDevicesTimeLine) {
  // 1,760 frames discarded and 40 ms (441 frames) without capture, after frame 3,000.
  std::vector<CaptureStream::Gap> gaps;
  const auto samples = capture(std::make_unique<OverrunningPcm>(3000, 1760, 40'000, true), gaps);
  ASSERT_EQ(gaps.size(), 1u);
  EXPECT_EQ(gaps[0].position, 3000u);
  EXPECT_EQ(gaps[0].samples, 1760u + 441u);
  for (std::uint64_t n = 0; n < samples.size(); ++n) {
    const bool lost = n >= 3000 && n < 3000 + 2201;
    ASSERT_EQ(samples[n], lost ? kSilentSample : deviceSample(n)) << "sample " << n;
  }
}

TEST_F(Overrun, WithoutTimeStampsTheDiscardedFramesAreStillCounted) {
  // Under the stopped test clock no time passes between seeing the overrun and the
  // restart: what the device held is what is known to be lost.
  std::vector<CaptureStream::Gap> gaps;
  const auto samples = capture(std::make_unique<OverrunningPcm>(500, 1000, 0, false), gaps);
  ASSERT_EQ(gaps.size(), 1u);
  EXPECT_EQ(gaps[0].position, 500u);
  EXPECT_EQ(gaps[0].samples, 1000u);
  EXPECT_EQ(samples[1500], deviceSample(1500));
}

}  // namespace
}  // namespace tv
