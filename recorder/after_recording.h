#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_runner.h"
#include "platform/worker.h"

namespace tv {

class Program;

// A filed recording as the command after it sees it.
struct FiledRecording {
  std::string archive;    // the tree's copy, or W's when there is none
  std::string collected;  // the copy in W
  std::string name;       // the capture name without its extension
  double seconds = 0;
};

// Splits a command line into words as a POSIX shell does: blanks separate, '…' keeps
// everything, "…" keeps all but \\ \" \$ \` escapes, a backslash outside quotes keeps the
// next character. No expansion of any kind. None for an unclosed quote.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view line);

// The words with %f, %w, %n and %s (seconds with a point and two decimals) replaced inside
// each, %% for a percent sign; a word stays one word whatever the replacement holds.
std::vector<std::string> commandWords(const std::vector<std::string>& words,
                                      const FiledRecording& recording);

// Runs the command after each recording on a worker of its own, one at a time; the
// recorder never waits for it. Those not yet run wait in order, at most 100: a command
// still waiting when the 101st comes is dropped, oldest first, and told.
class AfterRecording {
 public:
  explicit AfterRecording(Program& program);
  ~AfterRecording();

  void recordingFiled(const FiledRecording& recording);
  // The program ends: the command running is ended, none waiting is started.
  void programEnds();
  // Waits at most `limitMs` for the command under way.
  void finish(std::int64_t limitMs);

  std::size_t waiting() const { return queue_.size(); }

  static constexpr std::size_t kMostWaiting = 100;
  static constexpr std::size_t kMostOutputBytes = 4096;

 private:
  struct Queued {
    std::vector<std::string> words;
    std::string name;
  };
  void runNext();
  void ended(const Queued& command, const CommandRun& run);
  Worker& worker();

  Program& p_;
  std::unique_ptr<Worker> worker_;
  std::deque<Queued> queue_;
  bool running_ = false;
  bool ending_ = false;
};

}  // namespace tv
