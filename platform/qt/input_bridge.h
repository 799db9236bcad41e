#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <unordered_map>

namespace tv::qt {

class ControlView;
class FormView;

// Turns the user's input on the mirrored widgets into the model's events: mouse
// buttons and moves (twips, relative to the control), clicks, keys, focus, and the
// window's move, resize and close box. After detach() no widget reaches the model any
// more, which is what lets the widgets outlive it.
//
// No Q_OBJECT: the event filter is a plain virtual, the signals are connected to
// lambdas, and the model's names stay away from moc.
class InputBridge : public QObject {
 public:
  InputBridge();
  ~InputBridge() override;

  // Mirrors the model after an event procedure that must show its effect before the
  // next event (the close box hides the window at once when the model hid it).
  std::function<void()> syncNow;

  void watch(ControlView& view);
  void watch(FormView& view);
  void forget(const ControlView& view);
  void forget(const FormView& view);
  void detach();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watchPart(QObject* part, ControlView& view);
  void connectSignals(ControlView& view);
  bool controlEvent(QObject* watched, ControlView& view, QEvent* event);
  bool mouseEvent(QWidget* watched, ControlView& view, QEvent* event);
  bool keyEvent(ControlView& view, QEvent* event);
  bool formEvent(QWidget* watched, FormView& view, QEvent* event);
  bool overAnotherControl(QWidget* watched, const ControlView& view, QPoint position) const;

  // The context of every signal connection: destroying it cuts them all.
  std::unique_ptr<QObject> context_;
  bool detached_ = false;
  std::unordered_map<const QObject*, ControlView*> controls_;
  std::unordered_map<const QObject*, FormView*> forms_;
  // The control (or form) that received the last press, for the click on release.
  const void* pressed_ = nullptr;
};

}  // namespace tv::qt
