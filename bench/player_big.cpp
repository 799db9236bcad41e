// A long recording of another program in the playback window: two hours of 44.1 kHz
// 16-bit stereo (1.27 GB), generated into a temporary folder, chosen through the main
// window's "Sound files" button as a user chooses it, shown, drawn and played for 10 s.
// The program runs in real time on its own loop, with its workers on threads and the
// sound output ALSA's default device (silent, keeping time, where there is none).
//
// Prints how long it took until the window showed the file, its waveform and its sound,
// the longest time the program's thread was busy in one go (a timer could not tick, a
// click was not answered) and the peak resident memory of the process.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "platform/alsa/alsa_sound_system.h"
#include "platform/posix/real_clock.h"
#include "platform/worker.h"
#include "tests/app/settings_lines.h"
#include "tests/sound/wav_bytes.h"
#include "tests/support/real_time_loop.h"
#include "tests/support/scripted_services.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using Steady = std::chrono::steady_clock;

constexpr std::uint32_t kSeconds = 2 * 60 * 60;
constexpr std::uint32_t kRate = 44'100;

double secondsSince(Steady::time_point start) {
  return std::chrono::duration<double>(Steady::now() - start).count();
}

long peakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void inTheProgram(const std::string& folder, const std::string& big) {
  RealClock clock;
  test::RealTimeLoop loop;
  test::ScriptedServices services;
  test::FakeShell shell(folder + "/home");
  AlsaSoundSystem sound(clock);
  test::writeSettings(folder + "/Tonvogel.ini", test::freshSettingsLines(folder));
  Platform platform{clock, loop, services, shell, nullptr, nullptr, &sound, {}};
  platform.makeWorker = [&loop](std::string_view) { return makeThreadWorker(loop); };
  ProgramOptions options;
  options.programFolder = folder;
  options.executablePath = folder + "/tonvogel";
  Program p(platform, options);
  loop.attach(p.ui().timers());
  if (!p.startUp()) {
    std::printf("  the program did not start\n");
    return;
  }
  loop.runFor(500);
  const long rssBefore = peakRssKb();

  loop.resetLongestTurn();
  services.fileAnswers.push_back(big);
  const Steady::time_point chosen = Steady::now();
  // The press on "Sound files" and the dialog's answer come as the user's click does.
  loop.post([&p] { p.frm_DoKu.lbl_LoadWave.mouseDown(MouseButton::Left, 0, 0, 0); });
  PlaybackForm& window = p.frm_Oszi;
  const bool shown = loop.runUntil(
      [&] { return window.visible() && window.lblFile.caption().starts_with(big); }, 60'000);
  const double shownAfter = secondsSince(chosen);
  const std::string length = window.lbl_sek.caption();
  const bool sounding = loop.runUntil([&] { return p.player.playing; }, 60'000);
  const double soundingAfter = secondsSince(chosen);
  // Two centre lines and a column per channel for each of about 296 columns.
  const bool drawn = loop.runUntil([&] { return window.frx1.lines().size() > 500; }, 60'000);
  const double drawnAfter = secondsSince(chosen);
  loop.runFor(10'000);
  const bool stillPlaying = p.player.playing;
  const double played = p.player.playPosition / 1e6 * p.player.playLength / 1000;
  p.shutdownRoutine();

  std::printf("  file shown in the playback window:  %s after %.2f s (%s)\n", shown ? "yes" : "NO",
              shownAfter, length.c_str());
  std::printf("  sound playing:                       %s after %.2f s%s\n", sounding ? "yes" : "NO",
              soundingAfter, p.mci.playbackSilent() ? " (silently: no sound output here)" : "");
  std::printf("  waveform drawn:                      %s after %.2f s\n", drawn ? "yes" : "NO",
              drawnAfter);
  std::printf("  after 10 s more:                     %s, at %.1f s of the sound\n",
              stillPlaying ? "still playing" : "NOT PLAYING", played);
  std::printf("  longest busy stretch of the program's thread: %.1f ms\n", loop.longestTurnMs());
  std::printf("  peak resident memory: %.1f MB (%.1f MB before the file was chosen)\n",
              peakRssKb() / 1024.0, rssBefore / 1024.0);
}

}  // namespace
}  // namespace tv

int main() {
  tv::test::TempFolder folder;
  const std::string big = folder.path() + "/sdr 2h 44100 stereo.wav";
  std::printf("Two hours of 44.1 kHz 16-bit stereo in the playback window\n\n");
  const auto writing = tv::Steady::now();
  tv::test::writeLongWave(big, 2, tv::kRate, tv::kSeconds);
  std::printf("  generated %s: %.2f GB in %.1f s\n", big.c_str(),
              std::filesystem::file_size(big) / 1e9, tv::secondsSince(writing));
  std::printf("\nChosen through \"Sound files\", in the program on its own loop:\n");
  tv::inTheProgram(folder.path(), big);
  return 0;
}
