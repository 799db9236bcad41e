#pragma once

#include "platform/file_sync.h"

namespace tv {

// fsync(2) on the file and on the folder.
class PosixFileSync : public FileSync {
 public:
  Result<void> syncFile(const std::string& path) override;
  Result<void> syncFolder(const std::string& path) override;
};

}  // namespace tv
