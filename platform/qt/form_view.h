#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/form.h"
#include "platform/qt/control_view.h"

namespace tv::qt {

class InputBridge;

// The top-level window of one form and the views of its controls. Created the first
// time the form is seen loaded, and kept while the form exists.
//
// The controls sit on a surface of the form's size inside a scroll area that fills the
// window. A form that fits the screen shows all of it, as without the scroll area; a form
// larger than the free part of its screen gets a window that fits, and its content
// scrolls, so that no button lies out of reach below the screen's edge.
class FormView {
 public:
  FormView(Form& form, InputBridge& input);
  ~FormView();
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  Form& form() const { return form_; }
  QWidget* window() const { return window_; }
  // The widget the controls sit on; the form's background.
  QWidget* surface() const { return surface_; }
  // The size the window was last given: the form's, or less on a smaller screen.
  QSize shownSize() const { return shownSize_; }
  ControlView* view(const Control& control) const;
  const std::vector<std::unique_ptr<ControlView>>& views() const { return views_; }

  // Mirrors the form and its dirty controls and clears their dirty state. Controls
  // that asked for the focus are appended to `focus`; the caller grants it once the
  // turn's mirroring is over.
  void apply(std::vector<QWidget*>& focus);
  // The form was unloaded: its window and tray icons disappear.
  void applyUnloaded();
  void refreshClock();

 private:
  void createMissingViews();
  ControlView& createView(Control& control);
  void applyWindow();
  // The size a window for a form of `formSize` (pixels) can have on its screen.
  QSize sizeOnScreen(QSize formSize) const;

  Form& form_;
  InputBridge& input_;
  QPointer<QWidget> window_;
  QWidget* surface_ = nullptr;
  QSize shownSize_;
  std::vector<std::unique_ptr<ControlView>> views_;
  std::unordered_map<const Control*, ControlView*> index_;
  bool applied_ = false;
  std::string iconFile_;
  std::string mouseIcon_;
};

}  // namespace tv::qt
