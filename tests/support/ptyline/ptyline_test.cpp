// The stand-in for a USB serial adapter's modem lines that the end-to-end tests preload
// into the real program. Runs with the library preloaded (see CMakeLists.txt): the
// termios port and the release registry below are the program's own code.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/release_registry.h"
#include "platform/posix/serial/serial_termios.h"
#include "tests/serial/pty.h"

namespace tv {
namespace {

class AdapterLines : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* log = std::getenv("PTYLINE_LOG");
    const char* inputs = std::getenv("PTYLINE_INPUTS");
    if (!log || !inputs) GTEST_SKIP() << "run without the preloaded library";
    log_ = log;
    inputs_ = inputs;
    // The library appends to the file it opened at load time.
    ASSERT_EQ(::truncate(log, 0), 0);
    setInputs("");
    ASSERT_TRUE(pty_.ok());
  }

  void setInputs(const std::string& text) { std::ofstream(inputs_, std::ios::trunc) << text; }

  // "cause dtr rts" of every logged line of this process, or of `pid`.
  std::vector<std::string> changes(pid_t pid = ::getpid()) const {
    std::vector<std::string> found;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
      if (line.find(" pid=" + std::to_string(pid) + " ") == std::string::npos) continue;
      found.push_back(field(line, "cause") + " " + field(line, "dtr") + " " + field(line, "rts"));
    }
    return found;
  }

  std::string lastLine(pid_t pid) const {
    std::string last;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);)
      if (line.find(" pid=" + std::to_string(pid) + " ") != std::string::npos) last = line;
    return last;
  }

  static std::string field(const std::string& line, const std::string& name) {
    std::istringstream words(line);
    for (std::string word; words >> word;)
      if (word.rfind(name + "=", 0) == 0) return word.substr(name.size() + 1);
    return {};
  }

  std::string log_;
  std::string inputs_;
  Pty pty_;
};

TEST_F(AdapterLines, TheTermiosPortKeysReadsTheSendKeyAndHangsUpAtClose) {
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty_.slave()));
  ASSERT_TRUE(port.setDtr(true));
  ASSERT_TRUE(port.setRts(true));
  ASSERT_TRUE(port.setDtr(false));
  setInputs("cts dcd\n");
  ASSERT_TRUE(port.modemStatus());
  EXPECT_EQ(*port.modemStatus(), modemCtsOn | modemDcdOn);
  setInputs("DSR, RI");
  EXPECT_EQ(*port.modemStatus(), modemDsrOn | modemRingOn);
  port.close();
  EXPECT_EQ(changes(), (std::vector<std::string>{
                           "open 1 1",      // the adapter raises both at open
                           "TIOCMBIC 0 0",  // the port clears them at once
                           "TIOCMBIS 1 0",
                           "TIOCMBIS 1 1",
                           "TIOCMBIC 0 1",
                           "TIOCMBIC 0 0",  // the port's own release at close
                           "close 0 0",
                       }));
}

TEST_F(AdapterLines, TheLinesBelongToTheDeviceAndOnlyItsLastCloseHangsUp) {
  const int a = ::open(pty_.slave().c_str(), O_RDWR | O_NOCTTY);
  const int b = ::open(pty_.slave().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  int dtr = TIOCM_DTR;
  ASSERT_EQ(::ioctl(a, TIOCMBIC, &dtr), 0);
  int lines = -1;
  ASSERT_EQ(::ioctl(b, TIOCMGET, &lines), 0);
  EXPECT_EQ(lines, TIOCM_RTS);
  ::close(a);
  // Without HUPCL the lines stay as they are when the last descriptor goes.
  termios settings{};
  ASSERT_EQ(::tcgetattr(b, &settings), 0);
  settings.c_cflag &= ~HUPCL;
  ASSERT_EQ(::tcsetattr(b, TCSANOW, &settings), 0);
  ::close(b);
  EXPECT_EQ(changes(), (std::vector<std::string>{"open 1 1", "TIOCMBIC 0 1", "close 0 1"}));
}

TEST_F(AdapterLines, APulledOutAdapterFailsEveryLineCallButClosesQuietly) {
  TermiosSerialPort port;
  ASSERT_TRUE(port.open(pty_.slave()));
  ASSERT_TRUE(port.setDtr(true));
  pty_.pullOut();
  const auto read = port.modemStatus();
  ASSERT_FALSE(read);
  EXPECT_NE(read.error().message.find("Input/output error"), std::string::npos);
  EXPECT_FALSE(port.setDtr(false));
  port.close();
  EXPECT_EQ(changes(),
            (std::vector<std::string>{"open 1 1", "TIOCMBIC 0 0", "TIOCMBIS 1 0", "close 1 0"}));
}

TEST_F(AdapterLines, OtherDescriptorsKeepTheirOwnAnswers) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  int lines = 0;
  errno = 0;
  EXPECT_EQ(::ioctl(fds[0], TIOCMGET, &lines), -1);
  EXPECT_EQ(errno, ENOTTY);
  ::close(fds[0]);
  ::close(fds[1]);
  // The pty's master side is no serial port either.
  EXPECT_EQ(::ioctl(pty_.master(), TIOCMBIS, &lines), -1);
  EXPECT_TRUE(changes().empty());
}

TEST_F(AdapterLines, AFatalSignalClearsTheLinesFromInsideItsHandler) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TermiosSerialPort port;
    if (!port.open(pty_.slave()) || !release::installFatalSignalRelease() || !port.setDtr(true))
      std::_Exit(1);
    std::raise(SIGSEGV);
    std::_Exit(2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  const std::vector<std::string> seen = changes(child);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "TIOCMBIC 0 0") << "the kernel's close is not seen: the handler's is";
  const std::string blocked = field(lastLine(child), "blocked");
  EXPECT_NE(("," + blocked + ",").find(",11,"), std::string::npos) << lastLine(child);
}

}  // namespace
}  // namespace tv
