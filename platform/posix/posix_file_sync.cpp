#include "platform/posix/posix_file_sync.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tv {

namespace {

Result<void> syncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failure(path + ": " + std::strerror(errno));
  int rc = 0;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  const int error = rc == 0 ? 0 : errno;
  ::close(fd);
  // Some file systems cannot sync a folder and say so; they keep their entries by other
  // means, and there is nothing more a program can do.
  if (error == 0 || ((flags & O_DIRECTORY) && (error == EINVAL || error == EROFS)))
    return success();
  return failure(path + ": " + std::strerror(error));
}

}  // namespace

Result<void> PosixFileSync::syncFile(const std::string& path) {
  return syncPath(path, 0);
}

Result<void> PosixFileSync::syncFolder(const std::string& path) {
  return syncPath(path, O_DIRECTORY);
}

}  // namespace tv
