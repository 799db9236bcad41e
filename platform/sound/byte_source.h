#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace tv {

// Random access to the bytes of a file, or of a buffer, with every read checked against
// the end: a length field that lies can make a reader ask for bytes that are not there,
// never read them out of bounds.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::int64_t size() const = 0;
  // Exactly out.size() bytes at `offset`, or false.
  virtual bool read(std::int64_t offset, std::span<std::uint8_t> out) = 0;
  // As many bytes at `offset` as there are, up to out.size(); how many.
  std::size_t readSome(std::int64_t offset, std::span<std::uint8_t> out);
};

class SpanSource : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  bool read(std::int64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

class FileSource : public ByteSource {
 public:
  // Only regular files: opening a FIFO or a device would wait for a writer.
  explicit FileSource(const std::filesystem::path& path);
  bool opened() const { return size_ >= 0; }
  std::int64_t size() const override { return size_; }
  bool read(std::int64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::ifstream in_;
  std::int64_t size_ = -1;
  std::int64_t position_ = -1;  // where the stream stands, so that reading on needs no seek
};

}  // namespace tv
