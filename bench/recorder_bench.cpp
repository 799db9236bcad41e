// Onset loss: how much of a transmission's beginning is missing from its
// recording. Test nets of sharp onsets, of spoken phrases (espeak-ng, whose
// soft beginnings rise slowly above the threshold) and of the same phrases
// under receiver hiss run through the whole program on the virtual clock,
// once for each pre-roll, with and without the look-back for the onset.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_program.h"
#include "platform/file/capture_format.h"
#include "platform/sound/wav_file.h"
#include "recorder/onset_search.h"
#include "tests/app/settings_lines.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRate = 11025;
constexpr int kTransmissions = 50;
// Where a transmission begins: the first sample this far from the zero line.
constexpr int kOnsetAmplitude = 3;

struct Net {
  std::vector<std::uint8_t> samples;
  std::vector<std::pair<std::size_t, std::size_t>> transmissions;  // onset, end
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
  net.transmissions.emplace_back(at + onset, at + sound.size());
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

// The phrases, spoken at a good level: peaks at 95 % of full scale.
std::optional<std::vector<std::vector<std::uint8_t>>> phrases(const std::string& dir) {
  if (std::system("command -v espeak-ng >/dev/null 2>&1") != 0) return std::nullopt;
  const char* texts[] = {"Hello all stations, this is Delta Lima one",
                         "Fine business, thank you for the report",
                         "So we meet again on Sunday morning",
                         "This is the net control station",
                         "Hotel Echo Lima Lima Oscar, over",
                         "Roger, copy that, five by nine",
                         "Stand by for the weather report",
                         "Check in please, stations with traffic",
                         "Have a good evening and seventy three",
                         "Whiskey Alpha, your signal is fading"};
  std::vector<std::vector<std::uint8_t>> sounds;
  for (int k = 0; k < kTransmissions; ++k) {
    const std::string file = dir + "/phrase" + std::to_string(k) + ".wav";
    const std::string command =
        "espeak-ng -w " + file + " -s " + std::to_string(140 + 10 * (k % 5)) + " -p " +
        std::to_string(35 + 5 * (k % 4)) + " \"" + texts[k % 10] + "\" >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    auto wave = tv::readPcmWave(file);
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

struct Setup {
  int preRollMs = 0;
  tv::OnsetSearch::Settings lookBack;
  bool asBuilt = false;  // the recorder's own pre-roll and look-back
};

Setup fixedOnly(int preRollMs) {
  Setup s;
  s.preRollMs = preRollMs;
  s.lookBack.boundMs = 0;
  return s;
}

struct Figures {
  double medianMs = 0;
  double maxMs = 0;
  int missed = 0;
  int worst = 0;        // the transmission that lost most
  double secondMs = 0;  // the next largest loss
  int over25 = 0;       // transmissions that lost more than 25 ms
  double extraMs = 0;   // mean sound before the onset in the take that holds it
  double maxExtraMs = 0;
};

Figures run(const Net& net, const Setup& setup, const std::string& dir) {
  const std::string wav = dir + "/net.wav";
  tv::bench::writeWave(wav, kRate, net.samples);
  auto lines = tv::bench::benchSettings("");
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
  p.frm_DoKu.lbl_Start.mouseDown(1, 0, 0, 0);
  p.frm_DoKu.lbl_Start.mouseUp(1, 0, 0, 0);

  std::vector<tv::Mci::CaptureSpan> spans;
  const std::int64_t totalMs = static_cast<std::int64_t>(net.samples.size()) * 1000 / kRate + 2000;
  for (std::int64_t ms = 0; ms < totalMs; ms += 20) {
    b.t.loop.runFor(20);
    const auto span = p.mci.captureSpan();
    if (span && (spans.empty() || spans.back().first != span->first))
      spans.push_back(*span);
    else if (span && spans.back().end != span->end)
      spans.back() = *span;
  }

  std::vector<double> losses;
  double extraSum = 0;
  Figures f;
  for (const auto& [onset, end] : net.transmissions) {
    std::optional<double> loss;
    double extra = 0;
    for (const auto& s : spans) {
      if (s.first < end && s.end > onset) {
        const double ms =
            s.first > onset ? 1000.0 * static_cast<double>(s.first - onset) / kRate : 0;
        if (!loss || ms < *loss) {
          loss = ms;
          extra = s.first < onset ? 1000.0 * static_cast<double>(onset - s.first) / kRate : 0;
        }
      }
    }
    if (!loss) {
      ++f.missed;
      loss = 1000.0 * static_cast<double>(end - onset) / kRate;
    }
    losses.push_back(*loss);
    extraSum += extra;
    f.maxExtraMs = std::max(f.maxExtraMs, extra);
  }
  f.extraMs = extraSum / static_cast<double>(net.transmissions.size());
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

void printLoss(const char* name, const Figures& f) {
  std::printf(
      " | %s median %5.1f max %6.1f (#%d, next %5.1f, %d > 25) missed %d, extra %5.0f/%5.0f", name,
      f.medianMs, f.maxMs, f.worst, f.secondMs, f.over25, f.missed, f.extraMs, f.maxExtraMs);
}

struct Nets {
  Net sharp;
  std::optional<Net> speech;
  std::optional<Net> noisy;
};

// One line: the figures of every net for one setup; whether the targets are met.
bool line(const Nets& nets, const Setup& setup, const std::string& dir, bool withSharp = true) {
  bool meets = true;
  if (withSharp) {
    const Figures s = run(nets.sharp, setup, dir);
    printLoss("sharp", s);
    meets = sharpMeets(s);
  }
  if (nets.speech) {
    const Figures v = run(*nets.speech, setup, dir);
    printLoss("speech", v);
    meets = meets && speechMeets(v);
  }
  if (nets.noisy) printLoss("hiss", run(*nets.noisy, setup, dir));
  std::printf("%s\n", meets ? "  meets" : "");
  return meets;
}

}  // namespace

int main() {
  std::puts("bench_recorder: onset loss over test nets of 50 transmissions each");
  std::puts("targets: speech median < 5 ms, max < 25 ms; sharp median < 3 ms, max < 10 ms");
  std::puts("per net: onset loss in ms (median, max, worst transmission, next largest loss,");
  std::puts("transmissions losing more than 25 ms), missed transmissions, and the sound before");
  std::puts("the onset in the take that holds it (mean/max ms). 'hiss': the speech net under");
  std::puts("receiver hiss at 12 % rms of full scale; its onsets are the clean phrases' ones.");
  tv::test::TempFolder folder;
  const std::string dir = folder.path();
  Nets nets;
  nets.sharp = sharpNet();
  if (const auto sounds = phrases(dir)) {
    nets.speech = speechNet(*sounds);
    nets.noisy = noisyNet(*nets.speech);
  } else {
    std::puts("espeak-ng is missing: measuring sharp onsets only");
  }
  const tv::OnsetSearch::Settings chosen;  // the recorder's defaults

  std::puts("\nthe recorder as built (its own pre-roll and look-back):");
  Setup built;
  built.asBuilt = true;
  std::printf("as built       ");
  line(nets, built, dir);

  std::puts("\nfixed pre-roll only (look-back off):");
  for (int preRoll : {0, 25, 50, 100, 150, 250}) {
    std::printf("pre-roll %3d ms", preRoll);
    line(nets, fixedOnly(preRoll), dir);
  }

  std::printf(
      "\nlook-back with the fixed pre-roll as its minimum (window %d ms, quiet run %d ms,\n",
      chosen.windowMs, chosen.quietRunMs);
  std::printf("lead %d ms, bound %d ms, floor over %d ms, loud at %.2f x floor, edge at %.2f):\n",
              chosen.leadMs, chosen.boundMs, chosen.floorSpanMs, chosen.loudFactor,
              chosen.edgeFactor);
  std::optional<int> smallest;
  for (int preRoll : {0, 10, 25, 50, 100, 150, 250}) {
    Setup setup;
    setup.preRollMs = preRoll;
    setup.lookBack = chosen;
    std::printf("pre-roll %3d ms", preRoll);
    if (line(nets, setup, dir) && !smallest) smallest = preRoll;
  }
  if (smallest) {
    std::printf("smallest fixed pre-roll that meets the targets with the look-back: %d ms\n",
                *smallest);
  } else {
    std::puts("no fixed pre-roll up to 250 ms meets the targets with the look-back");
  }

  if (nets.speech) {
    const int preRoll = smallest.value_or(250);
    // One look-back setting varied at a time, the others at the recorder's defaults.
    auto sweep = [&](const char* title, const char* label, auto values, auto set) {
      std::printf("\n%s (pre-roll %d ms; speech nets only):\n", title, preRoll);
      for (const auto value : values) {
        Setup setup;
        setup.preRollMs = preRoll;
        setup.lookBack = chosen;
        set(setup.lookBack, value);
        std::printf(label, value);
        line(nets, setup, dir, false);
      }
    };
    using Settings = tv::OnsetSearch::Settings;
    sweep("quiet run that ends the look-back", "quiet run %3d ms",
          std::vector{150, 200, 250, 300, 350, 400, 500, 700},
          [](Settings& s, int v) { s.quietRunMs = v; });
    sweep("bound of the look-back", "bound %4d ms", std::vector{500, 750, 1000, 1250, 1500, 2000},
          [](Settings& s, int v) { s.boundMs = v; });
    sweep("loud factor over the quiet floor", "factor %4.2f", std::vector{1.25, 1.5, 2.0, 3.0},
          [](Settings& s, double v) { s.loudFactor = v; });
    sweep("edge factor for the fade-in", "edge %4.2f", std::vector{1.0, 1.1, 1.25, 1.5},
          [](Settings& s, double v) { s.edgeFactor = v; });
    sweep("lead before the first loud window", "lead %2d ms", std::vector{0, 5, 10, 20},
          [](Settings& s, int v) { s.leadMs = v; });
  }
  return 0;
}
