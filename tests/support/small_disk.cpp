#include "tests/support/small_disk.h"

#include <algorithm>

namespace tv::test {
namespace {

constexpr const char* kFull = "No space left on device";

class SmallDiskFile final : public TakeFile {
 public:
  SmallDiskFile(SmallDisk& disk, std::unique_ptr<TakeFile> real, std::string path)
      : disk_(disk), real_(std::move(real)), path_(std::move(path)) {}

  Result<void> write(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    const std::uint64_t end = offset + bytes.size();
    const std::uint64_t growth = end > length_ ? end - length_ : 0;
    const std::uint64_t allowed = disk_.claim(growth);
    const std::size_t fits = static_cast<std::size_t>(std::min<std::uint64_t>(
        bytes.size(), length_ + allowed > offset ? length_ + allowed - offset : 0));
    if (auto done = real_->write(offset, bytes.first(fits)); !done) return done;
    length_ = std::max(length_, offset + fits);
    if (fits < bytes.size()) return failure(path_ + ": " + kFull);
    return success();
  }

  Result<void> sync() override {
    if (disk_.failSync()) return failure(path_ + ": Input/output error");
    return real_->sync();
  }

  Result<void> truncate(std::uint64_t length) override {
    if (length > length_) {
      const std::uint64_t allowed = disk_.claim(length - length_);
      if (allowed < length - length_) {
        disk_.giveBack(allowed);
        return failure(path_ + ": " + kFull);
      }
    } else {
      disk_.giveBack(length_ - length);
    }
    if (auto done = real_->truncate(length); !done) return done;
    length_ = length;
    return success();
  }

 private:
  SmallDisk& disk_;
  std::unique_ptr<TakeFile> real_;
  std::string path_;
  std::uint64_t length_ = 0;
};

}  // namespace

void SmallDisk::setRoom(std::optional<std::uint64_t> bytes) {
  std::lock_guard lock(mutex_);
  room_ = bytes;
}

std::optional<std::uint64_t> SmallDisk::room() const {
  std::lock_guard lock(mutex_);
  return room_;
}

void SmallDisk::setFailSync(bool fail) {
  std::lock_guard lock(mutex_);
  failSync_ = fail;
}

bool SmallDisk::failSync() const {
  std::lock_guard lock(mutex_);
  return failSync_;
}

std::uint64_t SmallDisk::claim(std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (!room_) return bytes;
  const std::uint64_t taken = std::min(bytes, *room_);
  *room_ -= taken;
  return taken;
}

void SmallDisk::giveBack(std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  if (room_) *room_ += bytes;
}

Result<std::unique_ptr<TakeFile>> SmallDisk::create(const std::string& path) {
  auto made = real_.create(path);
  if (!made) return made;
  return std::unique_ptr<TakeFile>(std::make_unique<SmallDiskFile>(*this, std::move(*made), path));
}

}  // namespace tv::test
