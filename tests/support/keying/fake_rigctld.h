#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tv::test {

// A stand-in for Hamlib's rig daemon on 127.0.0.1, on a port of its own: answers "T n"
// with "RPRT 0" and "t" with the PTT last set, one connection at a time. A test switches
// it to the faults a real daemon has: never answering, refusing the PTT, closing every
// connection, or not listening at all.
class FakeRigctld {
 public:
  enum class Mode { answer, silent, refuse, hangUp };

  FakeRigctld();
  ~FakeRigctld();
  FakeRigctld(const FakeRigctld&) = delete;
  FakeRigctld& operator=(const FakeRigctld&) = delete;

  int port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  void setMode(Mode mode) { mode_ = mode; }
  // Stops listening and drops the connection: connecting is refused until start().
  void stop();
  // Listens again on the same port.
  void start();

  // The PTT as the rig has it; the operator's own keying sets it too.
  int ptt() const { return ptt_; }
  void setPtt(int value) { ptt_ = value; }
  // Every command line received, in order, without its newline.
  std::vector<std::string> commands() const;
  int connections() const { return connections_; }

 private:
  void serve();

  int port_ = 0;
  int listener_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<Mode> mode_{Mode::answer};
  std::atomic<int> ptt_{0};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
};

}  // namespace tv::test
