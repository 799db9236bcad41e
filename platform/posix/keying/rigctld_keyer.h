#pragma once

#include <optional>
#include <string>

#include "platform/keying/keyer.h"
#include "platform/posix/keying/registered_descriptor.h"

namespace tv {

// Keys a rig through Hamlib's rig daemon over TCP: "T 1" (or "T 3", the data port's
// audio) keys, "T 0" releases, "t" reads the PTT back; the daemon answers a command with
// "RPRT n", 0 for success, and a reading with its value.
//
// Connecting, each write and each answer wait at most kStepMs. An answer that does not
// come, a closed connection or an answer out of turn close the socket: a late answer
// would otherwise be read as the answer to the next command.
//
// While connected the socket and a prebuilt "T 0\n" stand in the release registry.
class RigctldKeyer final : public Keyer {
 public:
  static constexpr int kStepMs = 500;

  // `address` as the settings hold it ("host:port", "[::1]:4532"); `pttCommand` 1 or 3.
  RigctldKeyer(std::string address, int pttCommand);
  ~RigctldKeyer() override;
  RigctldKeyer(const RigctldKeyer&) = delete;
  RigctldKeyer& operator=(const RigctldKeyer&) = delete;

  Result<void> open() override;
  void close() override;
  bool isOpen() const override { return socket_.isOpen(); }
  Result<void> setPtt(bool on) override;
  Result<bool> readPtt() override;
  bool seesOperatorKey() const override { return true; }
  std::string description() const override { return "rigctld at " + address_; }

 private:
  // Sends one command line and returns the answer's first line; closes on any failure.
  Result<std::string> exchange(const std::string& command);
  Error lost(const std::string& why);

  std::string address_;
  int pttCommand_;
  RegisteredDescriptor socket_;
};

// "RPRT 0" gives 0, "RPRT -11" gives -11; none for anything else.
std::optional<int> rigctldReport(const std::string& line);

}  // namespace tv
