// Onset loss: how much of a transmission's beginning is missing from its
// recording, and overshoot: how far the take that holds the beginning starts
// before it. Test nets of sharp onsets, of spoken phrases (espeak-ng, whose
// soft beginnings rise slowly above the threshold), of the same phrases under
// receiver hiss, and of an FM net (a closed squelch between transmissions,
// the carrier's hiss before soft first words) run through the whole program
// on the virtual clock, once for each pre-roll, with and without the
// look-back for the onset.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_program.h"
#include "bench/fm_net.h"
#include "platform/file/capture_format.h"
#include "platform/sound/wav_file.h"
#include "recorder/onset_search.h"
#include "tests/app/settings_lines.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRate = 11025;
constexpr int kTransmissions = 50;
constexpr int kFmTransmissions = 100;
// Where a transmission of the sharp and speech nets begins: the first sample
// this far from the zero line.
constexpr int kOnsetAmplitude = 3;
// No take may begin further than this before its carrier's rise.
constexpr double kRiseMarginMs = 50;

struct Transmission {
  std::size_t onset = 0;
  std::size_t end = 0;
  std::optional<std::size_t> rise;  // where the carrier's hiss begins, on the FM net
};

struct Net {
  int rate = kRate;
  std::vector<std::uint8_t> samples;
  std::vector<Transmission> transmissions;
};

void pause(Net& net, double seconds, std::uint32_t& noise) {
  const auto n = static_cast<std::size_t>(seconds * kRate);
  for (std::size_t i = 0; i < n; ++i) {
    noise = noise * 1664525u + 1013904223u;
    net.samples.push_back(static_cast<std::uint8_t>(127 + static_cast<int>(noise >> 30)));  // ±1.5
  }
}

void add(Net& net, const std::vector<std::uint8_t>& sound) {
  std::size_t onset = 0;
  while (onset < sound.size() && std::abs(static_cast<int>(sound[onset]) - 128) < kOnsetAmplitude)
    ++onset;
  const std::size_t at = net.samples.size();
  net.samples.insert(net.samples.end(), sound.begin(), sound.end());
  net.transmissions.push_back({at + onset, at + sound.size(), std::nullopt});
}

Net sharpNet() {
  Net net;
  std::uint32_t noise = 1;
  pause(net, 8, noise);
  for (int k = 0; k < kTransmissions; ++k) {
    const double seconds = 1.5 + (k % 7) * 0.25;
    const double hz = 500 + 37 * k;
    std::vector<std::uint8_t> tone(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<std::uint8_t>(
          128 + std::lround(115 * std::sin(2 * M_PI * hz * static_cast<double>(i) / kRate + k)));
    add(net, tone);
    pause(net, 6 + (k % 3), noise);
  }
  return net;
}

std::optional<tv::PcmWave> speak(const std::string& file, const std::string& text, int speed,
                                 int pitch, const std::string& voice = "") {
  const std::string command = "espeak-ng -w " + file + (voice.empty() ? "" : " -v " + voice) +
                              " -s " + std::to_string(speed) + " -p " + std::to_string(pitch) +
                              " \"" + text + "\" >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  auto wave = tv::readPcmWave(file);
  if (!wave) return std::nullopt;
  return *wave;
}

bool espeakThere() {
  return std::system("command -v espeak-ng >/dev/null 2>&1") == 0;
}

// Calls of a net. The speech net speaks the first ten, the FM net all; many
// of them open with a soft sound (h, f, s, th, w).
constexpr const char* kCalls[] = {"Hello all stations, this is Delta Lima one",
                                  "Fine business, thank you for the report",
                                  "So we meet again on Sunday morning",
                                  "This is the net control station",
                                  "Hotel Echo Lima Lima Oscar, over",
                                  "Roger, copy that, five by nine",
                                  "Stand by for the weather report",
                                  "Check in please, stations with traffic",
                                  "Have a good evening and seventy three",
                                  "Whiskey Alpha, your signal is fading",
                                  "Few stations on frequency tonight",
                                  "Thanks for the relay, back to net control",
                                  "Hold on, I will get a pencil",
                                  "Summer field day starts at noon",
                                  "Welcome to the Tuesday evening net",
                                  "Affirmative, the repeater is back on the air",
                                  "Signals are fair, a bit of noise",
                                  "Who is next on the list",
                                  "Five nine in Hamburg, over",
                                  "Sierra Hotel, go ahead"};

// The phrases, spoken at a good level: peaks at 95 % of full scale.
std::optional<std::vector<std::vector<std::uint8_t>>> phrases(const std::string& dir) {
  std::vector<std::vector<std::uint8_t>> sounds;
  for (int k = 0; k < kTransmissions; ++k) {
    auto wave = speak(dir + "/phrase" + std::to_string(k) + ".wav", kCalls[k % 10],
                      140 + 10 * (k % 5), 35 + 5 * (k % 4));
    if (!wave) return std::nullopt;
    auto sound = tv::toCaptureFormat(*wave, kRate);
    int peak = 1;
    for (auto s : sound) peak = std::max(peak, std::abs(static_cast<int>(s) - 128));
    for (auto& s : sound)
      s = static_cast<std::uint8_t>(128 + std::lround((static_cast<int>(s) - 128) * 121.0 / peak));
    sounds.push_back(std::move(sound));
  }
  return sounds;
}

// The FM net's phrases: all the calls, in several voices and tempos.
std::optional<std::vector<tv::PcmWave>> fmPhrases(const std::string& dir) {
  const char* voices[] = {"en+m1", "en+f2", "en+m3", "en+f4", "en+m5", "en+m7", "en-us"};
  std::vector<tv::PcmWave> waves;
  for (int k = 0; k < kFmTransmissions; ++k) {
    auto wave = speak(dir + "/fm" + std::to_string(k) + ".wav", kCalls[k % 20], 130 + 10 * (k % 6),
                      30 + 7 * (k % 5), voices[k % 7]);
    if (!wave) return std::nullopt;
    waves.push_back(std::move(*wave));
  }
  return waves;
}

Net speechNet(const std::vector<std::vector<std::uint8_t>>& sounds) {
  Net net;
  std::uint32_t noise = 2;
  pause(net, 8, noise);
  for (std::size_t k = 0; k < sounds.size(); ++k) {
    add(net, sounds[k]);
    pause(net, 6 + static_cast<double>(k % 3), noise);
  }
  return net;
}

// The speech net heard through an open squelch: receiver hiss at 12 % of full
// scale (rms, peaks near 40 %) under everything, the phrases on top, clipped
// as a sound card clips. The threshold stays above the hiss. Onsets are those
// of the clean phrases.
Net noisyNet(const Net& clean) {
  constexpr double kHissRms = 15;
  // Sum of four uniforms: nearly Gaussian, bounded.
  const double halfWidth = kHissRms * std::sqrt(3.0) / 2;
  Net net = clean;
  std::uint32_t state = 3;
  auto uniform = [&state] {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / (1 << 24) * 2 - 1;
  };
  for (std::size_t i = 0; i < net.samples.size(); ++i) {
    const double hiss = halfWidth * (uniform() + uniform() + uniform() + uniform());
    const long value = std::lround(static_cast<int>(clean.samples[i]) + hiss);
    net.samples[i] = static_cast<std::uint8_t>(std::clamp(value, 0L, 255L));
  }
  return net;
}

Net fromFm(const tv::bench::FmNet& fm, int rate) {
  Net net;
  net.rate = rate;
  net.samples = fm.samples;
  for (const auto& t : fm.transmissions) net.transmissions.push_back({t.onset, t.end, t.rise});
  return net;
}

struct Setup {
  int preRollMs = 0;
  tv::OnsetSearch::Settings lookBack;
  bool asBuilt = false;    // the recorder's own pre-roll and look-back
  bool noOpening = false;  // ... without the search for a squelch opening
};

Setup fixedOnly(int preRollMs) {
  Setup s;
  s.preRollMs = preRollMs;
  s.lookBack.boundMs = 0;
  s.lookBack.openingBoundMs = 0;
  return s;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Figures {
  double medianMs = 0;
  double maxMs = 0;
  int missed = 0;
  int worst = 0;        // the transmission that lost most
  double secondMs = 0;  // the next largest loss
  int over25 = 0;       // transmissions that lost more than 25 ms
  // How far the take that holds the onset starts before it.
  double overshootMedianMs = 0;
  double overshootMaxMs = 0;
  // How far that take starts before the carrier's rise (FM net only).
  std::optional<double> beforeRiseMaxMs;
  int beforeRiseOver = 0;  // takes starting more than the margin before the rise
};

Figures run(const Net& net, const Setup& setup, const std::string& dir) {
  const double msPerSample = 1000.0 / net.rate;
  const std::string wav = dir + "/net.wav";
  tv::bench::writeWave(wav, net.rate, net.samples);
  auto lines = tv::bench::benchSettings("");
  tv::test::line(lines, 4) = std::to_string(net.rate);
  tv::test::line(lines, 10) = "1";  // minimum 1 s
  tv::test::line(lines, 12) = "4";  // pause after silence 4 s
  // The recorder is switched on by hand below, once the pre-roll is set.
  tv::test::line(lines, 16) = "0";
  tv::bench::BenchProgram b(wav, lines);
  tv::Program& p = b.p();
  if (!setup.asBuilt) {
    p.recorder.preRollMs = setup.preRollMs;
    p.recorder.lookBack = setup.lookBack;
  }
  if (setup.noOpening) p.recorder.lookBack.openingBoundMs = 0;
  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);

  std::vector<tv::Mci::CaptureSpan> spans;
  const std::int64_t totalMs =
      static_cast<std::int64_t>(net.samples.size()) * 1000 / net.rate + 2000;
  for (std::int64_t ms = 0; ms < totalMs; ms += 20) {
    b.t.loop.runFor(20);
    const auto span = p.mci.captureSpan();
    if (span && (spans.empty() || spans.back().first != span->first))
      spans.push_back(*span);
    else if (span && spans.back().end != span->end)
      spans.back() = *span;
  }

  std::vector<double> losses;
  std::vector<double> overshoots;
  Figures f;
  for (const Transmission& t : net.transmissions) {
    std::optional<double> loss;
    std::uint64_t first = 0;
    for (const auto& s : spans) {
      if (s.first < t.end && s.end > t.onset) {
        const double ms =
            s.first > t.onset ? msPerSample * static_cast<double>(s.first - t.onset) : 0;
        if (!loss || ms < *loss) {
          loss = ms;
          first = s.first;
        }
      }
    }
    if (!loss) {
      ++f.missed;
      losses.push_back(msPerSample * static_cast<double>(t.end - t.onset));
      continue;
    }
    losses.push_back(*loss);
    overshoots.push_back(first < t.onset ? msPerSample * static_cast<double>(t.onset - first) : 0);
    if (t.rise) {
      const double before =
          first < *t.rise ? msPerSample * static_cast<double>(*t.rise - first) : 0;
      f.beforeRiseMaxMs = std::max(f.beforeRiseMaxMs.value_or(0), before);
      if (before > kRiseMarginMs) ++f.beforeRiseOver;
    }
  }
  if (!overshoots.empty()) {
    f.overshootMedianMs = median(overshoots);
    f.overshootMaxMs = *std::max_element(overshoots.begin(), overshoots.end());
  }
  f.worst = static_cast<int>(std::max_element(losses.begin(), losses.end()) - losses.begin());
  std::sort(losses.begin(), losses.end());
  f.secondMs = losses[losses.size() - 2];
  f.over25 = static_cast<int>(
      std::count_if(losses.begin(), losses.end(), [](double l) { return l > 25; }));
  f.medianMs = losses[losses.size() / 2];
  f.maxMs = losses.back();
  return f;
}

bool sharpMeets(const Figures& f) {
  return f.medianMs < 3 && f.maxMs < 10 && f.missed == 0;
}

bool speechMeets(const Figures& f) {
  return f.medianMs < 5 && f.maxMs < 25 && f.missed == 0;
}

bool fmMeets(const Figures& f) {
  return f.medianMs <= 5 && f.maxMs <= 25 && f.missed == 0 && f.beforeRiseOver == 0;
}

void printFigures(const char* name, const Figures& f) {
  std::printf(
      "    %-6s loss median %5.1f max %6.1f (#%d, next %5.1f, %d > 25) missed %d"
      " | overshoot median %4.0f max %4.0f",
      name, f.medianMs, f.maxMs, f.worst, f.secondMs, f.over25, f.missed, f.overshootMedianMs,
      f.overshootMaxMs);
  if (f.beforeRiseMaxMs) {
    std::printf(" | before the rise max %4.0f (%d > %.0f)", *f.beforeRiseMaxMs, f.beforeRiseOver,
                kRiseMarginMs);
  }
  std::printf("\n");
}

struct Nets {
  Net sharp;
  std::optional<Net> speech;
  std::optional<Net> noisy;
  std::optional<Net> fm;
};

// The figures of every net for one setup; whether the targets are met.
bool measure(const char* title, const Nets& nets, const Setup& setup, const std::string& dir,
             bool withSharp = true) {
  std::printf("%s\n", title);
  bool meets = true;
  if (withSharp) {
    const Figures s = run(nets.sharp, setup, dir);
    printFigures("sharp", s);
    meets = sharpMeets(s);
  }
  if (nets.speech) {
    const Figures v = run(*nets.speech, setup, dir);
    printFigures("speech", v);
    meets = meets && speechMeets(v);
  }
  if (nets.noisy) printFigures("hiss", run(*nets.noisy, setup, dir));
  if (nets.fm) {
    const Figures m = run(*nets.fm, setup, dir);
    printFigures("fm", m);
    meets = meets && fmMeets(m);
  }
  if (meets) std::puts("    meets the targets");
  return meets;
}

void describeFm(const tv::bench::FmNetShape& s) {
  std::printf("'fm': %d transmissions of an FM net. Speech limited to 300-3000 Hz, compressed\n",
              kFmTransmissions);
  std::printf("and deviation-limited (the loudest %.0f %% of its peaks clipped), highest samples\n",
              100 * (1 - s.limiter));
  std::printf("at %.0f of 127; carrier lead %.0f-%.0f ms; hiss %.0f-%.0f dB below the speech's\n",
              s.speechPeak, s.carrierLeadMs[0], s.carrierLeadMs[1], s.hissBelowPeaksDb[0],
              s.hissBelowPeaksDb[1]);
  std::printf(
      "peaks (the rms of its loudest 10 ms, as a peak meter shows them); first syllables\n");
  std::printf("rising from the hiss over %.0f-%.0f ms; carrier hang %.0f-%.0f ms; squelch tail\n",
              s.firstRiseMs[0], s.firstRiseMs[1], s.carrierHangMs[0], s.carrierHangMs[1]);
  std::printf(
      "%.0f-%.0f ms, %.0f dB below the highest samples; squelch closed %.0f-%.0f s between\n",
      s.squelchTailMs[0], s.squelchTailMs[1], s.tailBelowPeaksDb, s.closedS[0], s.closedS[1]);
  std::printf("(the sound card's noise, %.1f LSB rms). Its onset: where the talker begins (the\n",
              s.closedNoiseLsb);
  std::printf("synthesiser's first sample above 2 %% of its peak), still under the hiss; its\n");
  std::printf("rise: the first sample of hiss. 'before the rise': how far the take that holds\n");
  std::printf("the onset starts before the rise (max ms, and how many more than 50 ms).\n");
}

}  // namespace

int main() {
  std::puts("bench_recorder: onset loss over test nets");
  std::puts("targets: speech median < 5 ms, max < 25 ms; sharp median < 3 ms, max < 10 ms;");
  std::puts("fm median <= 5 ms, max <= 25 ms, no take starting more than 50 ms before its rise");
  std::puts("per net: onset loss in ms (median, max, worst transmission, next largest loss,");
  std::puts("transmissions losing more than 25 ms), missed transmissions, and the overshoot: how");
  std::puts("far the take that holds the onset starts before it (median/max ms). 'sharp',");
  std::puts("'speech' and 'hiss' have 50 transmissions each; 'hiss' is the speech net under");
  std::puts("receiver hiss at 12 % rms of full scale, its onsets the clean phrases' ones.");
  const tv::bench::FmNetShape fmShape;
  describeFm(fmShape);
  tv::test::TempFolder folder;
  const std::string dir = folder.path();
  Nets nets;
  nets.sharp = sharpNet();
  std::optional<std::vector<tv::PcmWave>> fmWaves;
  if (!espeakThere()) {
    std::puts("espeak-ng is missing (apt-get install espeak-ng): measuring sharp onsets only");
  } else if (const auto sounds = phrases(dir)) {
    nets.speech = speechNet(*sounds);
    nets.noisy = noisyNet(*nets.speech);
    fmWaves = fmPhrases(dir);
  }
  auto fmAt = [&](int rate, const tv::bench::FmNetShape& shape) {
    return fromFm(tv::bench::fmNet(*fmWaves, rate, shape), rate);
  };
  if (fmWaves) {
    const tv::bench::FmNet fm = tv::bench::fmNet(*fmWaves, kRate, fmShape);
    const auto [quietest, loudest] =
        std::minmax_element(fm.transmissions.begin(), fm.transmissions.end(),
                            [](const auto& a, const auto& b) { return a.hissRms < b.hissRms; });
    std::printf("'fm' hiss: rms %.1f to %.1f steps of the 8-bit scale\n", quietest->hissRms,
                loudest->hissRms);
    nets.fm = fromFm(fm, kRate);
  }
  const tv::OnsetSearch::Settings chosen;  // the recorder's defaults

  Setup built;
  built.asBuilt = true;
  measure("\nthe recorder as built (its own pre-roll and look-back):", nets, built, dir);
  Setup walkOnly = built;
  walkOnly.noOpening = true;
  measure("the same without the search for a squelch opening:", nets, walkOnly, dir);

  if (fmWaves) {
    // The FM net at the highest rate and in variants, so that the figures
    // hold beyond one draw of one net.
    std::puts("\nvariants of the FM net, with and without the search for a squelch opening:");
    auto variant = [&](const char* name, int rate, const tv::bench::FmNetShape& shape) {
      Nets one;
      one.fm = fmAt(rate, shape);
      std::printf("  %s\n", name);
      measure("    as built:", one, built, dir, false);
      measure("    without:", one, walkOnly, dir, false);
    };
    variant("at 44100 Hz", 44100, fmShape);
    tv::bench::FmNetShape shape = fmShape;
    shape.seed = 8;
    variant("other draws (seed 8)", kRate, shape);
    shape = fmShape;
    shape.closedNoiseLsb = 0.4;
    variant("sound card noise 0.4 LSB rms", kRate, shape);
    shape.closedNoiseLsb = 1.5;
    variant("sound card noise 1.5 LSB rms", kRate, shape);
    shape = fmShape;
    shape.limiter = 0.5;
    variant("limiter clipping half the peaks", kRate, shape);
    shape.limiter = 1;
    variant("no limiter (first words often below the threshold for long)", kRate, shape);
  }

  std::puts("\nfixed pre-roll only (look-back off):");
  for (int preRoll : {0, 50, 150, 250}) {
    const std::string title = "  pre-roll " + std::to_string(preRoll) + " ms";
    measure(title.c_str(), nets, fixedOnly(preRoll), dir);
  }

  std::printf(
      "\nlook-back with the fixed pre-roll as its minimum (window %d ms, quiet run %d ms,\n",
      chosen.windowMs, chosen.quietRunMs);
  std::printf("lead %d ms, bound %d ms, floor over %d ms, loud at %.2f x floor, edge at %.2f;\n",
              chosen.leadMs, chosen.boundMs, chosen.floorSpanMs, chosen.loudFactor,
              chosen.edgeFactor);
  std::printf("squelch opening within %d ms, after %d ms closed, hiss at %.2f x closed):\n",
              chosen.openingBoundMs, chosen.closedRunMs, chosen.openingFactor);
  std::optional<int> smallest;
  for (int preRoll : {0, 25, 50, 100, 150}) {
    Setup setup;
    setup.preRollMs = preRoll;
    setup.lookBack = chosen;
    const std::string title = "  pre-roll " + std::to_string(preRoll) + " ms";
    if (measure(title.c_str(), nets, setup, dir) && !smallest) smallest = preRoll;
  }
  if (smallest) {
    std::printf("smallest fixed pre-roll that meets the targets with the look-back: %d ms\n",
                *smallest);
  } else {
    std::puts("no fixed pre-roll up to 150 ms meets the targets with the look-back");
  }

  if (nets.speech) {
    const int preRoll = smallest.value_or(150);
    // One look-back setting varied at a time, the others at the recorder's defaults.
    auto sweep = [&](const char* title, const char* label, auto values, auto set) {
      std::printf("\n%s (pre-roll %d ms; speech nets only):\n", title, preRoll);
      for (const auto value : values) {
        Setup setup;
        setup.preRollMs = preRoll;
        setup.lookBack = chosen;
        set(setup.lookBack, value);
        char heading[64];
        std::snprintf(heading, sizeof heading, label, value);
        measure(heading, nets, setup, dir, false);
      }
    };
    using Settings = tv::OnsetSearch::Settings;
    sweep("quiet run that ends the look-back", "  quiet run %d ms", std::vector{200, 300, 400, 500},
          [](Settings& s, int v) { s.quietRunMs = v; });
    sweep("bound of the look-back", "  bound %d ms", std::vector{750, 1000, 1500},
          [](Settings& s, int v) { s.boundMs = v; });
    sweep("loud factor over the quiet floor", "  factor %.2f", std::vector{1.25, 1.5, 2.0},
          [](Settings& s, double v) { s.loudFactor = v; });
    sweep("edge factor for the fade-in", "  edge %.2f", std::vector{1.1, 1.25, 1.5},
          [](Settings& s, double v) { s.edgeFactor = v; });
    sweep("lead before the first loud window", "  lead %d ms", std::vector{0, 10, 20},
          [](Settings& s, int v) { s.leadMs = v; });
    sweep("bound of the squelch opening (0: none)", "  opening bound %d ms",
          std::vector{0, 500, 1000}, [](Settings& s, int v) { s.openingBoundMs = v; });
    sweep("closed squelch before the opening", "  closed run %d ms", std::vector{100, 200, 400},
          [](Settings& s, int v) { s.closedRunMs = v; });
    sweep("hiss over the closed squelch at the opening", "  opening factor %.2f",
          std::vector{1.1, 1.15, 1.25, 1.5}, [](Settings& s, double v) { s.openingFactor = v; });
  }
  return 0;
}
