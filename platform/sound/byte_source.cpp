#include "platform/sound/byte_source.h"

#include <algorithm>
#include <system_error>

namespace tv {

std::size_t ByteSource::readSome(std::int64_t offset, std::span<std::uint8_t> out) {
  if (offset < 0 || offset >= size()) return 0;
  const auto n = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(out.size()), size() - offset));
  return read(offset, out.first(n)) ? n : 0;
}

bool SpanSource::read(std::int64_t offset, std::span<std::uint8_t> out) {
  if (offset < 0 || offset > size() || static_cast<std::int64_t>(out.size()) > size() - offset) {
    return false;
  }
  std::copy_n(bytes_.begin() + offset, out.size(), out.begin());
  return true;
}

FileSource::FileSource(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return;
  const auto length = std::filesystem::file_size(path, error);
  if (error) return;
  in_.open(path, std::ios::binary);
  if (in_) size_ = static_cast<std::int64_t>(length);
}

bool FileSource::read(std::int64_t offset, std::span<std::uint8_t> out) {
  if (offset < 0 || offset > size_ || static_cast<std::int64_t>(out.size()) > size_ - offset) {
    return false;
  }
  if (offset != position_) {
    in_.clear();
    in_.seekg(offset);
  }
  in_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  const bool whole = in_.gcount() == static_cast<std::streamsize>(out.size());
  position_ = whole ? offset + static_cast<std::int64_t>(out.size()) : -1;
  return whole;
}

}  // namespace tv
