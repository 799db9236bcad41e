#include "platform/qt/folder_lock.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

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
