#pragma once

#include "platform/take_file.h"

namespace tv {

// Take files on a POSIX file system: positioned writes, fdatasync, and the folder synced
// once after the file is made, so that the name survives a power cut with the data.
class PosixTakeFiles : public TakeFiles {
 public:
  Result<std::unique_ptr<TakeFile>> create(const std::string& path) override;
};

}  // namespace tv
