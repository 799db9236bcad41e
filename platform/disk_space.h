#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tv {

// The room left on a folder's disk. Asked on the filing worker, so an implementation
// keeps no state between calls.
class DiskSpace {
 public:
  virtual ~DiskSpace() = default;
  // Bytes an ordinary user may still write on the disk of `folder`; none when it cannot
  // be told.
  virtual std::optional<std::uint64_t> freeBytes(const std::string& folder) const = 0;
};

}  // namespace tv
