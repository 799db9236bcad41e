#include "platform/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/support/virtual_clock.h"

namespace tv::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct LogTest : testing::Test {
  TempFolder folder;
  VirtualClock clock{{2026, 12, 8, 9, 5, 7, 0}};
  Log log{clock};
  std::string file(const std::string& name = Log::kFileName) const {
    return folder.path() + "/" + name;
  }
};

TEST_F(LogTest, OneLinePerEventWithLocalTimeLevelAndArea) {
  ASSERT_TRUE(log.open(folder.path(), ""));
  log.info("keying", "key: schedule");
  log.warning("filing", "copy failed\r(disk full)\r\n  try again");
  log.error("sound", "");
  EXPECT_EQ(linesOf(file()),
            (std::vector<std::string>{
                "2026-12-08 09:05:07 INFO keying: key: schedule",
                "2026-12-08 09:05:07 WARNING filing: copy failed / (disk full) / try again",
                "2026-12-08 09:05:07 ERROR sound: ",
            }));
  EXPECT_EQ(log.path(), file());
}

TEST_F(LogTest, WhatHappensBeforeTheFileIsOpenIsWrittenThenAndAppendsToAnOldLog) {
  {
    std::ofstream old(file());
    old << "yesterday\n";
  }
  log.info("program", "early");
  ASSERT_TRUE(log.open(folder.path(), ""));
  log.info("program", "later");
  const auto lines = linesOf(file());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "yesterday");
  EXPECT_NE(lines[1].find("early"), std::string::npos);
  EXPECT_NE(lines[2].find("later"), std::string::npos);
}

TEST_F(LogTest, AFolderThatCannotBeWrittenSendsTheLogToTheFallback) {
  // A file where the folder should be stops root too, who ignores permissions.
  std::ofstream(file("program")) << "not a folder";
  const std::string fallback = folder.path() + "/state/tonvogel";
  ASSERT_TRUE(log.open(file("program"), fallback));
  log.info("program", "here");
  EXPECT_EQ(log.path(), fallback + "/" + Log::kFileName);
  EXPECT_EQ(linesOf(log.path()).size(), 1u);
  EXPECT_FALSE(Log(clock).open(file("program"), file("program") + "/x"));
}

TEST_F(LogTest, RotatesAtTheLimitAndKeepsThreeFiles) {
  ASSERT_TRUE(log.open(folder.path(), ""));
  const std::string text(200, 'x');
  const std::size_t lineBytes = log.format(LogLevel::Info, "t", text).size() + 1;
  const std::size_t perFile = Log::kMaxBytes / lineBytes;
  for (std::size_t i = 0; i < perFile * 4 + 10; ++i) log.info("t", text);
  EXPECT_TRUE(fs::exists(file("tonvogel.log.1")));
  EXPECT_TRUE(fs::exists(file("tonvogel.log.2")));
  EXPECT_FALSE(fs::exists(file("tonvogel.log.3")));
  for (const char* name : {"tonvogel.log", "tonvogel.log.1", "tonvogel.log.2"})
    EXPECT_LE(fs::file_size(file(name)), Log::kMaxBytes) << name;
  EXPECT_EQ(linesOf(file("tonvogel.log.1")).size(), perFile);
  EXPECT_EQ(linesOf(file()).size(), 10u);
}

TEST_F(LogTest, LinesFromSeveralThreadsStayWhole) {
  ASSERT_TRUE(log.open(folder.path(), ""));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([this, t] {
      for (int i = 0; i < 500; ++i)
        log.info("thread" + std::to_string(t), std::string(50, 'a' + t));
    });
  for (auto& thread : threads) thread.join();
  const auto lines = linesOf(file());
  ASSERT_EQ(lines.size(), 2000u);
  for (const auto& line : lines) {
    const auto colon = line.find(": ");
    ASSERT_NE(colon, std::string::npos) << line;
    const std::string body = line.substr(colon + 2);
    EXPECT_EQ(body, std::string(50, body[0])) << line;
  }
}

}  // namespace
}  // namespace tv::test
