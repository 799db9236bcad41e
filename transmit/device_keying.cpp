#include "transmit/device_keying.h"

#include <utility>

#include "app/program.h"

namespace tv {
namespace {

// Told once per outage, cleared when the device is back.
constexpr std::string_view kUnreachable = "keyer unreachable";

}  // namespace

DeviceKeying::DeviceKeying(Program& program, Events events)
    : p_(program),
      events_(std::move(events)),
      retry_(program.ui().timers(), "tmrKeyerRetry", kRetryMs, false),
      poll_(program.ui().timers(), "tmrKeyerPoll", kPollMs, false) {
  retry_.tick = [this] { tmrRetry_Timer(); };
  poll_.tick = [this] { tmrPoll_Timer(); };
}

DeviceKeying::~DeviceKeying() {
  stop(1000);
}

std::string DeviceKeying::description() const {
  return description_;
}

void DeviceKeying::submit(std::function<Outcome(Keyer&)> call,
                          std::function<void(const Outcome&)> done) {
  if (!worker_) worker_ = p_.makeWorker("keying");
  std::shared_ptr<Keyer> keyer = keyer_;
  const std::uint64_t generation = generation_;
  worker_->run<Outcome>(
      [keyer, call = std::move(call)] {
        Outcome outcome = call(*keyer);
        outcome.open = keyer->isOpen();
        return outcome;
      },
      [this, generation, done = std::move(done)](Outcome outcome) {
        if (generation == generation_ && done) done(outcome);
      });
}

void DeviceKeying::start(std::unique_ptr<Keyer> keyer) {
  stop(0);
  if (!keyer) return;
  ++generation_;
  keyer_ = std::move(keyer);
  description_ = keyer_->description();
  seesOperatorKey_ = keyer_->seesOperatorKey();
  submit([](Keyer& k) { return Outcome{k.open()}; },
         [this](const Outcome& outcome) { opened(outcome); });
}

void DeviceKeying::stop(std::int64_t limitMs) {
  if (!keyer_) return;
  retry_.setEnabled(false);
  poll_.setEnabled(false);
  const bool release = mayBeKeyed_;
  // The old keyer is released and closed in its turn on the worker, after whatever it
  // still has to do; the results of all that no longer concern anyone.
  submit(
      [release](Keyer& k) {
        Outcome outcome;
        if (release) outcome.result = k.setPtt(false);
        k.close();
        return outcome;
      },
      {});
  ++generation_;
  keyer_.reset();
  worker_->finish(limitMs);
  out_ = false;
  wantKeyed_ = false;
  mayBeKeyed_ = false;
  polling_ = false;
  operatorKey_.reset();
  p_.notices.clear(kUnreachable);
}

void DeviceKeying::opened(const Outcome& outcome) {
  if (!outcome.result) {
    outage(outcome.result.error().message);
    return;
  }
  retry_.setEnabled(false);
  poll_.setEnabled(true);
  if (!out_) return;
  out_ = false;
  // Lost while keyed: a rig keeps its PTT when only the connection went.
  if (mayBeKeyed_ && !wantKeyed_) release();
  p_.notices.clear(kUnreachable);
  p_.notice("keying", p_.ownMessage(OwnText::KeyerBack, {description_}), LogLevel::Info);
}

void DeviceKeying::outage(const std::string& reason) {
  poll_.setEnabled(false);
  polling_ = false;
  operatorKey_.reset();
  wantKeyed_ = false;
  if (!retry_.enabled()) retry_.setEnabled(true);
  if (!out_) {
    out_ = true;
    p_.notices.tellOnce(kUnreachable, "keying",
                        p_.ownMessage(OwnText::KeyerUnreachable, {description_, reason}));
  } else {
    p_.log.info("keying", reason);
  }
  events_.failed(reason);
}

void DeviceKeying::key() {
  if (!keyer_) return;
  wantKeyed_ = true;
  mayBeKeyed_ = true;
  ++keyings_;
  // Also during an outage: the call opens the device again or fails within its limits,
  // and the failure ends what wanted to transmit.
  submit([](Keyer& k) { return Outcome{k.setPtt(true)}; },
         [this](const Outcome& outcome) { keyDone(outcome, true); });
}

void DeviceKeying::release() {
  if (!keyer_) return;
  wantKeyed_ = false;
  ++keyings_;
  submit([](Keyer& k) { return Outcome{k.setPtt(false)}; },
         [this](const Outcome& outcome) { keyDone(outcome, false); });
}

void DeviceKeying::keyDone(const Outcome& outcome, bool on) {
  if (outcome.result) {
    if (!on) {
      mayBeKeyed_ = wantKeyed_;
    } else if (wantKeyed_) {
      events_.keyed();
    }
    if (out_) opened(outcome);
    return;
  }
  const std::string& reason = outcome.result.error().message;
  if (!outcome.open) {
    outage(reason);
    return;
  }
  // Reachable, but the device did not do it (a rig that refuses, a PTT read back wrong).
  if (!on) {
    // Nothing transmits any more that could end; the rig's own time-out is all that is left.
    p_.notice("keying", p_.ownMessage(OwnText::KeyerReleaseFailed, {description_, reason}));
    return;
  }
  if (!wantKeyed_) {
    p_.log.warning("keying", reason);
    return;
  }
  p_.notice("keying", p_.ownMessage(OwnText::KeyerFailed, {description_, reason}));
  wantKeyed_ = false;
  events_.failed(reason);
}

void DeviceKeying::tmrRetry_Timer() {
  if (!keyer_ || worker_->pending() > 0) return;
  submit([](Keyer& k) { return Outcome{k.open()}; },
         [this](const Outcome& outcome) {
           if (outcome.result) {
             opened(outcome);
           } else {
             p_.log.info("keying", outcome.result.error().message);
           }
         });
}

void DeviceKeying::tmrPoll_Timer() {
  if (!keyer_ || polling_ || worker_->pending() > 0) return;
  polling_ = true;
  const std::uint64_t keyings = keyings_;
  submit(
      [](Keyer& k) {
        Outcome outcome;
        const Result<bool> ptt = k.readPtt();
        if (ptt) {
          outcome.ptt = *ptt;
        } else {
          outcome.result = ptt.error();
        }
        return outcome;
      },
      [this, keyings](const Outcome& outcome) {
        polling_ = false;
        if (!outcome.result) {
          if (!outcome.open) outage(outcome.result.error().message);
          return;
        }
        if (keyings == keyings_ && !wantKeyed_) operatorKey_ = outcome.ptt;
      });
}

std::optional<bool> DeviceKeying::operatorKey() const {
  if (!seesOperatorKey()) return std::nullopt;
  return operatorKey_;
}

}  // namespace tv
