#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/keying/keyer.h"
#include "platform/timer.h"
#include "platform/worker.h"

namespace tv {

class Program;

// Runs a keyer (rigctld, a CM108 GPIO) for the keying: every call to the device goes to a
// worker of its own, so the GUI thread never waits on a daemon that does not answer, and
// comes back as an event. A device that cannot be reached — refused, gone, silent — is an
// outage: told once, tried again every kRetryMs in the background, and told once more
// when it is back. While it is reachable its PTT is read every kPollMs, which notices an
// outage while nothing keys and, where the device sees it, the operator's own keying.
//
// GUI thread only.
class DeviceKeying {
 public:
  struct Events {
    // The keying asked for with key() is confirmed by the device.
    std::function<void()> keyed;
    // A key or release failed, or an outage began: whatever transmits must end.
    std::function<void(const std::string& reason)> failed;
  };

  static constexpr int kRetryMs = 10'000;
  static constexpr int kPollMs = 500;

  DeviceKeying(Program& program, Events events);
  ~DeviceKeying();
  DeviceKeying(const DeviceKeying&) = delete;
  DeviceKeying& operator=(const DeviceKeying&) = delete;

  // Takes the keyer over and opens it in the background; one held before is released and
  // closed first.
  void start(std::unique_ptr<Keyer> keyer);
  // Releases and closes the keyer, waiting at most `limitMs` for it.
  void stop(std::int64_t limitMs);
  bool active() const { return keyer_ != nullptr; }

  void key();
  void release();

  // The operator keys the transmitter: the device reads its PTT on while the program has
  // not keyed. None when the device cannot tell, or has not been read yet.
  std::optional<bool> operatorKey() const;
  // The device can see the operator's keying and is reachable.
  bool seesOperatorKey() const { return keyer_ != nullptr && seesOperatorKey_ && !out_; }
  // Not reachable now (an outage is told).
  bool out() const { return out_; }
  std::string description() const;

 private:
  struct Outcome {
    Result<void> result;
    bool open = false;
    // readPtt's answer.
    bool ptt = false;
  };

  void submit(std::function<Outcome(Keyer&)> call, std::function<void(const Outcome&)> done);
  void opened(const Outcome& outcome);
  void keyDone(const Outcome& outcome, bool on);
  void outage(const std::string& reason);
  void tmrRetry_Timer();
  void tmrPoll_Timer();

  Program& p_;
  Events events_;
  std::unique_ptr<Worker> worker_;
  std::shared_ptr<Keyer> keyer_;
  std::string description_;
  Timer retry_;
  Timer poll_;
  bool seesOperatorKey_ = false;
  // Results of a keyer replaced since are dropped.
  std::uint64_t generation_ = 0;
  bool out_ = false;
  bool wantKeyed_ = false;
  // Keyed since the last confirmed release: what stop() must release.
  bool mayBeKeyed_ = false;
  // Counts every key and release, so that a reading asked for before one is not taken
  // for the operator's keying.
  std::uint64_t keyings_ = 0;
  bool polling_ = false;
  std::optional<bool> operatorKey_;
};

}  // namespace tv
