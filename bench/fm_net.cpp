#include "bench/fm_net.h"

#include <algorithm>
#include <cmath>

namespace tv::bench {
namespace {

constexpr double kMiddle = 127.5;
// The talker begins where the synthesiser's output first stands this far
// above nothing, relative to its peaks, and ends where it last does; the
// beginning is often a soft sound (h, f, s) that the audio band weakens further.
constexpr double kSpeechEdge = 0.02;

// splitmix64: the same numbers on every machine and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  double uniform() {
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 53);
  }
  double between(const double (&range)[2]) { return range[0] + (range[1] - range[0]) * uniform(); }
  double gaussian() {
    const double u = std::max(uniform(), 1e-300);
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * M_PI * uniform());
  }

 private:
  std::uint64_t state_;
};

class Biquad {
 public:
  static Biquad lowPass(double hz, int rate, double q) { return make(hz, rate, q, false); }
  static Biquad highPass(double hz, int rate, double q) { return make(hz, rate, q, true); }
  double operator()(double x) {
    const double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return y;
  }

 private:
  static Biquad make(double hz, int rate, double q, bool high) {
    const double w = 2 * M_PI * hz / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    f.b0_ = (high ? (1 + c) / 2 : (1 - c) / 2) / a0;
    f.b1_ = (high ? -(1 + c) : 1 - c) / a0;
    f.b2_ = f.b0_;
    f.a1_ = -2 * c / a0;
    f.a2_ = (1 - alpha) / a0;
    return f;
  }
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, z1_ = 0, z2_ = 0;
};

// A transceiver's audio band, 300-3000 Hz, fourth-order Butterworth edges.
class AudioBand {
 public:
  explicit AudioBand(int rate)
      : stages_{Biquad::highPass(300, rate, 0.5412), Biquad::highPass(300, rate, 1.3066),
                Biquad::lowPass(3000, rate, 0.5412), Biquad::lowPass(3000, rate, 1.3066)} {}
  double operator()(double x) {
    for (Biquad& stage : stages_) x = stage(x);
    return x;
  }

 private:
  Biquad stages_[4];
};

// The noise of an FM discriminator rises with frequency; the receiver's
// de-emphasis (750 us) flattens it again, and its audio band limits it.
// Unit rms.
class FmHiss {
 public:
  FmHiss(int rate, std::uint64_t seed)
      : random_(seed), band_(rate), deEmphasis_(1 - std::exp(-1.0 / (750e-6 * rate))) {
    FmHiss probe = *this;  // the same noise, measured once
    double sum = 0;
    const int n = rate * 4;
    for (int i = 0; i < n; ++i) {
      const double v = probe.next();
      sum += v * v;
    }
    scale_ = 1 / std::sqrt(sum / n);
  }
  double next() {
    const double white = random_.gaussian();
    const double rising = white - previous_;
    previous_ = white;
    smoothed_ += (rising - smoothed_) * deEmphasis_;
    return band_(smoothed_) * scale_;
  }

 private:
  Random random_;
  AudioBand band_;
  double deEmphasis_;
  double scale_ = 1;
  double previous_ = 0;
  double smoothed_ = 0;
};

std::vector<double> samplesOf(const PcmWave& wave) {
  std::vector<double> out;
  const std::uint64_t frames = wave.frames();
  out.reserve(static_cast<std::size_t>(frames));
  for (std::uint64_t f = 0; f < frames; ++f) {
    const std::size_t at = static_cast<std::size_t>(f) * wave.bytesPerFrame();
    out.push_back(wave.bitsPerSample == 8
                      ? wave.data[at] - 128.0
                      : static_cast<std::int16_t>(wave.data[at] | (wave.data[at + 1] << 8)) /
                            256.0);
  }
  return out;
}

// What the talker said, band-limited at the source rate, then taken to the
// net's rate by linear interpolation (nothing is left above 3 kHz to fold
// back).
std::vector<double> inBand(const PcmWave& wave, int rate) {
  std::vector<double> source = samplesOf(wave);
  double loudest = 0;
  for (double s : source) loudest = std::max(loudest, std::abs(s));
  auto spoken = [edge = kSpeechEdge * loudest](double s) { return std::abs(s) > edge; };
  const auto first = std::find_if(source.begin(), source.end(), spoken) - source.begin();
  const auto last = std::find_if(source.rbegin(), source.rend(), spoken).base() - source.begin();
  AudioBand band(wave.sampleRate);
  for (double& s : source) s = band(s);
  std::vector<double> out;
  if (source.empty()) return out;
  const double step = static_cast<double>(wave.sampleRate) / rate;
  const auto end = static_cast<double>(std::min<std::ptrdiff_t>(last, std::ssize(source) - 1));
  for (double t = static_cast<double>(first); t < end; t += step) {
    const auto i = static_cast<std::size_t>(t);
    out.push_back(source[i] + (source[i + 1] - source[i]) * (t - static_cast<double>(i)));
  }
  return out;
}

// A transmitter's speech processing: a compressor (4:1 above a tenth of the
// peak, fast attack, slow release), then the deviation limiter, which clips
// the syllables' peaks above the `limiter` quantile of them (none at 1), and
// the filter behind it; then the highest samples are set to `peak`.
void speechProcessing(std::vector<double>& x, int rate, double limiter, double peak) {
  auto top = [&x] {
    double m = 1e-9;
    for (double s : x) m = std::max(m, std::abs(s));
    return m;
  };
  const double threshold = top() / 10;
  const double attack = 1 - std::exp(-1.0 / (0.003 * rate));
  const double release = 1 - std::exp(-1.0 / (0.2 * rate));
  double envelope = 0;
  for (double& s : x) {
    const double a = std::abs(s);
    envelope += (a - envelope) * (a > envelope ? attack : release);
    if (envelope > threshold) s *= std::pow(envelope / threshold, 1.0 / 4 - 1);
  }
  // The syllables' peaks: samples above their neighbours in the louder part
  // of the speech.
  const double loud = top() / 4;
  std::vector<double> peaks;
  for (std::size_t i = 1; i + 1 < x.size(); ++i) {
    const double a = std::abs(x[i]);
    if (a > loud && a >= std::abs(x[i - 1]) && a >= std::abs(x[i + 1])) peaks.push_back(a);
  }
  const auto rank = static_cast<std::size_t>(limiter * static_cast<double>(peaks.size()));
  if (rank < peaks.size()) {
    const auto at = peaks.begin() + static_cast<std::ptrdiff_t>(rank);
    std::nth_element(peaks.begin(), at, peaks.end());
    const double limit = *at;
    Biquad smooth[2] = {Biquad::lowPass(3000, rate, 0.5412), Biquad::lowPass(3000, rate, 1.3066)};
    for (double& s : x) {
      s = std::clamp(s, -limit, limit);
      for (Biquad& stage : smooth) s = stage(s);
    }
  }
  const double scale = peak / top();
  for (double& s : x) s *= scale;
}

// The speech's peak level as a peak meter shows it: the rms of its loudest
// 10 ms.
double peakLevel(const std::vector<double>& x, int rate) {
  const std::size_t window = std::max(static_cast<std::size_t>(rate / 100), std::size_t{1});
  double loudest = 0;
  for (std::size_t at = 0; at + window <= x.size(); at += window / 2) {
    double sum = 0;
    for (std::size_t i = at; i < at + window; ++i) sum += x[i] * x[i];
    loudest = std::max(loudest, sum / static_cast<double>(window));
  }
  return std::sqrt(loudest);
}

struct Layout {
  std::size_t lead, hang, tail, closed, firstRise;
  double hissBelowDb;
};

}  // namespace

FmNet fmNet(const std::vector<PcmWave>& phrases, int rate, const FmNetShape& shape) {
  // Separate draws for the layout and for the noise, so that the layout does
  // not depend on the rate.
  Random layoutDraws(static_cast<std::uint64_t>(shape.seed));
  Random cardNoise(static_cast<std::uint64_t>(shape.seed) * 31 + 1);
  FmHiss hiss(rate, static_cast<std::uint64_t>(shape.seed) * 17 + 3);
  auto samples = [rate](double ms) { return static_cast<std::size_t>(ms * rate / 1000); };

  FmNet net;
  std::vector<double> signal;  // the receiver's audio, before the sound card
  auto closed = [&](std::size_t n) { signal.insert(signal.end(), n, 0.0); };
  closed(samples(8000));
  for (const PcmWave& phrase : phrases) {
    Layout l{};
    l.lead = samples(layoutDraws.between(shape.carrierLeadMs));
    l.hissBelowDb = layoutDraws.between(shape.hissBelowPeaksDb);
    l.firstRise = std::max<std::size_t>(samples(layoutDraws.between(shape.firstRiseMs)), 1);
    l.hang = samples(layoutDraws.between(shape.carrierHangMs));
    l.tail = samples(layoutDraws.between(shape.squelchTailMs));
    l.closed = samples(1000 * layoutDraws.between(shape.closedS));

    std::vector<double> speech = inBand(phrase, rate);
    speechProcessing(speech, rate, shape.limiter, shape.speechPeak);
    if (speech.empty()) continue;
    const double hissRms = peakLevel(speech, rate) * std::pow(10, -l.hissBelowDb / 20);
    // The first syllable comes up out of the hiss: its level rises evenly in
    // decibels from the hiss's to its own.
    for (std::size_t i = 0; i < l.firstRise && i < speech.size(); ++i)
      speech[i] *= std::pow(10, -l.hissBelowDb * (1 - static_cast<double>(i) / l.firstRise) / 20);

    FmTransmission t;
    t.rise = signal.size();
    const std::size_t speechAt = t.rise + l.lead;
    t.onset = speechAt;
    t.end = speechAt + speech.size();
    t.hissRms = hissRms;
    net.transmissions.push_back(t);

    for (std::size_t i = 0; i < l.lead; ++i) signal.push_back(hissRms * hiss.next());
    for (double s : speech) signal.push_back(s + hissRms * hiss.next());
    for (std::size_t i = 0; i < l.hang; ++i) signal.push_back(hissRms * hiss.next());
    const double tailRms = shape.speechPeak * std::pow(10, -shape.tailBelowPeaksDb / 20);
    for (std::size_t i = 0; i < l.tail; ++i) signal.push_back(tailRms * hiss.next());
    closed(l.closed);
  }

  net.samples.reserve(signal.size());
  for (double s : signal) {
    const double value = kMiddle + s + shape.closedNoiseLsb * cardNoise.gaussian();
    net.samples.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)));
  }
  return net;
}

}  // namespace tv::bench
