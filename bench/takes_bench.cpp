// Takes on the way to the disk, the whole program on the virtual clock.
//
// Memory: the peak of the program over a 3-minute take at 44,100 Hz against a 10-second
// one. The take is written into its working file as it is heard, by a writer thread as in
// the program, so the two should differ by little more than noise. Each take runs in a
// process of its own, so that the peak of one is not the other's.
//
// Splits: a transmission far longer than the maximum recording time is split into takes
// of that time while the filing of each one takes 2 s (a slow SD card, a network share).
// Every sample of the transmission must be in exactly one take. For comparison, the same
// with the filing done where the recorder waits for it, as a GUI thread that saves and
// copies itself would.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <algorithm>
#include <deque>

#include "bench/bench_program.h"
#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"
#include "tests/support/slow_worker.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kRate = 44100;
constexpr int kInputSeconds = 200;
constexpr double kAllowedMb = 0.5;

// A loud, varied signal from the start for `seconds`, then the zero line.
std::vector<std::uint8_t> input(int seconds) {
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(kInputSeconds) * kRate, 128);
  std::uint32_t state = 1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(seconds) * kRate; ++i) {
    state = state * 1664525u + 1013904223u;
    samples[i] = static_cast<std::uint8_t>(i % 2 ? 220 + (state >> 28) : 20 + (state >> 28));
  }
  return samples;
}

struct Figures {
  long peakKb = 0;     // VmHWM, reset once the program had started
  long sampledKb = 0;  // the largest VmRSS seen once a second of the take
  long takeBytes = 0;  // the filed recording's sound
};

// In the child: the program records one take of `seconds`, ending at its maximum time.
Figures take(int seconds) {
  tv::test::TempFolder folder;
  const std::string wav = folder.path() + "/net.wav";
  tv::bench::writeWave(wav, kRate, input(seconds));
  auto lines = tv::bench::benchSettings("");
  tv::test::line(lines, 4) = std::to_string(kRate);
  tv::test::line(lines, 10) = std::to_string(1);  // minimum 1 s
  tv::test::line(lines, 11) = std::to_string(seconds);
  tv::bench::BenchProgram b(wav, lines, /*takeWriterThreads=*/true);
  tv::Program& p = b.p();
  Figures f;
  // The peak from here on: the input file, read whole by the stand-in for the sound
  // card, is the same for both takes and is not the recorder's.
  std::ofstream("/proc/self/clear_refs") << "5";
  for (int s = 0; s < seconds + 10; ++s) {
    b.t.loop.runFor(1000);
    f.sampledKb = std::max(f.sampledKb, tv::bench::statusKb("VmRSS"));
  }
  f.peakKb = tv::bench::statusKb("VmHWM");
  // The take is the longest recording: the tail of the signal that the meter still saw
  // when the take ended may start a short one of the silence after it.
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(p.recordingIndex.collectingFolder(), ec)) {
    if (entry.path().extension() != ".wav") continue;
    std::error_code sizeError;
    const auto size = static_cast<long>(entry.file_size(sizeError)) - 44;
    if (!sizeError) f.takeBytes = std::max(f.takeBytes, size);
  }
  return f;
}

// Runs `take(seconds)` in a child process and returns its figures.
Figures measured(int seconds) {
  int channel[2];
  if (pipe(channel) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    const Figures f = take(seconds);
    (void)!write(channel[1], &f, sizeof f);
    _exit(0);
  }
  close(channel[1]);
  Figures f;
  if (read(channel[0], &f, sizeof f) != static_cast<ssize_t>(sizeof f)) f = {};
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return f;
}

void print(const char* label, const Figures& f) {
  std::printf(
      "%-16s %9.2f MB of sound filed; peak RSS over the take %7.2f MB (VmHWM), "
      "%7.2f MB (VmRSS once a second)\n",
      label, f.takeBytes / 1e6, f.peakKb / 1024.0, f.sampledKb / 1024.0);
}

constexpr int kSplitRate = 11025;
constexpr int kSplits = 20;
constexpr int kMaximumSeconds = 2;
constexpr int kFilingMs = 2000;

// Files as the recorder once did itself: at once, while the loop waits kFilingMs of
// virtual time for the disk. (Runs its jobs inside submit, which a real worker never
// does; for this comparison only.)
class FilingInPlace : public tv::Worker {
 public:
  explicit FilingInPlace(tv::test::VirtualClock& clock) : clock_(clock) {}
  void submit(Job work, Job done) override {
    clock_.advance(kFilingMs);
    if (work) work();
    if (done) done();
  }
  std::size_t pending() const override { return 0; }
  bool finish(std::int64_t) override { return true; }

 private:
  tv::test::VirtualClock& clock_;
};

struct SplitFigures {
  int takes = 0;
  long long lost = 0;
  long long doubled = 0;
  std::size_t mostWaiting = 0;
};

SplitFigures splits(bool onWorker) {
  // A loud transmission whose every stretch of a few samples is found once.
  std::vector<std::uint8_t> net(static_cast<std::size_t>(kSplitRate) / 5, 128);
  const std::size_t onset = net.size();
  const std::size_t length = static_cast<std::size_t>((kSplits + 1) * kMaximumSeconds) * kSplitRate;
  std::uint32_t state = 7;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1664525u + 1013904223u;
    const auto r = static_cast<std::uint8_t>((state >> 24) % 56);
    net.push_back(static_cast<std::uint8_t>(i % 2 ? 200 + r : r));
  }
  net.resize(net.size() + static_cast<std::size_t>(30) * kSplitRate, 128);
  const std::size_t end = onset + length;

  tv::test::TempFolder folder;
  const std::string wav = folder.path() + "/net.wav";
  tv::bench::writeWave(wav, kSplitRate, net);
  auto lines = tv::bench::benchSettings("");
  tv::test::line(lines, 10) = std::to_string(1);
  tv::test::line(lines, 11) = std::to_string(kMaximumSeconds);
  tv::test::TestProgram* program = nullptr;
  tv::test::SlowWorker* slow = nullptr;
  auto factory = [&](std::string_view) -> std::unique_ptr<tv::Worker> {
    if (!onWorker) return std::make_unique<FilingInPlace>(program->clock);
    auto worker = std::make_unique<tv::test::SlowWorker>(program->p().ui().timers(), kFilingMs);
    slow = worker.get();
    return worker;
  };
  tv::bench::BenchProgram b(wav, lines, false, factory);
  program = &b.t;
  b.t.loop.runFor(static_cast<std::int64_t>(net.size()) * 1000 / kSplitRate +
                  (kSplits + 5) * kFilingMs);

  // Where each filed take stands in the net, in order.
  std::vector<std::pair<long long, long long>> stretches;
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(b.p().recordingIndex.collectingFolder(), ec)) {
    if (entry.path().extension() != ".wav") continue;
    const auto wave = tv::readPcmWave(entry.path());
    if (!wave || wave->data.empty()) continue;
    const auto at = std::search(net.begin(), net.end(), wave->data.begin(), wave->data.end());
    if (at == net.end()) continue;
    const long long first = at - net.begin();
    stretches.emplace_back(first, first + static_cast<long long>(wave->data.size()));
  }
  std::sort(stretches.begin(), stretches.end());
  SplitFigures f;
  long long covered = static_cast<long long>(onset);  // the transmission heard so far
  for (const auto& [first, last] : stretches) {
    if (last <= static_cast<long long>(onset) || first >= static_cast<long long>(end)) continue;
    ++f.takes;
    const long long from = std::max(first, static_cast<long long>(onset));
    const long long to = std::min(last, static_cast<long long>(end));
    if (from > covered) f.lost += from - covered;
    if (from < covered) f.doubled += std::min(covered, to) - from;
    covered = std::max(covered, to);
  }
  if (covered < static_cast<long long>(end)) f.lost += static_cast<long long>(end) - covered;
  if (slow) f.mostWaiting = slow->mostPending();
  return f;
}

}  // namespace

int main() {
  std::printf("bench_takes: peak memory of the program over one take at %d Hz\n", kRate);
  const Figures shortTake = measured(10);
  print("10-second take", shortTake);
  const Figures longTake = measured(180);
  print("3-minute take", longTake);
  const double grownMb = (longTake.peakKb - shortTake.peakKb) / 1024.0;
  std::printf("difference: %+.2f MB (goal: within %.1f MB)%s\n", grownMb, kAllowedMb,
              std::abs(grownMb) <= kAllowedMb ? "  meets" : "");

  std::printf(
      "\nbench_takes: a transmission of %d s split at the maximum time of %d s, %d ms to file "
      "each take\n",
      (kSplits + 1) * kMaximumSeconds, kMaximumSeconds, kFilingMs);
  const SplitFigures worker = splits(true);
  std::printf(
      "filing on the worker:   %2d splits, %lld samples lost, %lld doubled; at most %zu "
      "filings waiting%s\n",
      worker.takes - 1, worker.lost, worker.doubled, worker.mostWaiting,
      worker.lost == 0 && worker.doubled == 0 && worker.takes > kSplits ? "  meets" : "");
  const SplitFigures inPlace = splits(false);
  std::printf("filing where it waits:  %2d splits, %lld samples lost, %lld doubled\n",
              inPlace.takes - 1, inPlace.lost, inPlace.doubled);
  return 0;
}
