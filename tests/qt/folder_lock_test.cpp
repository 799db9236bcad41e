#include "platform/qt/folder_lock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/qt/qt_values.h"

namespace tv::qt {
namespace {

TEST(FolderLock, OneHolderPerFolderUntilItGoes) {
  QTemporaryDir runtime;
  const std::string folder = toStdString(runtime.path()) + "/";
  {
    FolderLock first(folder, "0000abcd");
    EXPECT_EQ(first.claim(), FolderLock::State::Held);
    EXPECT_EQ(first.lockPath(), folder + "tonvogel-0000abcd.lock");
    EXPECT_EQ(first.socketPath(), folder + "tonvogel-0000abcd.socket");

    FolderLock second(folder, "0000abcd");
    EXPECT_EQ(second.claim(), FolderLock::State::HeldByAnother);
    FolderLock otherFolder(folder, "1111abcd");
    EXPECT_EQ(otherFolder.claim(), FolderLock::State::Held);

    ASSERT_TRUE(first.listen([] {}));
    EXPECT_TRUE(QFile::exists(toQString(first.socketPath())));
    EXPECT_FALSE(second.listen([] {})) << "only the holder answers";
  }
  FolderLock next(folder, "0000abcd");
  EXPECT_EQ(next.claim(), FolderLock::State::Held) << "released with its holder";
}

// Runs `ask` on a thread of its own, as a second start would in its own process, while
// this thread's event loop lets the holder answer; then lets the holder carry out what
// it was asked.
bool askWhileHolderAnswers(const std::function<bool()>& ask) {
  std::future<bool> answer = std::async(std::launch::async, ask);
  const QDeadlineTimer deadline(10000);
  while (answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready &&
         !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  const bool answered = answer.get();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return answered;
}

TEST(FolderLock, TheHolderIsHandedFilesWhateverTheirNamesHold) {
  QTemporaryDir runtime;
  const std::string folder = toStdString(runtime.path()) + "/";
  FolderLock holder(folder, "0000abcd");
  ASSERT_EQ(holder.claim(), FolderLock::State::Held);
  int shows = 0;
  std::vector<std::string> files;
  ASSERT_TRUE(holder.listen([&shows] { ++shows; },
                            [&files](const std::string& file) { files.push_back(file); }));

  const std::vector<std::string> names = {
      "/home/dl1abc/Aufnahmen/1_12-07-2026_10-00-00.wav",
      "/tmp/a take with blanks and 100% of a net.wav",
      "/tmp/line\nbreak/\r/Überlänge äöü.wav",
      "/tmp/open show\nshow\n.wav",
  };
  for (const std::string& name : names) {
    FolderLock second(folder, "0000abcd");
    ASSERT_EQ(second.claim(), FolderLock::State::HeldByAnother);
    EXPECT_TRUE(askWhileHolderAnswers([&] { return second.askHolderToOpen(name, 5000); }));
  }
  EXPECT_EQ(files, names);
  EXPECT_EQ(shows, 0) << "a file is no question to show the main window";

  FolderLock third(folder, "0000abcd");
  ASSERT_EQ(third.claim(), FolderLock::State::HeldByAnother);
  EXPECT_TRUE(askWhileHolderAnswers([&] { return third.askHolderToShow(5000); }));
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(files.size(), names.size());
}

TEST(FolderLock, NoAnswerWithoutAHolderAndAReleasedLockIsFreeAtOnce) {
  QTemporaryDir runtime;
  const std::string folder = toStdString(runtime.path()) + "/";
  FolderLock asking(folder, "0000abcd");
  EXPECT_FALSE(asking.askHolderToOpen("/tmp/x.wav", 300)) << "no one listens";

  FolderLock looking(folder, "0000abcd");
  ASSERT_EQ(looking.claim(), FolderLock::State::Held);
  looking.release();
  EXPECT_NE(looking.state(), FolderLock::State::Held);
  EXPECT_FALSE(looking.listen([] {})) << "a released lock answers no one";
  FolderLock station(folder, "0000abcd");
  EXPECT_EQ(station.claim(), FolderLock::State::Held);
}

TEST(FolderLock, NoRuntimeFolderMeansNoLockAndSaysWhy) {
  FolderLock none("", "0000abcd");
  EXPECT_EQ(none.claim(), FolderLock::State::Unavailable);
  EXPECT_FALSE(none.problem().empty());
  FolderLock missing("/nonexistent/runtime/", "0000abcd");
  EXPECT_EQ(missing.claim(), FolderLock::State::Unavailable);
  EXPECT_NE(missing.problem().find("/nonexistent/runtime/"), std::string::npos);
}

}  // namespace
}  // namespace tv::qt
