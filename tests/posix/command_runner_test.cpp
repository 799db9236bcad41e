// Outside commands run without a shell: their words arrive as given, their output is kept
// up to its limit, and one that hangs is ended with everything it started.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "platform/posix/posix_command_runner.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

using Steady = std::chrono::steady_clock;
constexpr std::int64_t kMinute = 60'000;

TEST(CommandRunner, WordsReachTheCommandAsGivenAndItsOutputAndStatusComeBack) {
  PosixCommandRunner runner;
  // printf prints each argument on its own line: a blank, quotes and a $ stay as they are.
  const CommandRun run =
      runner.run({"printf", "%s|\\n", "two words", "'quoted'", "$HOME", ""}, kMinute, 4096);
  EXPECT_TRUE(run.started);
  EXPECT_TRUE(run.succeeded());
  EXPECT_EQ(run.output, "two words|\n'quoted'|\n$HOME|\n|\n");

  const CommandRun failing = runner.run({"sh", "-c", "echo to stderr >&2; exit 3"}, kMinute, 4096);
  EXPECT_FALSE(failing.succeeded());
  EXPECT_EQ(failing.exitStatus, 3);
  EXPECT_EQ(failing.output, "to stderr\n");
}

TEST(CommandRunner, AProgramThatIsNotThereIsNotStartedAndSaysWhich) {
  PosixCommandRunner runner;
  const CommandRun run = runner.run({"/nowhere/upload-it", "x"}, kMinute, 4096);
  EXPECT_FALSE(run.started);
  EXPECT_NE(run.problem.find("/nowhere/upload-it"), std::string::npos);
  EXPECT_FALSE(runner.run({}, kMinute, 4096).started);
}

TEST(CommandRunner, OutputBeyondTheLimitIsReadAndDroppedSoTheCommandNeverBlocks) {
  PosixCommandRunner runner;
  // Far more than a pipe holds: a runner that stopped reading would hang here.
  const CommandRun run = runner.run({"head", "-c", "1000000", "/dev/zero"}, kMinute, 4096);
  EXPECT_TRUE(run.succeeded());
  EXPECT_EQ(run.output.size(), 4096u);
  EXPECT_TRUE(run.outputCut);
}

TEST(CommandRunner, AHangingCommandAndWhatItStartedAreEndedAtTheLimit) {
  TempFolder temp;
  const std::string marker = temp.path() + "/still-running";
  PosixCommandRunner runner;
  const auto start = Steady::now();
  // A child in the background holds the output pipe open and would outlive its parent.
  const CommandRun run =
      runner.run({"sh", "-c", "(sleep 30; touch '" + marker + "') & sleep 30"}, 300, 4096);
  const auto took = Steady::now() - start;
  EXPECT_TRUE(run.timedOut);
  EXPECT_FALSE(run.succeeded());
  EXPECT_EQ(run.signal, SIGTERM);
  EXPECT_LT(took, std::chrono::seconds(3));
  // The whole group went: nothing is left to touch the marker.
  const CommandRun check = runner.run({"pgrep", "-f", "sleep 30; touch '" + marker}, kMinute, 4096);
  EXPECT_EQ(check.exitStatus, 1) << check.output;
}

TEST(CommandRunner, StopEndsTheRunUnderWayAndRefusesLaterOnes) {
  PosixCommandRunner runner;
  std::thread stopper([&runner] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    runner.stop();
  });
  const auto start = Steady::now();
  const CommandRun run = runner.run({"sleep", "30"}, kMinute, 4096);
  stopper.join();
  EXPECT_TRUE(run.stopped);
  EXPECT_FALSE(run.timedOut);
  EXPECT_LT(Steady::now() - start, std::chrono::seconds(3));
  EXPECT_FALSE(runner.run({"true"}, kMinute, 4096).started);
}

}  // namespace
}  // namespace tv::test
