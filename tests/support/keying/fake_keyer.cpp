#include "tests/support/keying/fake_keyer.h"

namespace tv::test {

KeyerFactory FakeKeyer::factory(std::shared_ptr<Device> device, Clock& clock) {
  return [device, &clock](const KeyerChoice& choice) -> std::unique_ptr<Keyer> {
    device->made.push_back(choice);
    return std::make_unique<FakeKeyer>(device, clock);
  };
}

Result<void> FakeKeyer::open() {
  if (open_) return success();
  ++d_->opens;
  if (!d_->reachable) return failure("connection refused");
  open_ = true;
  return success();
}

Result<void> FakeKeyer::setPtt(bool on) {
  if (Result<void> opened = open(); !opened) return opened;
  if (!d_->reachable) {
    open_ = false;
    return failure("closed the connection");
  }
  if (on ? d_->refuses : d_->refusesRelease) return failure("refused (RPRT -1)");
  if (d_->ptt != on) d_->changes.push_back({on, clock_.monotonicMs()});
  d_->ptt = on;
  return success();
}

Result<bool> FakeKeyer::readPtt() {
  if (Result<void> opened = open(); !opened) return opened.error();
  if (!d_->reachable) {
    open_ = false;
    return failure("closed the connection");
  }
  ++d_->reads;
  return d_->ptt || d_->operatorPtt;
}

}  // namespace tv::test
