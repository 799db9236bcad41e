#pragma once

#include <memory>

#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/log.h"
#include "platform/services.h"
#include "platform/ui.h"
#include "platform/unattended_services.h"

class QCoreApplication;

namespace tv::qt {

class QtClock;
class QtEventLoop;
class QtRenderer;
class QtServices;
class AutoAnswerServices;

// Everything the program needs from the desktop, built on one QApplication:
//
//   QtPlatform qt(argc, argv);
//   Program program(qt.clock(), qt.loop(), qt.services());
//   qt.attach(program.ui());
//   return program.run();
//
// With TONVOGEL_DIALOGS=auto in the environment, dialogs answer themselves (see
// AutoAnswerServices). The program decides when to end: closing the last window does
// not quit.
//
// Headless, there is no window system at all: a QCoreApplication runs the loop (no
// platform plugin is loaded, so neither X nor Wayland nor QT_QPA_PLATFORM matters), the
// forms stay plain models that nothing renders, and every dialog is answered unattended
// (UnattendedServices).
class QtPlatform {
 public:
  enum class Screen { Windows, Headless };

  QtPlatform(int& argc, char** argv, Screen screen = Screen::Windows);
  ~QtPlatform();
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  Clock& clock();
  EventLoop& loop();
  Services& services();

  // Starts mirroring the Ui's forms and driving its timers. One Ui at a time.
  void attach(Ui& ui);
  // Stops both, while the Ui still exists; for a Ui that is destroyed while Qt goes on
  // running.
  void detach();

  // Headless, the dialogs' questions and answers go into `log` from now on (see
  // UnattendedServices::logTo); with windows, nothing changes.
  void logDialogsTo(Log* log);

 private:
  Screen screen_;
  std::unique_ptr<QCoreApplication> app_;
  std::unique_ptr<QtClock> clock_;
  std::unique_ptr<QtEventLoop> loop_;
  std::unique_ptr<QtServices> qtServices_;
  std::unique_ptr<AutoAnswerServices> autoServices_;
  std::unique_ptr<UnattendedServices> unattended_;
  std::unique_ptr<QtRenderer> renderer_;
};

}  // namespace tv::qt
