#pragma once

#include "platform/disk_space.h"

namespace tv {

// statvfs(3): the blocks free to unprivileged users, in 64 bits (a disk above 4 GiB).
class PosixDiskSpace : public DiskSpace {
 public:
  std::optional<std::uint64_t> freeBytes(const std::string& folder) const override;
};

}  // namespace tv
