#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <cstdlib>
#include <string_view>

#include "platform/qt/auto_answer_services.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_renderer.h"
#include "platform/qt/qt_services.h"

namespace tv::qt {

namespace {

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv,
                                                  QtPlatform::Screen screen) {
  if (screen == QtPlatform::Screen::Headless) return std::make_unique<QCoreApplication>(argc, argv);
  return std::make_unique<QApplication>(argc, argv);
}

}  // namespace

QtPlatform::QtPlatform(int& argc, char** argv, Screen screen)
    : screen_(screen),
      app_(makeApplication(argc, argv, screen)),
      clock_(std::make_unique<QtClock>()),
      loop_(std::make_unique<QtEventLoop>()) {
  QCoreApplication::setApplicationName(QStringLiteral("Tonvogel"));
  if (screen_ == Screen::Headless) {
    unattended_ = std::make_unique<UnattendedServices>();
    return;
  }
  qtServices_ = std::make_unique<QtServices>();
  // The program lives on in the notification area with every window hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  const char* dialogs = std::getenv("TONVOGEL_DIALOGS");
  if (dialogs && std::string_view(dialogs) == "auto")
    autoServices_ = std::make_unique<AutoAnswerServices>(*qtServices_);
}

// The Ui is usually gone by now (the program is built after the platform), so nothing
// of it is touched: the renderer never reaches into the model when it is destroyed,
// and the loop's timer queue is simply let go.
QtPlatform::~QtPlatform() {
  renderer_.reset();
}

Clock& QtPlatform::clock() {
  return *clock_;
}
EventLoop& QtPlatform::loop() {
  return *loop_;
}

Services& QtPlatform::services() {
  if (unattended_) return *unattended_;
  if (autoServices_) return *autoServices_;
  return *qtServices_;
}

void QtPlatform::attach(Ui& ui) {
  detach();
  if (screen_ == Screen::Windows) renderer_ = std::make_unique<QtRenderer>(ui);
  loop_->drive(&ui.timers());
}

void QtPlatform::detach() {
  renderer_.reset();
  loop_->drive(nullptr);
}

void QtPlatform::logDialogsTo(Log* log) {
  if (unattended_) unattended_->logTo(log);
}

}  // namespace tv::qt
