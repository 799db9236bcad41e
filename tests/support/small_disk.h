#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/posix_take_file.h"

namespace tv::test {

// Take files on a disk with little room: real files, but a write that would grow the
// files past `room()` bytes writes what fits and fails as a full disk does, and a
// truncation gives the room back. `failSync` makes every sync fail, as a medium that
// was pulled out does. Shared by the files it makes; safe from a writer thread.
class SmallDisk : public TakeFiles {
 public:
  // Unlimited until told otherwise.
  void setRoom(std::optional<std::uint64_t> bytes);
  std::optional<std::uint64_t> room() const;
  void setFailSync(bool fail);

  Result<std::unique_ptr<TakeFile>> create(const std::string& path) override;

  // Takes up to `bytes` of the room; returns how many it may write.
  std::uint64_t claim(std::uint64_t bytes);
  void giveBack(std::uint64_t bytes);
  bool failSync() const;

 private:
  PosixTakeFiles real_;
  mutable std::mutex mutex_;
  std::optional<std::uint64_t> room_;
  bool failSync_ = false;
};

}  // namespace tv::test
