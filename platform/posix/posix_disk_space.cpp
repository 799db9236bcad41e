#include "platform/posix/posix_disk_space.h"

#include <sys/statvfs.h>

namespace tv {

std::optional<std::uint64_t> PosixDiskSpace::freeBytes(const std::string& folder) const {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

}  // namespace tv
