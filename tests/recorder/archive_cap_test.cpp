// The archive cap deletes the oldest recordings of every network's tree, by the times in
// their names, and nothing else: not W, not the recording being filed, not a stranger's
// file. Without a cap nothing is deleted, and a disk low on space is only told.

#include <gtest/gtest.h>

#include <filesystem>

#include "recorder/archive_cap.h"
#include "tests/support/fixed_disk_space.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = 1024 * 1024;

struct ArchiveCap : testing::Test {
  std::string at(const std::string& path) const { return temp.path() + "/" + path; }
  void put(const std::string& path, std::size_t bytes) {
    fs::create_directories(fs::path(at(path)).parent_path());
    writeFile(at(path), std::string(bytes, 'x'));
  }
  std::vector<std::string> deletedNames(const CapOutcome& outcome) {
    std::vector<std::string> names;
    for (const auto& path : outcome.deleted) names.push_back(fs::path(path).filename().string());
    return names;
  }

  TempFolder temp;
};

TEST_F(ArchiveCap, TheOldestByTheTimeInTheNameGoFirstAcrossAllNetworksAndLanguages) {
  // Name order and folder order disagree with time order here: the month comes first in
  // a name, and another network's or language's tree lies elsewhere.
  put("FK_1/Ja_2026/Mo-01/Tg-02/hh-08/1_01-02-2026_08-00-00.flac", 1000);
  put("RC_2/JJ_2025/MM-12/DD-31/hh-23/2_12-31-2025_23-59-59.opus", 1000);
  put("RK_1/Ja_2025/Mo-12/Da-31/hh-22/1_12-31-2025_22-00-00.wav", 1000);
  put("FK_1/Ja_2026/Mo-01/Tg-02/hh-09/1_01-02-2026_09-00-00.mp3", 1000);
  // Never the recording being filed, never W, never a file that is no recording.
  put("FK_1/Ja_2025/Mo-01/Tg-01/hh-00/notes.txt", 1000);
  put("FK_1/Ja_2026/Mo-01/Tg-02/hh-10/1_01-02-2026_10-00-00.flac", 1000);
  put("W/1_01-01-2020_00-00-00.wav", 1000);

  const CapOutcome outcome =
      keepArchiveUnderCap(temp.path(), {3500, nullptr}, 500, "1_01-02-2026_10-00-00.wav");
  EXPECT_EQ(deletedNames(outcome),
            (std::vector<std::string>{"1_12-31-2025_22-00-00.wav", "2_12-31-2025_23-59-59.opus",
                                      "1_01-02-2026_08-00-00.flac"}));
  EXPECT_EQ(outcome.treeBytes, 3000u);
  EXPECT_FALSE(outcome.unkept);
  EXPECT_TRUE(fs::exists(at("W/1_01-01-2020_00-00-00.wav")));
  EXPECT_TRUE(fs::exists(at("FK_1/Ja_2025/Mo-01/Tg-01/hh-00/notes.txt")));
  // The folders emptied go up to the network's own, which stays.
  EXPECT_FALSE(fs::exists(at("RK_1/Ja_2025")));
  EXPECT_TRUE(fs::exists(at("RK_1")));
  EXPECT_FALSE(fs::exists(at("RC_2/JJ_2025")));
  EXPECT_FALSE(fs::exists(at("FK_1/Ja_2026/Mo-01/Tg-02/hh-08")));
  EXPECT_TRUE(fs::exists(at("FK_1/Ja_2026/Mo-01/Tg-02/hh-09")));
}

TEST_F(ArchiveCap, ACapNothingCanKeepAnyLongerIsToldAndTheRecordingBeingFiledStays) {
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-10/1_12-07-2026_10-00-00.wav", 4000);
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-10/1_12-07-2026_10-05-00.wav", 4000);
  const CapOutcome outcome =
      keepArchiveUnderCap(temp.path(), {3000, nullptr}, 0, "1_12-07-2026_10-05-00.wav");
  EXPECT_EQ(deletedNames(outcome), std::vector<std::string>{"1_12-07-2026_10-00-00.wav"});
  EXPECT_TRUE(outcome.unkept);
  EXPECT_TRUE(fs::exists(at("FK_1/Ja_2026/Mo-12/Tg-07/hh-10/1_12-07-2026_10-05-00.wav")));
}

TEST_F(ArchiveCap, LowOnSpaceWithoutACapDeletesNothingWithACapDeletesUntil200MBAreFree) {
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-09/1_12-07-2026_09-00-00.wav", 3 * kMiB);
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-09/1_12-07-2026_09-10-00.wav", 3 * kMiB);
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-09/1_12-07-2026_09-20-00.wav", 3 * kMiB);
  FixedDiskSpace disk(195 * kMiB);

  const CapOutcome told = keepArchiveUnderCap(temp.path(), {0, &disk}, kMiB, "x");
  EXPECT_TRUE(told.deleted.empty());
  EXPECT_TRUE(told.lowOnSpace);
  EXPECT_FALSE(told.unkept);
  EXPECT_EQ(told.freeBytes, 195 * kMiB);

  // A large cap: only the free space asks for room, 6 MB of it with the coming one.
  const CapOutcome freed = keepArchiveUnderCap(temp.path(), {1000 * kMiB, &disk}, kMiB, "x");
  EXPECT_EQ(deletedNames(freed),
            (std::vector<std::string>{"1_12-07-2026_09-00-00.wav", "1_12-07-2026_09-10-00.wav"}));
  EXPECT_FALSE(freed.lowOnSpace);
  EXPECT_EQ(freed.freeBytes, 201 * kMiB);

  // Nothing left to delete, and still short of room: told before the disk is full.
  disk.set(10 * kMiB);
  const CapOutcome unkept = keepArchiveUnderCap(temp.path(), {1000 * kMiB, &disk}, kMiB, "x");
  EXPECT_EQ(unkept.deleted.size(), 1u);
  EXPECT_TRUE(unkept.lowOnSpace);
  EXPECT_TRUE(unkept.unkept);
}

TEST_F(ArchiveCap, SizesAboveFourGibibytesDoNotWrapAround) {
  put("FK_1/Ja_2026/Mo-12/Tg-07/hh-09/1_12-07-2026_09-00-00.wav", 1000);
  // Six terabytes free and a cap of five gibibytes: nothing to do.
  FixedDiskSpace disk(6'000'000'000'000ull);
  const CapOutcome outcome =
      keepArchiveUnderCap(temp.path(), {5ull * 1024 * kMiB, &disk}, 4'500'000'000ull, "x");
  EXPECT_TRUE(outcome.deleted.empty());
  EXPECT_FALSE(outcome.lowOnSpace);
  EXPECT_EQ(outcome.freeBytes, 6'000'000'000'000ull);
}

}  // namespace
}  // namespace tv::test
