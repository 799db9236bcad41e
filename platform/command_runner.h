#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// How one run of an outside command went.
struct CommandRun {
  // It could not be started: why.
  bool started = false;
  std::string problem;
  // Ended by its time limit, or because the program ended.
  bool timedOut = false;
  bool stopped = false;
  // Its exit status when it exited, the signal when one ended it.
  int exitStatus = -1;
  int signal = 0;
  // Its standard output and error, as far as the limit allowed.
  std::string output;
  bool outputCut = false;

  bool succeeded() const { return started && !timedOut && !stopped && exitStatus == 0; }
};

// Runs outside commands without a shell. `run` blocks until the command has ended, so it
// is called on a worker of its own; `stop` may be called from any thread.
class CommandRunner {
 public:
  virtual ~CommandRunner() = default;

  // Runs `words[0]` (looked up on PATH) with the rest as its arguments, standard input
  // empty, standard output and error collected up to `outputLimit` bytes (the rest is
  // read and dropped, so the command never blocks on a full pipe). After `limitMs` the
  // command and whatever it started are ended.
  virtual CommandRun run(const std::vector<std::string>& words, std::int64_t limitMs,
                         std::size_t outputLimit) = 0;

  // Ends the run under way, and every later one at once: the program ends.
  virtual void stop() = 0;
};

}  // namespace tv
