#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "platform/disk_space.h"

namespace tv::test {

// A disk whose free room the test sets; what is deleted does not count unless the test
// says so. Asked from the filing worker.
class FixedDiskSpace : public DiskSpace {
 public:
  explicit FixedDiskSpace(std::uint64_t bytes) : bytes_(bytes) {}
  void set(std::uint64_t bytes) { bytes_ = bytes; }
  std::optional<std::uint64_t> freeBytes(const std::string&) const override {
    return bytes_.load();
  }

 private:
  std::atomic<std::uint64_t> bytes_;
};

}  // namespace tv::test
