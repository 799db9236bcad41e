#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/auto_answer_services.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_renderer.h"
#include "platform/qt/qt_services.h"
#include "tests/app/settings_lines.h"
#include "tests/support/scripted_services.h"
#include "tests/support/temp_folder.h"

namespace tv::qt {
namespace {

using test::line;

// The real program on Qt's windows, on a screen of 800 × 480 pixels, with settings stored
// on a desktop of 1920 × 1080: the windows low and to the right, the settings window shown.
struct SmallScreenTest : testing::Test {
  SmallScreenTest() {
    std::vector<std::string> file = test::largeDesktopSettingsLines(folder.path());
    line(file, 16) = "0";  // no recorder: no sound here
    test::writeSettings(folder.path() + "/Tonvogel.ini", file);
    ProgramOptions options;
    options.programFolder = folder.path();
    options.executablePath = folder.path() + "/tonvogel";
    // No serial port, no sound system, workers on the loop, nothing synced.
    Platform platform{clock, loop, services, shell, nullptr, nullptr, nullptr, {}, nullptr};
    program = std::make_unique<Program>(std::move(platform), std::move(options));
    loop.drive(&program->ui().timers());
    renderer = std::make_unique<QtRenderer>(program->ui());
  }
  ~SmallScreenTest() override {
    renderer.reset();
    loop.drive(nullptr);
  }
  void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  QRect screen() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

  test::TempFolder folder;
  QtClock clock;
  QtEventLoop loop;
  QtServices qtServices;
  AutoAnswerServices services{qtServices, 0};
  test::FakeShell shell{folder.path() + "/home"};
  std::unique_ptr<Program> program;
  std::unique_ptr<QtRenderer> renderer;
};

TEST_F(SmallScreenTest, TheScreenAreaIsTheSmallScreensInTwips) {
  ASSERT_EQ(screen(), QRect(0, 0, 800, 480));
  const std::optional<Rect> area = services.screenArea(30000, 20000);
  ASSERT_TRUE(area) << "a position on no screen gives the main one";
  EXPECT_EQ(area->left, 0);
  EXPECT_EQ(area->top, 0);
  EXPECT_EQ(area->width, 800 * 15);
  EXPECT_EQ(area->height, 480 * 15);
}

TEST_F(SmallScreenTest, EveryShownWindowLiesOnTheScreenFrameAndAll) {
  ASSERT_TRUE(program->startUp());
  settle();
  int shown = 0;
  for (const Form* form : program->ui().forms()) {
    QWidget* window = renderer->window(*form);
    if (!window || !window->isVisible()) continue;
    ++shown;
    EXPECT_TRUE(screen().contains(window->frameGeometry()))
        << form->name() << " at " << window->frameGeometry().x() << ","
        << window->frameGeometry().y() << " " << window->frameGeometry().width() << "x"
        << window->frameGeometry().height();
  }
  EXPECT_GE(shown, 2) << "the main window and the settings window";
}

TEST_F(SmallScreenTest, TheSettingsWindowScrollsToItsButtons) {
  ASSERT_TRUE(program->startUp());
  settle();
  const SettingsForm& form = program->frm_Einstellungen;
  QWidget* window = renderer->window(form);
  ASSERT_TRUE(window && window->isVisible());
  EXPECT_LT(window->height(), form.height() / 15) << "taller than the screen: it scrolls";
  EXPECT_GT(window->width(), form.width() / 15) << "with room for the scroll bar";
  EXPECT_FALSE(window->findChild<QScrollArea*>()->horizontalScrollBar()->isVisible());
  auto* scroll = window->findChild<QScrollArea*>();
  ASSERT_NE(scroll, nullptr);
  EXPECT_EQ(scroll->widget()->height(), form.height() / 15) << "the whole form is there";

  QWidget* accept = renderer->widget(form.cmd_Speichern);
  ASSERT_NE(accept, nullptr);
  const auto onScreen = [&] {
    return screen().contains(QRect(accept->mapToGlobal(QPoint(0, 0)), accept->size()));
  };
  EXPECT_FALSE(onScreen()) << "below the edge until scrolled";
  scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
  settle();
  EXPECT_TRUE(onScreen());
  EXPECT_TRUE(scroll->viewport()->rect().contains(
      QRect(accept->mapTo(scroll->viewport(), QPoint(0, 0)), accept->size())));
}

}  // namespace
}  // namespace tv::qt
