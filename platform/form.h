#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/timer.h"

namespace tv {

class Ui;

// A window of the program. Controls and timers are members of the derived form
// definition; they register themselves here on construction. Windows live as long as
// the program: they are shown and hidden, loaded once, never destroyed while it runs.
class Form {
 public:
  Form(Ui& ui, std::string name, Rect twips);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Ui& ui() const { return ui_; }
  const std::string& name() const { return name_; }

  // A form that is not loaded has no window on screen and ignores show().
  bool loaded() const { return loaded_; }
  void load();
  void unload();

  bool visible() const { return visible_; }
  void show();
  void hide();
  void setVisible(bool v) { v ? show() : hide(); }

  int left() const { return rect_.left; }
  int top() const { return rect_.top; }
  int width() const { return rect_.width; }
  int height() const { return rect_.height; }
  void setLeft(int v) { set(rect_.left, v); }
  void setTop(int v) { set(rect_.top, v); }
  void setWidth(int v) { set(rect_.width, v); }
  void setHeight(int v) { set(rect_.height, v); }

  const std::string& caption() const { return caption_; }
  void setCaption(std::string v) { set(caption_, std::move(v)); }
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string v) { set(toolTip_, std::move(v)); }
  const std::string& iconFile() const { return iconFile_; }
  void setIconFile(std::string v) { set(iconFile_, std::move(v)); }
  const std::string& mouseIcon() const { return mouseIcon_; }
  void setMouseIcon(std::string v) { set(mouseIcon_, std::move(v)); }

  // Ask the renderer to raise the window above the others and activate it (the desktop
  // may only mark it as wanting attention). Cleared once the renderer has done so.
  void bringToFront();
  bool frontRequested() const { return frontRequested_; }

  // Whether the user may drag the window's size.
  bool sizable() const { return sizable_; }
  void setSizable(bool v) { set(sizable_, v); }

  const std::vector<Control*>& controls() const { return controls_; }
  Control* find(std::string_view controlName) const;

  // Called by the renderer when the user moved or resized the window: the model takes
  // the new geometry without echoing it back.
  void userMoved(int left, int top);
  void userResized(int width, int height);
  // The user asked to close the window (title-bar close box). The close slot may
  // refuse by setting cancel; otherwise the window is hidden.
  void userClose();

  std::function<void()> click;
  std::function<void()> dblClick;
  std::function<void(int button, int shift, int x, int y)> mouseMove;
  std::function<void()> resize;
  std::function<void()> moved;
  std::function<void(bool& cancel)> close;

  bool dirty() const { return dirty_; }
  void clearDirty() {
    dirty_ = false;
    frontRequested_ = false;
  }

  // The timer queue the form's timers belong to.
  TimerQueue& timers() const;

 private:
  friend class Control;
  void add(Control* control) { controls_.push_back(control); }
  void markDirty();
  template <class T, class V>
  void set(T& field, V&& value) {
    if (field == value) return;
    field = std::forward<V>(value);
    markDirty();
  }

  Ui& ui_;
  std::string name_;
  Rect rect_;
  bool loaded_ = false;
  bool visible_ = false;
  bool sizable_ = false;
  bool frontRequested_ = false;
  std::string caption_;
  std::string toolTip_;
  std::string iconFile_;
  std::string mouseIcon_;
  std::vector<Control*> controls_;
  bool dirty_ = true;
};

}  // namespace tv
