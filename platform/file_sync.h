#pragma once

#include <string>

#include "platform/result.h"

namespace tv {

// Waits until what was written has reached the disk, for the few small files that must
// outlive a power cut. The large files (recordings, speed copies) are never synced: a
// sync costs as long as the disk needs for everything still in the cache.
class FileSync {
 public:
  virtual ~FileSync() = default;

  // The contents of the file at `path`.
  virtual Result<void> syncFile(const std::string& path) = 0;
  // The entries of the folder at `path`: a file created or renamed in it.
  virtual Result<void> syncFolder(const std::string& path) = 0;
};

}  // namespace tv
