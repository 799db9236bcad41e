#include "platform/posix/posix_shell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/scoped_path.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::ScopedPath;
using test::TempFolder;
using test::writeProgram;

std::string awaitFile(const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    const std::string text = test::readFile(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

TEST(PosixShell, ADocumentViewerInTheForegroundIsNotWaitedFor) {
  TempFolder folder;
  const std::string started = folder.path() + "/started";
  // Like xdg-open on a desktop that runs the viewer in the foreground: it returns only
  // when the viewer is closed, here half a minute later. PATH finds it before any other.
  writeProgram(folder.path() + "/xdg-open",
               "#!/bin/sh\necho \"$$ $1\" > '" + started + "'\nexec sleep 30\n");
  ScopedPath path(folder.path() + ":/usr/bin:/bin");
  PosixShell shell;

  const auto before = std::chrono::steady_clock::now();
  const Result<void> opened = shell.openDocument("/somewhere/Tonvogel.pdf");
  const auto took = std::chrono::steady_clock::now() - before;
  ASSERT_TRUE(opened) << opened.error().message;
  EXPECT_LT(took, std::chrono::seconds(10)) << "waited for the viewer";

  const std::string line = awaitFile(started);
  ASSERT_NE(line, "") << "the viewer was not started";
  EXPECT_NE(line.find(" /somewhere/Tonvogel.pdf"), std::string::npos) << line;
  const pid_t viewer = static_cast<pid_t>(std::stol(line));
  EXPECT_EQ(kill(viewer, 0), 0) << "the viewer should still run";
  // Nobody's child here: nothing to reap, no zombie left behind.
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  kill(viewer, SIGKILL);
}

TEST(PosixShell, AViewerThatCannotBeStartedIsAFailure) {
  TempFolder folder;
  {
    ScopedPath path(folder.path());
    const Result<void> opened = PosixShell().openDocument("/somewhere/Tonvogel.pdf");
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().message.find("xdg-open"), std::string::npos);
  }
  // Found, but its interpreter is missing: the exec fails in the child and says so.
  writeProgram(folder.path() + "/xdg-open", "#!/nonexistent/interpreter\n");
  ScopedPath path(folder.path());
  const Result<void> opened = PosixShell().openDocument("/somewhere/Tonvogel.pdf");
  ASSERT_FALSE(opened);
  EXPECT_NE(opened.error().message.find("No such file"), std::string::npos)
      << opened.error().message;
}

}  // namespace
}  // namespace tv
