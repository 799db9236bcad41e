#include "platform/posix/posix_command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace tv {

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kPollMs = 100;
// Between looks for the end of a command that has closed its output.
constexpr int kReapMs = 10;
constexpr auto kGrace = std::chrono::seconds(1);

// Spawn settings that clean up after themselves.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
};

void keep(CommandRun& run, const char* bytes, std::size_t count, std::size_t limit) {
  const std::size_t room = limit > run.output.size() ? limit - run.output.size() : 0;
  if (count > room) run.outputCut = true;
  run.output.append(bytes, std::min(count, room));
}

// Ends the command's whole group: politely first, then for certain. Returns its status.
int endGroup(pid_t pid) {
  kill(-pid, SIGTERM);
  int status = 0;
  const auto until = Steady::now() + kGrace;
  while (Steady::now() < until) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      // What it started may linger in the group.
      kill(-pid, SIGKILL);
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

}  // namespace

CommandRun PosixCommandRunner::run(const std::vector<std::string>& words, std::int64_t limitMs,
                                   std::size_t outputLimit) {
  CommandRun result;
  if (words.empty() || words.front().empty()) {
    result.problem = "no command";
    return result;
  }
  if (stopping_) {
    result.problem = "the program ends";
    return result;
  }
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    result.problem = std::string("pipe: ") + std::strerror(errno);
    return result;
  }

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&setup.actions, pipeFds[1], 2);
  // A group of its own, the signals as a fresh process has them: the program's own
  // handlers and blocked signals are not the command's business.
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);

  std::vector<char*> argv;
  for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawned =
      posix_spawnp(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    result.problem = words.front() + ": " + std::strerror(spawned);
    return result;
  }
  result.started = true;

  const auto deadline = Steady::now() + std::chrono::milliseconds(limitMs);
  const int out = pipeFds[0];
  bool pipeOpen = true;
  int status = 0;
  char buffer[4096];
  for (;;) {
    if (pipeOpen) {
      pollfd watch{out, POLLIN, 0};
      if (poll(&watch, 1, kPollMs) > 0) {
        const ssize_t got = read(out, buffer, sizeof buffer);
        if (got > 0) {
          keep(result, buffer, static_cast<std::size_t>(got), outputLimit);
        } else if (got == 0 || errno != EINTR) {
          pipeOpen = false;
        }
      }
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReapMs));
    }
    if (waitpid(pid, &status, WNOHANG) == pid) {
      // What is left in the pipe, without waiting for others that may hold it open.
      fcntl(out, F_SETFL, O_NONBLOCK);
      ssize_t got = 0;
      while (pipeOpen && (got = read(out, buffer, sizeof buffer)) > 0)
        keep(result, buffer, static_cast<std::size_t>(got), outputLimit);
      break;
    }
    if (stopping_ || Steady::now() >= deadline) {
      result.stopped = stopping_;
      result.timedOut = !stopping_;
      status = endGroup(pid);
      break;
    }
  }
  close(out);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace tv
