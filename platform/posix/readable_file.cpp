#include "platform/posix/readable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tv {

Result<std::string> readableFile(const std::string& name) {
  namespace fs = std::filesystem;
  if (name.empty()) return Error{"no file named"};
  std::error_code ec;
  const fs::path path = fs::absolute(name, ec).lexically_normal();
  if (ec) return Error{name + ": " + ec.message()};
  // Opened, not only looked at: permissions, ACLs and a root that reads anything are all
  // answered by the one who decides.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return Error{name + ": no such file"};
    return Error{name + ": " + std::strerror(error)};
  }
  const bool folder = fs::is_directory(path, ec);
  ::close(fd);
  if (folder) return Error{name + ": a folder, not a sound file"};
  return path.string();
}

}  // namespace tv
