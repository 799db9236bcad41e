#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/posix/posix_file_sync.h"
#include "platform/posix/runtime_folder.h"
#include "tests/support/temp_folder.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

TEST(RuntimeFolder, XdgRuntimeDirFirstOtherwiseAFolderOfTheUsersOwnInTmp) {
  EXPECT_EQ(*runtimeFolder("/run/user/1000"), "/run/user/1000/");
  EXPECT_EQ(*runtimeFolder("/run/user/1000/"), "/run/user/1000/");

  TempFolder tmp;
  const std::string own = tmp.path() + "/tonvogel-" + std::to_string(::getuid());
  for (const std::string unset : {"", "relative/path"}) {
    const Result<std::string> folder = runtimeFolder(unset, tmp.path());
    ASSERT_TRUE(folder) << folder.error().message;
    EXPECT_EQ(*folder, own + "/");
    EXPECT_EQ(modeOf(own), 0700u);
  }
  // Opened up by someone: closed again before anything goes in.
  ::chmod(own.c_str(), 0755);
  ASSERT_TRUE(runtimeFolder("", tmp.path()));
  EXPECT_EQ(modeOf(own), 0700u);

  // A file or a link in its place is refused, not followed.
  fs::remove(own);
  fs::create_directory(tmp.path() + "/elsewhere");
  fs::create_directory_symlink(tmp.path() + "/elsewhere", own);
  EXPECT_FALSE(runtimeFolder("", tmp.path()));
}

TEST(DurableWrite, WritesThroughATemporaryFileAndSyncsForReal) {
  TempFolder tmp;
  const std::string file = tmp.path() + "/Tonvogel.ini";
  PosixFileSync sync;
  ASSERT_TRUE(writeFileDurably(file, "one\r\n", &sync));
  ASSERT_TRUE(writeFileDurably(file, "two\r\n", &sync));
  EXPECT_EQ(readFile(file), "two\r\n");
  EXPECT_FALSE(fs::exists(file + ".tmp"));

  // The temporary name taken by a folder: the file keeps what it held.
  fs::create_directory(file + ".tmp");
  EXPECT_FALSE(writeFileDurably(file, "three\r\n", &sync));
  EXPECT_EQ(readFile(file), "two\r\n");
  EXPECT_FALSE(checkWritable(file + ".tmp"));
  fs::remove(file + ".tmp");
  EXPECT_TRUE(checkWritable(file + ".tmp"));
  EXPECT_FALSE(fs::exists(file + ".tmp")) << "the check leaves nothing behind";
}

TEST(FolderHash, EightHexDigitsTheSameForTheSameFolder) {
  EXPECT_EQ(folderHash("/srv/station"), folderHash("/srv/station"));
  EXPECT_NE(folderHash("/srv/station"), folderHash("/srv/stations"));
  EXPECT_EQ(folderHash("").size(), 8u);
  EXPECT_EQ(folderHash("/srv/station").find_first_not_of("0123456789abcdef"), std::string::npos);
}

}  // namespace
}  // namespace tv::test
