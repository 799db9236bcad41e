#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <string>

#include "platform/posix/release_registry.h"
#include "platform/qt/auto_answer_services.h"
#include "platform/qt/dialog_texts.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/termination_signals.h"

namespace tv::qt {
namespace {

TEST(MenuItems, SeparatorsCountAsPositions) {
  const auto items = parseMenuItems("Play|-|Delete||Rename");
  ASSERT_EQ(items.size(), 5u);
  EXPECT_TRUE(items[1].separator);
  EXPECT_EQ(items[2].text, "Delete");
  EXPECT_EQ(items[3].text, "");
  EXPECT_TRUE(parseMenuItems("").empty());
}

TEST(MenuItems, CarriageReturnsBecomeLineFeeds) {
  EXPECT_EQ(toLineFeeds("one\rtwo\r\nthree\n"), "one\ntwo\nthree\n");
}

TEST(QtServices, PopupMenuReturnsThePositionOfTheChosenEntry) {
  QtServices services;
  // Down, Down skips the separator: the second entry, at position 2.
  QTimer::singleShot(50, [] {
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  EXPECT_EQ(services.popupMenu("Play|-|Delete", 10, 10), 2);

  QTimer::singleShot(50,
                     [] { QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape); });
  EXPECT_LT(services.popupMenu("Play|-|Delete", 10, 10), 0);
}

TEST(AutoAnswerServices, AnswersWithTheDefaultButtonWithoutWaiting) {
  QtServices qtServices;
  AutoAnswerServices services(qtServices, 0);
  EXPECT_EQ(services.messageBox("Delete?", "Tonvogel", MessageButtons::YesNo), MessageAnswer::Yes);
  EXPECT_EQ(services.messageBox("Go on?", "Tonvogel", MessageButtons::OkCancel), MessageAnswer::Ok);
  EXPECT_LT(services.popupMenu("a|b", 0, 0), 0);
  EXPECT_FALSE(services.openFileDialog("Open", "/tmp", "Wave (*.wav)"));
  EXPECT_FALSE(services.folderDialog("Folder", "/tmp"));
  EXPECT_EQ(services.trayAvailable(), qtServices.trayAvailable());
}

TEST(TerminationSignals, ArriveAsACallOnTheEventLoop) {
  int calls = 0;
  ASSERT_TRUE(installTerminationHandler([&] { ++calls; }));
  ::raise(SIGHUP);
  EXPECT_EQ(calls, 0) << "not called from the signal handler";
  QElapsedTimer elapsed;
  elapsed.start();
  while (calls == 0 && elapsed.elapsed() < 2000) QApplication::processEvents();
  EXPECT_EQ(calls, 1);

  int replaced = 0;
  ASSERT_TRUE(installTerminationHandler([&] { ++replaced; }));
  ::raise(SIGTERM);
  elapsed.restart();
  while (replaced == 0 && elapsed.elapsed() < 2000) QApplication::processEvents();
  EXPECT_EQ(replaced, 1);
  EXPECT_EQ(calls, 1);
  installTerminationHandler(nullptr);
}

TEST(TerminationSignals, ReleaseTheTransmitterInTheHandlerItself) {
  int wire[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, wire), 0);
  const int entry = release::addBytes(wire[0], "T 0\n");
  ASSERT_GE(entry, 0);
  int calls = 0;
  ASSERT_TRUE(installTerminationHandler([&] { ++calls; }));
  ::raise(SIGTERM);
  // No turn of the event loop yet: what is on the wire was written by the handler.
  char got[16] = {};
  const ssize_t n = ::read(wire[1], got, sizeof got);
  const bool ending = release::ending();
  release::remove(entry);
  release::resetEndingForTests();
  EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), "T 0\n");
  EXPECT_TRUE(ending) << "no back end may key again";
  EXPECT_EQ(calls, 0);
  QElapsedTimer elapsed;
  elapsed.start();
  while (calls == 0 && elapsed.elapsed() < 2000) QApplication::processEvents();
  EXPECT_EQ(calls, 1) << "the orderly shutdown still follows";
  installTerminationHandler(nullptr);
  ::close(wire[0]);
  ::close(wire[1]);
}

}  // namespace
}  // namespace tv::qt
