#include "platform/posix/runtime_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tv {

Result<std::string> runtimeFolder(const std::string& xdgRuntimeDir, const std::string& tmp) {
  if (!xdgRuntimeDir.empty() && xdgRuntimeDir.front() == '/') {
    std::string folder = xdgRuntimeDir;
    if (folder.back() != '/') folder += '/';
    return folder;
  }
  const uid_t uid = ::getuid();
  const std::string folder = tmp + "/tonvogel-" + std::to_string(uid);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    return failure(folder + ": " + std::strerror(errno));
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return failure(folder + ": " + std::strerror(errno));
  if (!S_ISDIR(info.st_mode) || info.st_uid != uid)
    return failure(folder + " is not a folder of this user's");
  if ((info.st_mode & 0077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
    return failure(folder + ": " + std::strerror(errno));
  return folder + "/";
}

Result<std::string> runtimeFolder() {
  const char* value = std::getenv("XDG_RUNTIME_DIR");
  return runtimeFolder(value ? std::string(value) : std::string());
}

}  // namespace tv
