#include "tests/support/busy_net.h"

#include <algorithm>
#include <cmath>

#include "platform/sound/silent_playback.h"

namespace tv::test {

namespace {

// A small fast generator: the same seed gives the same net.
class Draw {
 public:
  explicit Draw(std::uint32_t seed) : state_(seed ? seed : 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double between(double low, double high) { return low + (high - low) * (next() / 4294967296.0); }

 private:
  std::uint32_t state_;
};

std::uint32_t mix(std::uint64_t a, std::uint64_t b) {
  std::uint64_t x = a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull);
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  return static_cast<std::uint32_t>(x);
}

constexpr std::size_t kPiece = 1 << 15;

class NetStream : public CaptureStream {
 public:
  NetStream(const Clock& clock, const std::vector<NetTransmission>& net, int netRate,
            std::int64_t onAtMs, int sampleRate)
      : CaptureStream(sampleRate),
        clock_(clock),
        net_(net),
        openedAtMs_(clock.monotonicMs()),
        // The net's sample that sounds as the stream opens; a rate other than the net's
        // hears it stretched, which is all the same to a voice-operated recorder.
        firstSample_(static_cast<std::uint64_t>(std::max<std::int64_t>(openedAtMs_ - onAtMs, 0)) *
                     static_cast<std::uint64_t>(netRate) / 1000),
        noise_(0x51A7u) {}

 protected:
  void pump() override {
    const std::int64_t elapsed = std::max<std::int64_t>(clock_.monotonicMs() - openedAtMs_, 0);
    const std::uint64_t due =
        static_cast<std::uint64_t>(elapsed) * static_cast<std::uint64_t>(sampleRate()) / 1000;
    while (delivered_ < due) {
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(due - delivered_, kPiece));
      piece_.resize(n);
      for (std::size_t i = 0; i < n; ++i) piece_[i] = sampleAt(firstSample_ + delivered_ + i);
      deliver(piece_);
      delivered_ += n;
    }
  }

 private:
  // Positions only grow, so the transmission in question is found by walking on.
  std::uint8_t sampleAt(std::uint64_t at) {
    while (cursor_ < net_.size() && net_[cursor_].end <= at) ++cursor_;
    const std::uint32_t r = noise_.next();
    if (cursor_ == net_.size() || at < net_[cursor_].first) {
      return static_cast<std::uint8_t>(127 + (r & 1));
    }
    const NetTransmission& t = net_[cursor_];
    constexpr std::uint64_t kSyllable = 2756;  // a quarter of a second at 11,025 Hz
    const std::uint64_t offset = at - t.first;
    const std::uint64_t syllable = offset / kSyllable;
    const std::uint64_t lastSyllable = (t.end - 1 - t.first) / kSyllable;
    const std::uint32_t shape = mix(cursor_, syllable);
    // A pause now and then, never two in a row, never at either end.
    const bool pause = syllable > 0 && syllable < lastSyllable && shape % 4 == 0 &&
                       mix(cursor_, syllable - 1) % 4 != 0;
    if (pause) return static_cast<std::uint8_t>(127 + (r & 3) - 1);
    const double within = static_cast<double>(offset % kSyllable) / kSyllable;
    const double rise = 1.0 - std::abs(2.0 * within - 1.0);
    const double loudness = 90 + (shape >> 8) % 35;  // a transmitter's compressed speech
    const double wave = (static_cast<double>(r >> 8) / 16777216.0) * 2.0 - 1.0;
    // The ends of a syllable keep a floor, so the transmission itself has no gap.
    const double level = loudness * (0.3 + 0.7 * rise) * wave;
    return static_cast<std::uint8_t>(std::clamp(127.0 + level, 0.0, 255.0));
  }

  const Clock& clock_;
  const std::vector<NetTransmission>& net_;
  std::int64_t openedAtMs_;
  std::uint64_t firstSample_;
  std::uint64_t delivered_ = 0;
  std::size_t cursor_ = 0;
  Draw noise_;
  std::vector<std::uint8_t> piece_;
};

// The transmitter's audio input: nothing to hear, but on the air.
class OnTheAir : public PlaybackStream {
 public:
  explicit OnTheAir(std::unique_ptr<PlaybackStream> timing) : timing_(std::move(timing)) {}
  std::int64_t lengthMs() const override { return timing_->lengthMs(); }
  std::int64_t positionMs() override { return timing_->positionMs(); }
  PlaybackState state() override { return timing_->state(); }
  Result<void> play(std::int64_t fromMs, std::optional<std::int64_t> toMs) override {
    return timing_->play(fromMs, toMs);
  }
  Result<void> seek(std::int64_t ms) override { return timing_->seek(ms); }
  void stop() override { timing_->stop(); }
  Result<void> status() override { return timing_->status(); }

 private:
  std::unique_ptr<PlaybackStream> timing_;
};

}  // namespace

std::vector<NetTransmission> planBusyNet(const BusyNetPlan& plan) {
  Draw draw(plan.seed);
  std::vector<NetTransmission> net;
  const double meanLength = (plan.shortestS + plan.longestS) / 2;
  // The gaps are spread evenly around the mean that gives `perDay`.
  const double meanGap = std::max(plan.gapS, 86'400.0 / plan.perDay - meanLength);
  const double longestGap = 2 * meanGap - plan.gapS;
  double at = draw.between(plan.gapS, longestGap);
  while (true) {
    const double length = draw.between(plan.shortestS, plan.longestS);
    if (at + length > plan.seconds) break;
    const auto first = static_cast<std::uint64_t>(at * plan.rate);
    const auto end = static_cast<std::uint64_t>((at + length) * plan.rate);
    if (!plan.free || plan.free(first, end)) net.push_back({first, end});
    at += length + draw.between(plan.gapS, longestGap);
  }
  return net;
}

BusyNetReceiver::BusyNetReceiver(const Clock& clock, std::vector<NetTransmission> net, int rate)
    : NoSoundSystem(clock),
      clock_(clock),
      net_(std::move(net)),
      rate_(rate),
      onAtMs_(clock.monotonicMs()) {}

std::vector<SoundDevice> BusyNetReceiver::inputDevices() {
  return {{"net", "A busy net"}};
}

std::vector<SoundDevice> BusyNetReceiver::outputDevices() {
  return {{"default", "The transmitter"}};
}

Result<std::unique_ptr<PlaybackStream>> BusyNetReceiver::openPlayback(
    const std::filesystem::path& file, const PlaybackOptions& options) {
  auto timing = SilentPlayback::open(clock_, file, options);
  if (!timing) return timing.error();
  return std::unique_ptr<PlaybackStream>(std::make_unique<OnTheAir>(std::move(*timing)));
}

Result<std::shared_ptr<CaptureStream>> BusyNetReceiver::openInput(const std::string&,
                                                                  int sampleRate) {
  if (sampleRate <= 0) return failure("no such sample rate");
  return std::shared_ptr<CaptureStream>(
      std::make_shared<NetStream>(clock_, net_, rate_, onAtMs_, sampleRate));
}

}  // namespace tv::test
