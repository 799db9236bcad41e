// A week of a busy net: the whole program on the virtual clock, as a station left alone
// runs it. About 2,000 transmissions a day of speech-like bursts, the recorder on, a
// dated tree, clean-up after three days, the daily rebuild at 00:00:30 and an
// announcement at minute 15 of every hour, keyed through the serial port. The net keeps
// the announcement's slot clear, so every transmission can be heard.
//
//   bench_soak [DAYS]    DAYS of simulated time (default 7; fractions allowed)
//
// Prints, for every simulated day and at the end: transmissions heard and recordings
// filed, resident memory (now and peak), open file descriptors, files in the working
// directory, and the run time. Every transmission must be filed, and the working
// directory must hold nothing that was not there at the start. Memory and descriptors at
// the end must be within 10 % of the first day's, although the sound list grows until it
// holds the kept days in full (the fourth day's figures are printed beside them). Beside
// the resident memory each day's line splits it into the heap (and how much of it is in
// use: the rest is freed but kept), other anonymous memory and the mapped files.

#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "bench/bench_program.h"
#include "platform/posix/freed_memory.h"
#include "platform/sound/wav_file.h"
#include "tests/app/settings_lines.h"
#include "tests/support/busy_net.h"
#include "tests/support/test_program.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 11025;
constexpr double kDay = 86'400;
// The announcement's minute and second, and the stretch around it the net keeps clear.
constexpr int kMomentS = 15 * 60;
constexpr int kClearBeforeS = 10;
constexpr int kClearAfterS = 30;
constexpr int kDaysKept = 3;

int openDescriptors() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count - 1;  // the iterator's own
}

std::set<std::string> workingFiles(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) names.insert(entry.path().filename().string());
  return names;
}

// Files in the working directory that were not there at the start, besides the ones the
// program keeps there on purpose: the log's rotated files, the settings' backup and the
// note of the last filing. A take's working file, or a list of copies still owed to the
// tree, would be left over.
std::vector<std::string> leftIn(const std::string& folder, const std::set<std::string>& before) {
  std::vector<std::string> left;
  for (const std::string& name : workingFiles(folder)) {
    const bool kept = name.rfind("tonvogel.log", 0) == 0 || name == "Tonvogel.ini.bak" ||
                      name == "last-filing.txt";
    if (!before.count(name) && !kept) left.push_back(name);
  }
  return left;
}

// The recordings kept in a folder: the clean-up keeps the collecting folder to the last
// days' worth.
long recordingsIn(const std::string& folder) {
  long count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    count += it->path().extension() == ".wav";
  return count;
}

// Resident kB of the heap, of other anonymous memory (thread arenas, stacks, large
// blocks) and of mapped files (the program and its libraries).
struct Resident {
  long heap = 0, anonymous = 0, files = 0;
};

Resident residentByKind() {
  Resident r;
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  long* kind = nullptr;
  while (std::getline(smaps, line)) {
    if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
        line.find('-') < 17) {
      const auto path = line.find('/') != std::string::npos ? line.find('/') : line.find('[');
      if (line.find("[heap]") != std::string::npos)
        kind = &r.heap;
      else if (path == std::string::npos)
        kind = &r.anonymous;
      else if (line[path] == '/')
        kind = &r.files;
      else
        kind = &r.anonymous;
    } else if (kind && line.rfind("Rss:", 0) == 0) {
      *kind += std::atol(line.c_str() + 4);
    }
  }
  return r;
}

struct Counts {
  long begun = 0;
  long filed = 0;
  long announcements = 0;
  long warnings = 0;
  std::vector<std::string> firstWarnings;
};

}  // namespace

int main(int argc, char** argv) {
  const double days = argc > 1 ? std::atof(argv[1]) : 7;
  if (!(days > 0)) {
    std::fprintf(stderr, "usage: bench_soak [DAYS]\n");
    return 2;
  }
  tv::setUpMemoryForALongRun();  // as the program does at its start
  const auto wallStart = std::chrono::steady_clock::now();
  const auto wallSeconds = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  };

  tv::test::TestProgram t;  // starts at 10:00:00
  const double runS = days * kDay;
  tv::test::BusyNetPlan plan;
  plan.rate = kRate;
  plan.seconds = runS - 60;  // the last one is filed before the end
  plan.free = [](std::uint64_t first, std::uint64_t end) {
    // Seconds of the day's clock; the run starts at 10:00:00.
    const double from = 36'000.0 + static_cast<double>(first) / kRate;
    const double to = 36'000.0 + static_cast<double>(end) / kRate;
    const double hour = std::floor(from / 3600) * 3600;
    for (double h : {hour, hour + 3600}) {
      if (from < h + kMomentS + kClearAfterS && to > h + kMomentS - kClearBeforeS) return false;
    }
    return true;
  };
  tv::test::BusyNetReceiver receiver(t.clock, tv::test::planBusyNet(plan), kRate);
  t.sound = &receiver;

  const std::string recordings = t.folder() + "/recordings";
  fs::create_directories(recordings);
  auto lines = tv::test::freshSettingsLines(t.folder());
  tv::test::line(lines, 2) = recordings;
  tv::test::line(lines, 8)[1] = '0';  // no send key: no one at the station
  tv::test::line(lines, 9) = "50";    // start threshold
  tv::test::line(lines, 10) = "2";    // shortest recording, s
  tv::test::line(lines, 12) = "4";    // pause after silence, s
  tv::test::line(lines, 14) = std::to_string(kDaysKept);
  tv::test::line(lines, 16) = "1";   // recorder on at the start
  tv::test::line(lines, 19) = "1";   // the dated tree
  tv::test::line(lines, 20) = "1";   // transmit through the port
  tv::test::line(lines, 43) = "30";  // the archive cap, MB: the oldest tree copies go
  tv::test::writeSettings(t.file("Tonvogel.ini"), lines);
  const std::vector<std::uint8_t> tone(3 * kRate, 200);
  (void)tv::writeMonoU8Wave(t.file("announce.wav"), kRate, tone);
  (void)tv::writeMonoU8Wave(t.file("call.wav"), kRate, tone);
  {
    std::ofstream schedule(t.file("XW.DAT"), std::ios::binary);
    schedule << "15:00\r\n" << t.file("announce.wav") << "\r\n" << t.file("call.wav") << "\r\n";
  }

  tv::Program& p = t.build();
  Counts counts;
  p.log.observer = [&counts](const std::string& line) {
    if (line.find("INFO recorder: take ") != std::string::npos &&
        line.find(" begins") != std::string::npos)
      ++counts.begun;
    if (line.find("INFO filing: ") != std::string::npos &&
        line.find(" filed in ") != std::string::npos)
      ++counts.filed;
    if (line.find("grant: schedule") != std::string::npos) ++counts.announcements;
    if (line.find(" WARNING ") != std::string::npos || line.find(" ERROR ") != std::string::npos) {
      ++counts.warnings;
      if (counts.firstWarnings.size() < 5) counts.firstWarnings.push_back(line);
    }
  };
  if (!p.startUp()) {
    std::fprintf(stderr, "the program did not start\n");
    return 1;
  }
  const std::set<std::string> before = workingFiles(t.folder());
  const int fdsAtStart = openDescriptors();
  const long rssAtStart = tv::bench::statusKb("VmRSS");
  std::printf(
      "soak: %.2f days of a net of %zu transmissions; %d fds, %.1f MB resident at the start\n",
      days, receiver.net().size(), fdsAtStart, rssAtStart / 1024.0);

  const auto heardBy = [&](double seconds) {
    long heard = 0;
    for (const auto& n : receiver.net()) heard += n.end <= seconds * kRate;
    return heard;
  };
  long peakKb = rssAtStart;
  std::vector<long> rssByDay;
  std::vector<int> fdsByDay;
  double done = 0;
  while (done < runS) {
    const double step = std::min(kDay, runS - done);
    // Hour by hour, so that the peak is looked at often. A day's figures may come in the
    // middle of a take: its working file is then among the day's files left.
    for (double hour = 0; hour < step; hour += 3600) {
      t.loop.runFor(static_cast<std::int64_t>(std::min(3600.0, step - hour) * 1000));
      peakKb = std::max({peakKb, tv::bench::statusKb("VmRSS"), tv::bench::statusKb("VmHWM")});
    }
    done += step;
    const long rss = tv::bench::statusKb("VmRSS");
    const int fds = openDescriptors();
    rssByDay.push_back(rss);
    fdsByDay.push_back(fds);
    std::printf(
        "day %5.2f: %6ld transmissions heard, %6ld takes begun, %6ld filed, %4ld announcements, "
        "%5ld kept in W; RSS %6.1f MB (peak %6.1f); %3d fds; %zu files left in the working "
        "dir; %7.1f s\n",
        done / kDay, heardBy(done), counts.begun, counts.filed, counts.announcements,
        recordingsIn(recordings + "/W"), rss / 1024.0, peakKb / 1024.0, fds,
        leftIn(t.folder(), before).size(), wallSeconds());
    const Resident kinds = residentByKind();
    std::printf(
        "            resident kB: heap %ld (in use %zu), other anonymous %ld, mapped files %ld\n",
        kinds.heap, mallinfo2().uordblks / 1024, kinds.anonymous, kinds.files);
    std::fflush(stdout);
  }

  const long heard = heardBy(runS);
  const long rssEnd = tv::bench::statusKb("VmRSS");
  const int fdsEnd = openDescriptors();
  const std::vector<std::string> left = leftIn(t.folder(), before);
  p.shutdownRoutine();
  const std::vector<std::string> leftAfterEnd = leftIn(t.folder(), before);

  std::printf("\ntransmissions heard   %ld\n", heard);
  // Switched on, the recorder begins a take at once, which its silence then ends.
  std::printf(
      "recordings filed      %ld: one for each transmission and the take begun at the "
      "switch-on (takes begun %ld)\n",
      counts.filed, counts.begun);
  std::printf("announcements sent    %ld\n", counts.announcements);
  // The first day with the kept days in full, or the last of a shorter run.
  const std::size_t full = std::min<std::size_t>(kDaysKept, rssByDay.size() - 1);
  const auto change = [](long from, long to) { return 100.0 * (to - from) / from; };
  std::printf(
      "resident memory       first day %.1f MB, day %zu %.1f MB, end %.1f MB (%+.1f %% on the "
      "first day, %+.1f %% on day %zu), peak %.1f MB\n",
      rssByDay[0] / 1024.0, full + 1, rssByDay[full] / 1024.0, rssEnd / 1024.0,
      change(rssByDay[0], rssEnd), change(rssByDay[full], rssEnd), full + 1, peakKb / 1024.0);
  std::printf("open descriptors      start %d, first day %d, day %zu %d, end %d\n", fdsAtStart,
              fdsByDay[0], full + 1, fdsByDay[full], fdsEnd);
  std::printf("files left in the working dir: %zu while running, %zu after the end", left.size(),
              leftAfterEnd.size());
  for (const std::string& name : leftAfterEnd) std::printf(" %s", name.c_str());
  std::printf("\nwarnings and errors   %ld\n", counts.warnings);
  for (const std::string& w : counts.firstWarnings) std::printf("  %s\n", w.c_str());
  std::printf("run time              %.1f s for %.2f simulated days\n", wallSeconds(), days);

  const bool allFiled = counts.filed == heard + 1 && counts.begun == counts.filed;
  const bool steady = rssEnd <= rssByDay[0] * 1.1 && fdsEnd <= fdsByDay[0] * 1.1;
  const bool clean = left.empty() && leftAfterEnd.empty();
  std::printf(
      "\n%s: every transmission filed %s, memory and descriptors steady %s, working dir "
      "clean %s\n",
      allFiled && steady && clean ? "PASS" : "FAIL", allFiled ? "yes" : "NO", steady ? "yes" : "NO",
      clean ? "yes" : "NO");
  return allFiled && steady && clean ? 0 : 1;
}
