#include "platform/qt/input_bridge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QWidget>
#include <unordered_map>

#include "platform/form.h"
#include "platform/qt/control_view.h"
#include "platform/qt/form_view.h"
#include "platform/qt/qt_values.h"

namespace tv::qt {

namespace {

// Controls that do nothing with the mouse themselves: their mouse events are the
// model's alone and do not travel on to the container or the form.
bool passive(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::DrawingFrame:
    case ControlKind::StatusBar:
    case ControlKind::ProgressBar:
      return true;
    default:
      return false;
  }
}

// Controls whose click is a press and release over them. A button's click comes from
// the button (keyboard included), a check box's from its toggle, a list's from the
// choice of an entry.
bool clickOnRelease(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
    case ControlKind::ComboBox:
      return false;
    default:
      return true;
  }
}

// The character code a key press hands to keyPress: printable characters, Enter and
// Backspace; 0 for everything else (cursor keys, shortcuts).
int keyAscii(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    default:
      break;
  }
  if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return 0;
  const QString text = event.text();
  if (text.size() != 1) return 0;
  const char16_t code = text.at(0).unicode();
  if (code < 32 || code == 127) return 0;
  return code;
}

QLineEdit* lineEditOf(ControlView& view) {
  if (auto* edit = qobject_cast<QLineEdit*>(view.widget())) return edit;
  if (auto* box = qobject_cast<QComboBox*>(view.widget())) return box->lineEdit();
  return nullptr;
}

void reportEdited(Control& control, const QString& text) {
  if (control.kind() == ControlKind::EditField)
    static_cast<EditField&>(control).userEdited(toStdString(text));
  else if (control.kind() == ControlKind::ComboBox)
    static_cast<ComboBox&>(control).userEdited(toStdString(text));
}

}  // namespace

InputBridge::InputBridge() : context_(std::make_unique<QObject>()) {}
InputBridge::~InputBridge() = default;

void InputBridge::watchPart(QObject* part, ControlView& view) {
  controls_[part] = &view;
  part->installEventFilter(this);
  if (part->isWidgetType()) static_cast<QWidget*>(part)->setMouseTracking(true);
}

void InputBridge::watch(ControlView& view) {
  if (QWidget* widget = view.widget()) {
    watchPart(widget, view);
    if (auto* list = qobject_cast<QListWidget*>(widget)) watchPart(list->viewport(), view);
    if (auto* box = qobject_cast<QComboBox*>(widget)) watchPart(box->lineEdit(), view);
  }
  connectSignals(view);
}

void InputBridge::watch(FormView& view) {
  // The window for its move, size and close box, the surface for the mouse on the form's
  // background.
  for (QWidget* part : {view.window(), view.surface()}) {
    forms_[part] = &view;
    part->installEventFilter(this);
    part->setMouseTracking(true);
  }
}

void InputBridge::forget(const ControlView& view) {
  std::erase_if(controls_, [&view](const auto& entry) { return entry.second == &view; });
  if (pressed_ == &view) pressed_ = nullptr;
}

void InputBridge::forget(const FormView& view) {
  std::erase_if(forms_, [&view](const auto& entry) { return entry.second == &view; });
  if (pressed_ == &view) pressed_ = nullptr;
}

void InputBridge::detach() {
  detached_ = true;
  syncNow = nullptr;
  context_.reset();
}

void InputBridge::connectSignals(ControlView& view) {
  if (detached_) return;
  QObject* context = context_.get();
  Control* control = &view.control();
  QWidget* widget = view.widget();
  switch (control->kind()) {
    case ControlKind::Button:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, context, [control] {
        if (control->click) control->click();
      });
      break;
    case ControlKind::EditField:
      connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, context,
              [control](const QString& text) { reportEdited(*control, text); });
      break;
    case ControlKind::ComboBox: {
      auto* box = static_cast<QComboBox*>(widget);
      connect(box, &QComboBox::activated, context,
              [control](int index) { static_cast<ComboBox*>(control)->userSelected(index); });
      connect(box->lineEdit(), &QLineEdit::textEdited, context,
              [control](const QString& text) { reportEdited(*control, text); });
      break;
    }
    case ControlKind::ListBox:
      // Keyboard choices; a mouse press has told the model before Qt moves the row.
      connect(static_cast<QListWidget*>(widget), &QListWidget::currentRowChanged, context,
              [control](int row) {
                auto* list = static_cast<ListBox*>(control);
                if (row != list->listIndex()) list->userSelected(row);
              });
      break;
    case ControlKind::Slider:
      connect(static_cast<QSlider*>(widget), &QSlider::valueChanged, context,
              [control](int value) { static_cast<Slider*>(control)->userMoved(value); });
      break;
    case ControlKind::Frame:
      connect(view.scrollBar(), &QScrollBar::valueChanged, context,
              [control](int value) { static_cast<Frame*>(control)->userScrolled(value); });
      break;
    case ControlKind::TrayIcon:
      if (QSystemTrayIcon* tray = view.trayIcon())
        connect(tray, &QSystemTrayIcon::activated, context,
                [control](QSystemTrayIcon::ActivationReason reason) {
                  // The icon has no area of its own: its events carry the pointer's
                  // screen position, where a menu opens.
                  const QPoint at = QCursor::pos();
                  const int x = toTwips(at.x());
                  const int y = toTwips(at.y());
                  switch (reason) {
                    case QSystemTrayIcon::Trigger:
                      if (control->mouseUp) control->mouseUp(MouseButton::Left, 0, x, y);
                      break;
                    case QSystemTrayIcon::Context:
                      if (control->mouseUp) control->mouseUp(MouseButton::Right, 0, x, y);
                      break;
                    case QSystemTrayIcon::MiddleClick:
                      if (control->mouseUp) control->mouseUp(MouseButton::Middle, 0, x, y);
                      break;
                    case QSystemTrayIcon::DoubleClick:
                      if (control->dblClick) control->dblClick();
                      break;
                    default:
                      break;
                  }
                });
      break;
    default:
      break;
  }
}

bool InputBridge::eventFilter(QObject* watched, QEvent* event) {
  if (detached_) return false;
  if (auto form = forms_.find(watched); form != forms_.end())
    return formEvent(static_cast<QWidget*>(const_cast<QObject*>(watched)), *form->second, event);
  if (auto control = controls_.find(watched); control != controls_.end())
    return controlEvent(watched, *control->second, event);
  return false;
}

bool InputBridge::controlEvent(QObject* watched, ControlView& view, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      return mouseEvent(static_cast<QWidget*>(watched), view, event);
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (watched != view.widget()) return false;
      // Qt would toggle a check box on Space behind the model's back; the model only
      // knows the toggle by the mouse.
      if (view.control().kind() == ControlKind::CheckBox)
        return static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
      return event->type() == QEvent::KeyPress && keyEvent(view, event);
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      if (watched != view.widget()) return false;
      // Opening a list's pop-up or switching windows does not move the focus between
      // the program's controls.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
      Control& control = view.control();
      auto& handler = event->type() == QEvent::FocusIn ? control.gotFocus : control.lostFocus;
      if (handler) handler();
      return false;
    }
    default:
      return false;
  }
}

bool InputBridge::overAnotherControl(QWidget* watched, const ControlView& view,
                                     QPoint position) const {
  for (QWidget* w = watched->childAt(position); w && w != watched; w = w->parentWidget()) {
    auto it = controls_.find(w);
    if (it != controls_.end() && it->second != &view && it->second->widget() == w) return true;
  }
  return false;
}

bool InputBridge::mouseEvent(QWidget* watched, ControlView& view, QEvent* event) {
  QWidget* widget = view.widget();
  if (!widget->isEnabled()) return false;
  const auto& mouse = static_cast<QMouseEvent&>(*event);
  const QPoint local = mouse.position().toPoint();
  // A press that a contained control left unhandled travels on to its frame.
  if (overAnotherControl(watched, view, local)) return false;
  const QPoint inControl = watched == widget ? local : watched->mapTo(widget, local);
  const int x = toTwips(inControl.x());
  const int y = toTwips(inControl.y());
  const int shift = shiftState(mouse.modifiers());
  Control& control = view.control();
  const ControlKind kind = control.kind();
  const bool consumed = passive(kind) || kind == ControlKind::CheckBox;

  switch (event->type()) {
    case QEvent::MouseMove:
      if (control.mouseMove) control.mouseMove(mouseButtonsHeld(mouse), shift, x, y);
      return passive(kind);

    case QEvent::MouseButtonDblClick:
      // The second press of a double click on a button or check box is just a press.
      if (kind != ControlKind::Button && kind != ControlKind::CheckBox) {
        pressed_ = nullptr;
        if (control.dblClick) control.dblClick();
        return consumed;
      }
      [[fallthrough]];
    case QEvent::MouseButtonPress: {
      const int button = mouseButton(mouse);
      if (kind == ControlKind::ListBox && watched != widget) {
        const int row = static_cast<QListWidget*>(widget)->indexAt(local).row();
        if (row >= 0) static_cast<ListBox&>(control).userSelected(row);
      }
      // Qt never sees the press of a check box, so the focus is moved here.
      if (kind == ControlKind::CheckBox) widget->setFocus(Qt::MouseFocusReason);
      if (button == MouseButton::Left) pressed_ = &view;
      if (control.mouseDown) control.mouseDown(button, shift, x, y);
      return consumed;
    }

    case QEvent::MouseButtonRelease: {
      const int button = mouseButton(mouse);
      const bool clicked =
          button == MouseButton::Left && pressed_ == &view && widget->rect().contains(inControl);
      if (button == MouseButton::Left) pressed_ = nullptr;
      if (kind == ControlKind::CheckBox) {
        // The model toggles the value, after its mouse-up has seen the old one.
        if (clicked)
          static_cast<CheckBox&>(control).userToggle(button, shift, x, y);
        else if (control.mouseUp)
          control.mouseUp(button, shift, x, y);
        return true;
      }
      if (control.mouseUp) control.mouseUp(button, shift, x, y);
      if (clicked && clickOnRelease(kind) && control.click) control.click();
      return consumed;
    }

    default:
      return false;
  }
}

bool InputBridge::keyEvent(ControlView& view, QEvent* event) {
  Control& control = view.control();
  if (!control.keyPress) return false;
  QLineEdit* edit = lineEditOf(view);
  if (!edit) return false;
  const int typed = keyAscii(static_cast<QKeyEvent&>(*event));
  if (typed == 0) return false;
  int keyAscii = typed;
  control.keyPress(keyAscii);
  if (keyAscii == typed) return false;
  if (keyAscii == 0) return true;
  // The procedure replaced the character (upper case, say): type that one instead.
  if (keyAscii >= 32 && !edit->isReadOnly()) {
    edit->insert(QString(QChar(keyAscii)));
    reportEdited(control, edit->text());
    return true;
  }
  return false;
}

bool InputBridge::formEvent(QWidget* watched, FormView& view, QEvent* event) {
  Form& form = view.form();
  QWidget* window = view.window();
  QWidget* surface = view.surface();
  switch (event->type()) {
    case QEvent::Move:
      // The renderer's own moves put the window where the model already says it is.
      // Where a program cannot read its windows' positions (Wayland), the stored ones
      // stay as they were.
      if (watched == window && window->isVisible() && windowPositionsWork() &&
          window->pos() != QPoint(toPixels(form.left()), toPixels(form.top())))
        form.userMoved(toTwips(window->x()), toTwips(window->y()));
      return false;
    case QEvent::Resize:
      // Measured against the size the renderer gave the window, which is less than the
      // form's on a small screen.
      if (watched == window && window->isVisible() && window->size() != view.shownSize())
        form.userResized(toTwips(window->width()), toTwips(window->height()));
      return false;
    case QEvent::Close:
      if (watched != window) return false;
      // The model decides: the close procedure may refuse, and otherwise hides the form.
      event->ignore();
      form.userClose();
      if (syncNow) syncNow();
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      break;
    default:
      return false;
  }
  const auto& mouse = static_cast<QMouseEvent&>(*event);
  // In the form's own coordinates, however far its content is scrolled.
  const QPoint position = watched == surface
                              ? mouse.position().toPoint()
                              : surface->mapFrom(watched, mouse.position().toPoint());
  // Only the form's background is the form's; controls report their own input.
  if (surface->childAt(position)) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
      if (form.mouseMove)
        form.mouseMove(mouseButtonsHeld(mouse), shiftState(mouse.modifiers()),
                       toTwips(position.x()), toTwips(position.y()));
      break;
    case QEvent::MouseButtonPress:
      if (mouseButton(mouse) == MouseButton::Left) pressed_ = &view;
      break;
    case QEvent::MouseButtonDblClick:
      pressed_ = nullptr;
      if (form.dblClick) form.dblClick();
      break;
    case QEvent::MouseButtonRelease:
      if (mouseButton(mouse) == MouseButton::Left) {
        const bool clicked = pressed_ == &view && surface->rect().contains(position);
        pressed_ = nullptr;
        if (clicked && form.click) form.click();
      }
      break;
    default:
      break;
  }
  // Taken on the surface: passed on, it would reach the window as well and count twice.
  return watched == surface;
}

}  // namespace tv::qt
