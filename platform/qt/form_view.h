#pragma once

#include <QPointer>
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
class FormView {
 public:
  FormView(Form& form, InputBridge& input);
  ~FormView();
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  Form& form() const { return form_; }
  QWidget* window() const { return window_; }
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

  Form& form_;
  InputBridge& input_;
  QPointer<QWidget> window_;
  std::vector<std::unique_ptr<ControlView>> views_;
  std::unordered_map<const Control*, ControlView*> index_;
  bool applied_ = false;
  std::string iconFile_;
  std::string mouseIcon_;
};

}  // namespace tv::qt
