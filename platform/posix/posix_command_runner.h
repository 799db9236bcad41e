#pragma once

#include <atomic>

#include "platform/command_runner.h"

namespace tv {

// posix_spawn in a process group of its own, so that a command that started others is
// ended whole: SIGTERM to the group, SIGKILL a second later.
class PosixCommandRunner : public CommandRunner {
 public:
  CommandRun run(const std::vector<std::string>& words, std::int64_t limitMs,
                 std::size_t outputLimit) override;
  void stop() override { stopping_ = true; }

 private:
  std::atomic<bool> stopping_{false};
};

}  // namespace tv
