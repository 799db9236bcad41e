#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/keying/keyer.h"

namespace tv::test {

// A keyer that answers at once, as the test has set its device up: reachable or not,
// refusing the PTT or not, keyed by the operator or not. The state is shared, so the test
// still sees it once the program owns the keyer, and the keyer made anew after new
// settings sees the same device.
class FakeKeyer final : public Keyer {
 public:
  struct Change {
    bool on;
    std::int64_t atMs;
  };
  struct Device {
    bool reachable = true;
    // Refuses to key; to release as well.
    bool refuses = false;
    bool refusesRelease = false;
    bool seesOperator = true;
    bool ptt = false;
    // Keyed by the operator, seen by readPtt.
    bool operatorPtt = false;
    int opens = 0;
    int reads = 0;
    std::vector<Change> changes;
    std::vector<KeyerChoice> made;
  };

  FakeKeyer(std::shared_ptr<Device> device, Clock& clock) : d_(std::move(device)), clock_(clock) {}

  // A factory for Platform::makeKeyer that makes keyers of `device`.
  static KeyerFactory factory(std::shared_ptr<Device> device, Clock& clock);

  Result<void> open() override;
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  Result<void> setPtt(bool on) override;
  Result<bool> readPtt() override;
  bool seesOperatorKey() const override { return d_->seesOperator; }
  std::string description() const override { return "the test's rig"; }

 private:
  std::shared_ptr<Device> d_;
  Clock& clock_;
  bool open_ = false;
};

}  // namespace tv::test
