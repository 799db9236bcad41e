#include "platform/posix/posix_take_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace tv {
namespace {

std::string reason(const std::string& path, int error) {
  return path + ": " + std::strerror(error);
}

class PosixTakeFile final : public TakeFile {
 public:
  PosixTakeFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixTakeFile() override { ::close(fd_); }

  Result<void> write(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
      if (n < 0) {
        if (errno == EINTR) continue;
        return failure(reason(path_, errno));
      }
      // A full disk may take part of a write and report the rest on the next call.
      bytes = bytes.subspan(static_cast<std::size_t>(n));
      offset += static_cast<std::uint64_t>(n);
    }
    return success();
  }

  Result<void> sync() override {
    while (::fdatasync(fd_) != 0) {
      if (errno != EINTR) return failure(reason(path_, errno));
    }
    return success();
  }

  Result<void> truncate(std::uint64_t length) override {
    while (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
      if (errno != EINTR) return failure(reason(path_, errno));
    }
    return success();
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

Result<std::unique_ptr<TakeFile>> PosixTakeFiles::create(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return failure(reason(path, errno));
  auto file = std::make_unique<PosixTakeFile>(fd, path);
  // The file's data is synced every second; its entry in the folder once, here.
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = std::filesystem::path(".");
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return std::unique_ptr<TakeFile>(std::move(file));
}

}  // namespace tv
