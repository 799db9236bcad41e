#include "platform/form.h"

#include "platform/ui.h"

namespace tv {

Form::Form(Ui& ui, std::string name, Rect twips) : ui_(ui), name_(std::move(name)), rect_(twips) {
  ui_.addForm(this);
}

Form::~Form() { ui_.removeForm(this); }

TimerQueue& Form::timers() const { return ui_.timers(); }

void Form::markDirty() {
  dirty_ = true;
  ui_.markDirty();
}

void Form::load() { set(loaded_, true); }

void Form::unload() {
  set(visible_, false);
  set(loaded_, false);
}

void Form::show() {
  load();
  set(visible_, true);
}

void Form::hide() { set(visible_, false); }

void Form::bringToFront() {
  frontRequested_ = true;
  markDirty();
}

Control* Form::find(std::string_view controlName) const {
  for (Control* c : controls_)
    if (c->name() == controlName) return c;
  return nullptr;
}

void Form::userMoved(int left, int top) {
  if (left == rect_.left && top == rect_.top) return;
  rect_.left = left;
  rect_.top = top;
  if (moved) moved();
}

void Form::userResized(int width, int height) {
  if (width == rect_.width && height == rect_.height) return;
  rect_.width = width;
  rect_.height = height;
  if (resize) resize();
}

void Form::userClose() {
  bool cancel = false;
  if (close) close(cancel);
  if (!cancel) hide();
}

}  // namespace tv
