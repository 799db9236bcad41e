#include "platform/posix/readable_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// The folder the command was given in, for the length of a test.
struct InFolder {
  explicit InFolder(const std::string& folder) : previous(fs::current_path()) {
    fs::current_path(folder);
  }
  ~InFolder() { fs::current_path(previous); }
  fs::path previous;
};

TEST(ReadableFile, ARelativeNameIsTakenFromTheFolderTheCommandWasGivenIn) {
  test::TempFolder temp;
  fs::create_directories(temp.path() + "/net/old");
  test::writeFile(temp.path() + "/net/a take.wav", "RIFF");
  InFolder here(temp.path() + "/net/old");
  const Result<std::string> file = readableFile("../a take.wav");
  ASSERT_TRUE(file) << file.error().message;
  EXPECT_EQ(*file, temp.path() + "/net/a take.wav");
  const Result<std::string> absolute = readableFile(temp.path() + "/net/./a take.wav");
  ASSERT_TRUE(absolute);
  EXPECT_EQ(*absolute, temp.path() + "/net/a take.wav");
}

TEST(ReadableFile, WhatCannotBeShownSaysWhyByTheNameGiven) {
  test::TempFolder temp;
  const std::string gone = temp.path() + "/gone.wav";
  const Result<std::string> missing = readableFile(gone);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().message, gone + ": no such file");

  const Result<std::string> folder = readableFile(temp.path());
  ASSERT_FALSE(folder);
  EXPECT_EQ(folder.error().message, temp.path() + ": a folder, not a sound file");

  test::writeFile(temp.path() + "/plain.wav", "RIFF");
  const Result<std::string> below = readableFile(temp.path() + "/plain.wav/inner.wav");
  ASSERT_FALSE(below);
  EXPECT_NE(below.error().message.find("Not a directory"), std::string::npos);

  EXPECT_FALSE(readableFile(""));
}

TEST(ReadableFile, AFileClosedToTheUserIsNotReadable) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  test::TempFolder temp;
  const std::string closed = temp.path() + "/closed.wav";
  test::writeFile(closed, "RIFF");
  ::chmod(closed.c_str(), 0);
  const Result<std::string> file = readableFile(closed);
  ASSERT_FALSE(file);
  EXPECT_EQ(file.error().message, closed + ": Permission denied");
}

}  // namespace
}  // namespace tv
