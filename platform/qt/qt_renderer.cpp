#include "platform/qt/qt_renderer.h"

#include <QWidget>
#include <algorithm>

#include "platform/form.h"
#include "platform/qt/control_view.h"
#include "platform/qt/form_view.h"
#include "platform/qt/input_bridge.h"

namespace tv::qt {

QtRenderer::QtRenderer(Ui& ui)
    : ui_(ui), input_(std::make_unique<InputBridge>()), self_(std::make_shared<QtRenderer*>(this)) {
  syncTimer_.setSingleShot(true);
  syncTimer_.setInterval(0);
  QObject::connect(&syncTimer_, &QTimer::timeout, [this] { sync(); });
  clockTimer_.setInterval(1000);
  QObject::connect(&clockTimer_, &QTimer::timeout, [this] {
    for (auto& form : forms_) form->refreshClock();
  });
  clockTimer_.start();
  input_->syncNow = [this] { sync(); };
  // The Ui may outlive the renderer; a write after the renderer is gone must not
  // call into it.
  std::weak_ptr<QtRenderer*> weak = self_;
  ui_.repaintNeeded = [weak] {
    if (auto self = weak.lock()) (*self)->scheduleSync();
  };
  scheduleSync();
}

QtRenderer::~QtRenderer() {
  self_.reset();
  syncTimer_.stop();
  clockTimer_.stop();
  // Once detached, no event or signal of a widget being destroyed reaches the model,
  // which may already be gone.
  input_->detach();
  forms_.clear();
  input_.reset();
}

void QtRenderer::scheduleSync() {
  if (!syncTimer_.isActive()) syncTimer_.start();
}

FormView* QtRenderer::formView(const Form& form) const {
  for (auto& view : forms_)
    if (&view->form() == &form) return view.get();
  return nullptr;
}

void QtRenderer::forgetRemovedForms() {
  // Only the pointers are compared: a removed form is already destroyed.
  const auto& live = ui_.forms();
  std::erase_if(forms_, [&live](const std::unique_ptr<FormView>& view) {
    return std::find(live.begin(), live.end(), &view->form()) == live.end();
  });
}

void QtRenderer::sync() {
  // A modal dialog opened by an event procedure during mirroring runs a nested loop;
  // the pass in progress finishes first and the next one follows it.
  if (syncing_) {
    syncAgain_ = true;
    return;
  }
  syncing_ = true;
  ++syncCount_;
  ui_.clearAnyDirty();
  forgetRemovedForms();
  std::vector<QWidget*> focus;
  const std::vector<Form*> forms = ui_.forms();
  for (Form* form : forms) {
    FormView* view = formView(*form);
    if (!form->loaded()) {
      if (view && form->dirty()) view->applyUnloaded();
      continue;
    }
    if (!view) {
      forms_.push_back(std::make_unique<FormView>(*form, *input_));
      view = forms_.back().get();
    }
    view->apply(focus);
  }
  syncing_ = false;
  // Granted after the pass: the focus change runs lost- and got-focus procedures, which
  // may open a dialog.
  for (QWidget* widget : focus) widget->setFocus(Qt::OtherFocusReason);
  if (syncAgain_) {
    syncAgain_ = false;
    scheduleSync();
  }
}

QWidget* QtRenderer::window(const Form& form) const {
  FormView* view = formView(form);
  return view ? view->window() : nullptr;
}

ControlView* QtRenderer::view(const Control& control) const {
  FormView* view = formView(control.form());
  return view ? view->view(control) : nullptr;
}

QWidget* QtRenderer::widget(const Control& control) const {
  ControlView* v = view(control);
  return v ? v->widget() : nullptr;
}

}  // namespace tv::qt
