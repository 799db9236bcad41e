#pragma once

#include <string>
#include <vector>

#include "platform/file_sync.h"

namespace tv::test {

// Records what was synced, in order, as "file PATH" and "folder PATH"; syncs nothing.
class RecordingFileSync : public FileSync {
 public:
  Result<void> syncFile(const std::string& path) override {
    synced.push_back("file " + path);
    return success();
  }
  Result<void> syncFolder(const std::string& path) override {
    synced.push_back("folder " + path);
    return success();
  }

  std::vector<std::string> synced;
};

}  // namespace tv::test
