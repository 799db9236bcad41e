#include "platform/posix/keying/rigctld_keyer.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/posix/release_registry.h"

namespace tv {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::string_view kReleaseLine = "T 0\n";
// A rigctld answer is one short line; anything longer is not rigctld.
constexpr std::size_t kLongestAnswer = 256;

std::string systemText(int error) {
  return std::strerror(error);
}

// Milliseconds left until `deadline`, at least 0.
int msLeft(SteadyClock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until the deadline; false when the time ran out. An
// interrupted wait goes on with what is left.
bool awaitReady(int fd, short events, SteadyClock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, msLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

// "host:port" or "[v6]:port" into host and port; the settings have checked the form.
std::pair<std::string, std::string> splitAddress(const std::string& address) {
  const std::size_t colon = address.rfind(':');
  std::string host = colon == std::string::npos ? address : address.substr(0, colon);
  std::string port = colon == std::string::npos ? "4532" : address.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  return {host, port};
}

}  // namespace

std::optional<int> rigctldReport(const std::string& line) {
  constexpr std::string_view kWord = "RPRT ";
  if (line.rfind(kWord, 0) != 0) return std::nullopt;
  const std::string number = line.substr(kWord.size());
  if (number.empty()) return std::nullopt;
  std::size_t used = 0;
  try {
    const int value = std::stoi(number, &used);
    if (used != number.size()) return std::nullopt;
    return value;
  } catch (...) {
    return std::nullopt;
  }
}

RigctldKeyer::RigctldKeyer(std::string address, int pttCommand)
    : address_(std::move(address)), pttCommand_(pttCommand == 3 ? 3 : 1) {}

RigctldKeyer::~RigctldKeyer() = default;

Result<void> RigctldKeyer::open() {
  if (socket_.isOpen()) return success();
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kStepMs);
  const auto [host, port] = splitAddress(address_);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int error = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); error != 0)
    return failure("rigctld at " + address_ + ": " + ::gai_strerror(error));
  std::string why = "no address";
  int connected = -1;
  for (addrinfo* a = found; a != nullptr && connected < 0; a = a->ai_next) {
    const int fd =
        ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      why = systemText(errno);
      continue;
    }
    int error = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      error = errno;
      if (error == EINPROGRESS) {
        if (!awaitReady(fd, POLLOUT, deadline)) {
          error = ETIMEDOUT;
        } else {
          socklen_t size = sizeof error;
          if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        }
      }
    }
    if (error != 0) {
      why = error == ETIMEDOUT ? "no answer within " + std::to_string(kStepMs) + " ms"
                               : systemText(error);
      ::close(fd);
      continue;
    }
    connected = fd;
  }
  ::freeaddrinfo(found);
  if (connected < 0) return failure("rigctld at " + address_ + ": " + why);
  socket_.hold(connected, kReleaseLine);
  return success();
}

void RigctldKeyer::close() {
  socket_.close();
}

Error RigctldKeyer::lost(const std::string& why) {
  close();
  return Error{"rigctld at " + address_ + ": " + why};
}

Result<std::string> RigctldKeyer::exchange(const std::string& command) {
  if (Result<void> opened = open(); !opened) return opened.error();
  const int fd = socket_.fd();
  // Whatever waits unread came out of turn: it answers nothing asked now.
  char stale[kLongestAnswer];
  while (::recv(fd, stale, sizeof stale, MSG_DONTWAIT) > 0) {
  }
  const std::string line = command + "\n";
  auto deadline = SteadyClock::now() + std::chrono::milliseconds(kStepMs);
  std::size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = ::send(fd, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!awaitReady(fd, POLLOUT, deadline)) return lost("does not take \"" + command + "\"");
      continue;
    }
    return lost(systemText(errno));
  }
  deadline = SteadyClock::now() + std::chrono::milliseconds(kStepMs);
  std::string answer;
  for (;;) {
    const std::size_t end = answer.find('\n');
    if (end != std::string::npos) return answer.substr(0, end);
    if (answer.size() > kLongestAnswer) return lost("answers what rigctld does not");
    if (!awaitReady(fd, POLLIN, deadline))
      return lost("no answer to \"" + command + "\" within " + std::to_string(kStepMs) + " ms");
    char buffer[kLongestAnswer];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      answer.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return lost("closed the connection");
    } else if (errno != EINTR && errno != EAGAIN) {
      return lost(systemText(errno));
    }
  }
}

Result<void> RigctldKeyer::setPtt(bool on) {
  // A termination signal has released the rig from its handler; nothing keys again.
  if (on && release::ending()) return failure("the program is ending");
  const std::string command = on ? "T " + std::to_string(pttCommand_) : "T 0";
  const Result<std::string> answer = exchange(command);
  if (!answer) return answer.error();
  const std::optional<int> report = rigctldReport(*answer);
  if (!report) return lost("answered \"" + *answer + "\" to \"" + command + "\"");
  if (*report != 0)
    return failure("rigctld at " + address_ + " refused \"" + command + "\" (RPRT " +
                   std::to_string(*report) + ")");
  const Result<bool> state = readPtt();
  if (!state) return state.error();
  if (*state != on)
    return failure("rigctld at " + address_ + " reads the PTT " + (*state ? "on" : "off") +
                   " after \"" + command + "\"");
  return success();
}

Result<bool> RigctldKeyer::readPtt() {
  const Result<std::string> answer = exchange("t");
  if (!answer) return answer.error();
  if (const std::optional<int> report = rigctldReport(*answer))
    return failure("rigctld at " + address_ + " cannot read the PTT (RPRT " +
                   std::to_string(*report) + ")");
  const std::string& text = *answer;
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return lost("answered \"" + text + "\" to \"t\"");
  return text.find_first_not_of('0') != std::string::npos;
}

}  // namespace tv
