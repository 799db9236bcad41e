#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/result.h"

namespace tv {

// The working file of a take, written while the take is heard. Calls come from one
// thread at a time (the take's writer); the file is closed when the object goes.
class TakeFile {
 public:
  virtual ~TakeFile() = default;

  // Writes all of `bytes` at `offset`, or fails; a failed write may have written a part.
  virtual Result<void> write(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
  // What has been written is on the medium, with the file's length: a power cut after
  // this loses none of it.
  virtual Result<void> sync() = 0;
  virtual Result<void> truncate(std::uint64_t length) = 0;
};

// Makes the working files of takes.
class TakeFiles {
 public:
  virtual ~TakeFiles() = default;

  // A new, empty file at `path`, its name already on the medium. Never replaces a file
  // that is there (a take not yet filed): that is a failure.
  virtual Result<std::unique_ptr<TakeFile>> create(const std::string& path) = 0;
};

}  // namespace tv
