// The command after each recording: split as a shell would, filled in word by word, run
// once per filed recording without the recorder ever waiting for it, and ended when it
// hangs.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/program.h"
#include "recorder/after_recording.h"
#include "tests/app/settings_lines.h"
#include "tests/recorder/recorder_harness.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

TEST(CommandLines, AreSplitAsAShellSplitsThemWithoutExpandingAnything) {
  EXPECT_EQ(splitCommandLine("  upload   %f\tnow "), (Words{"upload", "%f", "now"}));
  EXPECT_EQ(splitCommandLine(R"(a' b 'c "d \" \$ \x" e\ f \'g)"),
            (Words{"a b c", R"(d " $ \x)", "e f", "'g"}));
  EXPECT_EQ(splitCommandLine(R"(x '' "" $HOME ~ *.wav)"),
            (Words{"x", "", "", "$HOME", "~", "*.wav"}));
  EXPECT_EQ(splitCommandLine("joined\\\nline"), (Words{"joinedline"}));
  EXPECT_EQ(splitCommandLine(""), Words{});
  EXPECT_FALSE(splitCommandLine("scp 'unclosed %f"));
  EXPECT_FALSE(splitCommandLine("say \"unclosed"));
}

TEST(CommandLines, PlaceholdersAreFilledInsideEachWordAndNeverSplitIt) {
  const FiledRecording recording{"/rec ords/FK_1/x.flac", "/rec ords/W/x.wav",
                                 "1_12-07-2026_10-00-00", 5.2049};
  EXPECT_EQ(commandWords({"up", "%f", "--name=%n.%s", "%w%w", "100%%", "%d%", "%"}, recording),
            (Words{"up", "/rec ords/FK_1/x.flac", "--name=1_12-07-2026_10-00-00.5.20",
                   "/rec ords/W/x.wav/rec ords/W/x.wav", "100%", "%d%", "%"}));
  // A name holding a placeholder is not filled in again.
  EXPECT_EQ(commandWords({"%n"}, {"", "", "%f", 0}), Words{"%f"});
}

struct CommandAfterRecording : testing::Test {
  CommandAfterRecording() {
    line(h.lines, 10) = "3";
    // A recordings folder with a blank in its name.
    recordings = h.t.file("my recordings");
    fs::create_directory(recordings);
    line(h.lines, 2) = recordings;
  }
  std::string logText() { return readFile(h.p().log.path()); }

  RecorderHarness h;
  std::string recordings;
};

TEST_F(CommandAfterRecording, RunsOncePerRecordingWithEachArgumentWhole) {
  const std::string script = h.t.file("args script");
  writeFile(script,
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"$0.out\"\n"
            "echo --- >> \"$0.out\"\necho uploaded \"$3\"\n");
  fs::permissions(script, fs::perms::owner_exec, fs::perm_options::add);
  line(h.lines, 41) = "flac";
  line(h.lines, 42) = "'" + script + "' %f %w \"%n\" %s";
  h.twoTransmissions();
  h.start();
  h.t.loop.runFor(40'000);

  const std::string hour = recordings + "/FK_1/Ja_2026/Mo-12/Tg-07/hh-10/";
  Words expected;
  for (const char* stem : {"1_12-07-2026_10-00-00", "1_12-07-2026_10-00-20"}) {
    const std::string w = recordings + "/W/" + stem + ".wav";
    const double seconds = static_cast<double>(h.samplesOf(w).size()) / RecorderHarness::kRate;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", seconds);
    for (const std::string& word :
         {hour + stem + ".flac", w, std::string(stem), std::string(text), std::string("---")})
      expected.push_back(word);
  }
  EXPECT_EQ(readLines(script + ".out"), expected);
  // The output and the status are in the log.
  EXPECT_NE(logText().find("uploaded 1_12-07-2026_10-00-20"), std::string::npos);
  EXPECT_NE(logText().find("exit status 0"), std::string::npos);
  EXPECT_FALSE(h.t.noticed("Befehl"));
}

TEST_F(CommandAfterRecording, WithTheTreeOffTheArchivePathIsTheCopyInW) {
  const std::string out = h.t.file("copied.wav");
  line(h.lines, 19) = "0";
  line(h.lines, 42) = "cp %f '" + out + "'";
  h.silence(200);
  h.burst(5000);
  h.start();
  h.t.loop.runFor(15'000);
  EXPECT_FALSE(fs::exists(recordings + "/FK_1"));
  EXPECT_EQ(readFile(out), readFile(recordings + "/W/1_12-07-2026_10-00-00.wav"));
}

TEST_F(CommandAfterRecording, AHangingCommandIsEndedAtItsLimitWhileRecordingGoesOn) {
  // The commands on a thread, as in the program; the rest on the loop as usual.
  h.t.makeWorker = [this](std::string_view kind) {
    return kind == "commands" ? makeThreadWorker(h.t.loop) : makeLoopWorker(h.t.loop);
  };
  h.t.commandLimitMs = 400;
  line(h.lines, 42) = "sleep 30";
  h.twoTransmissions();
  Program& p = h.start();
  h.t.loop.runFor(40'000);
  // Both recordings are filed while the first command still hangs.
  EXPECT_EQ(h.filesIn(recordings + "/W").size(), 2u);
  EXPECT_EQ(p.recorder.filer.afterRecording.waiting(), 1u);

  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (h.t.noticeCount("sleep – ended after") < 1 ||
         p.recorder.filer.afterRecording.waiting() > 0) {
    ASSERT_LT(std::chrono::steady_clock::now(), until) << logText();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    h.t.loop.runPosted();
  }
  EXPECT_EQ(h.t.noticeCount("Befehl nach der Aufnahme 1_12-07-2026_10-00-00"), 1);
  p.shutdownRoutine();
}

TEST_F(CommandAfterRecording, MoreThanAHundredWaitingDropsTheOldestAndTellsOnce) {
  line(h.lines, 42) = "true";
  h.t.makeWorker = [this](std::string_view kind) {
    return kind == "commands" ? makeThreadWorker(h.t.loop) : makeLoopWorker(h.t.loop);
  };
  line(h.lines, 16) = "0";
  Program& p = h.start();
  AfterRecording& commands = p.recorder.filer.afterRecording;
  for (int i = 0; i < 103; ++i)
    commands.recordingFiled({"a", "w", "take" + std::to_string(i), 1.0});
  // One runs, a hundred wait: the two oldest waiting went.
  EXPECT_EQ(commands.waiting(), 100u);
  EXPECT_EQ(h.t.noticeCount("entfällt"), 1);
  EXPECT_TRUE(h.t.noticed("take1,"));
  EXPECT_NE(logText().find("command for take1 dropped"), std::string::npos);
  EXPECT_NE(logText().find("command for take2 dropped"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
