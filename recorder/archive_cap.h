#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/disk_space.h"

namespace tv {

// What the archive cap needs of one filing, fixed on the GUI thread.
struct CapRule {
  // 0: no cap; then nothing is ever deleted, a disk low on space is only told.
  std::uint64_t capBytes = 0;
  // Without it the free space is not checked.
  const DiskSpace* diskSpace = nullptr;

  static constexpr std::uint64_t kLeastFreeBytes = 200ull * 1024 * 1024;
};

struct CapOutcome {
  std::vector<std::string> deleted;   // oldest first
  std::vector<std::string> problems;  // what could not be deleted, and why
  std::uint64_t treeBytes = 0;        // what the trees hold afterwards
  // Less than 200 MB free (with the coming copy), after whatever was deleted.
  bool lowOnSpace = false;
  std::uint64_t freeBytes = 0;
  // A cap is set, and neither it nor the free space could be kept: nothing older left.
  bool unkept = false;
};

// Makes room in the dated trees under `recordingsFolder` for `comingBytes` more. While the
// trees with them would pass the cap, or the disk would keep less than 200 MB free, the
// oldest recording of all networks' trees (FK_, RC_ and RK_ folders, by the time in its
// name) is deleted, and the folders it leaves empty with it. Never the recording `spare`
// (a capture name: the one being filed), never anything outside the trees (W above all),
// never a file that is not a recording. Runs on the filing worker.
CapOutcome keepArchiveUnderCap(const std::string& recordingsFolder, const CapRule& rule,
                               std::uint64_t comingBytes, const std::string& spare);

}  // namespace tv
