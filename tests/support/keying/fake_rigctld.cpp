#include "tests/support/keying/fake_rigctld.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tv::test {

FakeRigctld::FakeRigctld() {
  start();
}

FakeRigctld::~FakeRigctld() {
  stop();
}

void FakeRigctld::start() {
  if (thread_.joinable()) return;
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int yes = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port_));
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 4) != 0)
    throw std::runtime_error("the fake rigctld cannot listen");
  socklen_t size = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
  port_ = ntohs(address.sin_port);
  if (::pipe2(wake_, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
  thread_ = std::thread([this] { serve(); });
}

void FakeRigctld::stop() {
  if (!thread_.joinable()) return;
  (void)!::write(wake_[1], "x", 1);
  thread_.join();
  ::close(listener_);
  ::close(wake_[0]);
  ::close(wake_[1]);
  listener_ = -1;
}

std::vector<std::string> FakeRigctld::commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

void FakeRigctld::serve() {
  int client = -1;
  std::string pending;
  for (;;) {
    pollfd watched[3] = {{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}, {client, POLLIN, 0}};
    if (::poll(watched, client >= 0 ? 3 : 2, -1) < 0) continue;
    if (watched[0].revents != 0) break;
    if (watched[1].revents != 0) {
      const int accepted = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (accepted >= 0) {
        ++connections_;
        if (client >= 0) ::close(client);
        client = accepted;
        pending.clear();
        if (mode_ == Mode::hangUp) {
          ::close(client);
          client = -1;
        }
      }
      continue;
    }
    if (client < 0 || watched[2].revents == 0) continue;
    char buffer[256];
    const ssize_t n = ::read(client, buffer, sizeof buffer);
    if (n <= 0) {
      ::close(client);
      client = -1;
      continue;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 1);
      {
        std::lock_guard lock(mutex_);
        commands_.push_back(command);
      }
      const Mode mode = mode_;
      if (mode == Mode::silent) continue;
      if (mode == Mode::hangUp) {
        ::close(client);
        client = -1;
        break;
      }
      std::string answer;
      if (command.rfind("T ", 0) == 0) {
        if (mode == Mode::refuse) {
          answer = "RPRT -1\n";
        } else {
          ptt_ = std::stoi(command.substr(2));
          answer = "RPRT 0\n";
        }
      } else if (command == "t") {
        answer = std::to_string(ptt_.load()) + "\n";
      } else {
        answer = "RPRT -4\n";
      }
      (void)!::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
    }
  }
  if (client >= 0) ::close(client);
}

}  // namespace tv::test
