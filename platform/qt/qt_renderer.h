#pragma once

#include <QTimer>
#include <memory>
#include <vector>

#include "platform/ui.h"

class QWidget;

namespace tv::qt {

class ControlView;
class FormView;
class InputBridge;

// Mirrors the forms of one Ui as Qt widgets. Changes are gathered: the first one after
// a repaint schedules a single mirroring for the current turn of the event loop, so
// however many properties an event procedure writes, the widgets are touched once.
//
// Lifetime: the renderer may be destroyed before or after the Ui. Destroying it never
// touches the model; while it lives, the Ui and its forms must be alive whenever the
// event loop runs.
class QtRenderer {
 public:
  explicit QtRenderer(Ui& ui);
  ~QtRenderer();
  QtRenderer(const QtRenderer&) = delete;
  QtRenderer& operator=(const QtRenderer&) = delete;

  // Mirrors what changed, now. Normally the event loop calls it.
  void sync();
  // How many mirroring passes have run.
  int syncCount() const { return syncCount_; }

  // The window of a form, once it has been loaded; null before.
  QWidget* window(const Form& form) const;
  ControlView* view(const Control& control) const;
  QWidget* widget(const Control& control) const;

 private:
  void scheduleSync();
  FormView* formView(const Form& form) const;
  void forgetRemovedForms();

  Ui& ui_;
  // Detached first in the destructor, destroyed after the views (they forget
  // themselves there).
  std::unique_ptr<InputBridge> input_;
  std::vector<std::unique_ptr<FormView>> forms_;
  QTimer syncTimer_;
  QTimer clockTimer_;
  std::shared_ptr<QtRenderer*> self_;
  bool syncing_ = false;
  bool syncAgain_ = false;
  int syncCount_ = 0;
};

}  // namespace tv::qt
