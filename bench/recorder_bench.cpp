// Onset loss: how much of a transmission's beginning is missing from its
// recording. A test net of sharp onsets and of spoken phrases (espeak-ng,
// whose soft beginnings rise slowly above the threshold) runs through the
// whole program on the virtual clock, once for each pre-roll.

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

std::optional<Net> speechNet(const std::string& dir) {
  if (std::system("command -v espeak-ng >/dev/null 2>&1") != 0) return std::nullopt;
  const char* phrases[] = {"Hello all stations, this is Delta Lima one",
                           "Fine business, thank you for the report",
                           "So we meet again on Sunday morning",
                           "This is the net control station",
                           "Hotel Echo Lima Lima Oscar, over",
                           "Roger, copy that, five by nine",
                           "Stand by for the weather report",
                           "Check in please, stations with traffic",
                           "Have a good evening and seventy three",
                           "Whiskey Alpha, your signal is fading"};
  Net net;
  std::uint32_t noise = 2;
  pause(net, 8, noise);
  for (int k = 0; k < kTransmissions; ++k) {
    const std::string file = dir + "/phrase" + std::to_string(k) + ".wav";
    const std::string command =
        "espeak-ng -w " + file + " -s " + std::to_string(140 + 10 * (k % 5)) + " -p " +
        std::to_string(35 + 5 * (k % 4)) + " \"" + phrases[k % 10] + "\" >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return std::nullopt;
    auto wave = tv::readPcmWave(file);
    if (!wave) return std::nullopt;
    auto sound = tv::toCaptureFormat(*wave, kRate);
    // Spoken at a good level: peaks at 95 % of full scale.
    int peak = 1;
    for (auto s : sound) peak = std::max(peak, std::abs(static_cast<int>(s) - 128));
    for (auto& s : sound)
      s = static_cast<std::uint8_t>(128 + std::lround((static_cast<int>(s) - 128) * 121.0 / peak));
    add(net, sound);
    pause(net, 6 + (k % 3), noise);
  }
  return net;
}

struct Figures {
  double medianMs = 0;
  double maxMs = 0;
  int missed = 0;
  int worst = 0;        // the transmission that lost most
  double secondMs = 0;  // the next largest loss
  int over25 = 0;       // transmissions that lost more than 25 ms
};

Figures run(const Net& net, int preRollMs, const std::string& dir) {
  const std::string wav = dir + "/net.wav";
  tv::bench::writeWave(wav, kRate, net.samples);
  auto lines = tv::bench::benchSettings("");
  tv::test::line(lines, 10) = "1";  // minimum 1 s
  tv::test::line(lines, 12) = "4";  // pause after silence 4 s
  // The recorder is switched on by hand below, once the pre-roll is set.
  tv::test::line(lines, 16) = "0";
  tv::bench::BenchProgram b(wav, lines);
  tv::Program& p = b.p();
  p.recorder.preRollMs = preRollMs;
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
  Figures f;
  for (const auto& [onset, end] : net.transmissions) {
    std::optional<double> loss;
    for (const auto& s : spans) {
      if (s.first < end && s.end > onset) {
        const double ms =
            s.first > onset ? 1000.0 * static_cast<double>(s.first - onset) / kRate : 0;
        loss = loss ? std::min(*loss, ms) : ms;
      }
    }
    if (!loss) {
      ++f.missed;
      loss = 1000.0 * static_cast<double>(end - onset) / kRate;
    }
    losses.push_back(*loss);
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

}  // namespace

int main() {
  std::puts("bench_recorder: onset loss over a test net of 50 transmissions each");
  std::puts("targets: speech median < 5 ms, max < 25 ms; sharp median < 3 ms, max < 10 ms");
  tv::test::TempFolder folder;
  const std::string dir = folder.path();
  const Net sharp = sharpNet();
  const std::optional<Net> speech = speechNet(dir);
  if (!speech) std::puts("espeak-ng is missing: measuring sharp onsets only");

  std::optional<int> chosen;
  for (int preRoll : {0, 25, 50, 75, 100, 125, 150, 200, 250}) {
    const Figures s = run(sharp, preRoll, dir);
    std::printf("pre-roll %3d ms: sharp median %6.1f ms max %6.1f ms missed %d", preRoll,
                s.medianMs, s.maxMs, s.missed);
    bool meets = s.medianMs < 3 && s.maxMs < 10 && s.missed == 0;
    if (speech) {
      const Figures v = run(*speech, preRoll, dir);
      std::printf(
          " | speech median %6.1f ms max %6.1f ms (phrase %d; next %5.1f; %d over 25 ms) missed %d",
          v.medianMs, v.maxMs, v.worst % 10, v.secondMs, v.over25, v.missed);
      meets = meets && v.medianMs < 5 && v.maxMs < 25 && v.missed == 0;
    }
    std::printf("%s\n", meets ? "  meets the targets" : "");
    if (meets && !chosen) chosen = preRoll;
  }
  if (chosen) {
    std::printf("smallest pre-roll that meets the targets: %d ms\n", *chosen);
  } else {
    std::puts("no pre-roll up to 250 ms meets the targets");
  }
  return 0;
}
