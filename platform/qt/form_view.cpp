#include "platform/qt/form_view.h"

#include <QIcon>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/input_bridge.h"
#include "platform/qt/qt_values.h"
#include "platform/screen_fit.h"

namespace tv::qt {

FormView::FormView(Form& form, InputBridge& input)
    : form_(form), input_(input), window_(new QWidget(nullptr, Qt::Window)) {
  auto* scroll = new QScrollArea(window_);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);
  surface_ = new QWidget;
  scroll->setWidget(surface_);
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(0, 0, 0, 0);
  // The window's size is the form's (or the screen's); the scroll area only fills it.
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(scroll);
  input_.watch(*this);
}

QSize FormView::sizeOnScreen(QSize formSize) const {
  const QScreen* screen = screenShowing(QPoint(toPixels(form_.left()), toPixels(form_.top())));
  if (!screen) return formSize;
  const QRect area = screen->availableGeometry();
  // The frame, once the window has one; until then what a frame is reckoned to take.
  const QRect frame = window_->frameGeometry();
  const QRect inner = window_->geometry();
  const int frameWidth = std::max(frame.width() - inner.width(), toPixels(2 * kFrameBorderTwips));
  const int frameHeight =
      std::max(frame.height() - inner.height(), toPixels(kTitleBarTwips + kFrameBorderTwips));
  const int scrollBar = window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const Rect shown = shownContentSize(formSize.width(), formSize.height(),
                                      {area.x(), area.y(), area.width(), area.height()}, frameWidth,
                                      frameHeight, scrollBar);
  return QSize(shown.width, shown.height);
}

FormView::~FormView() {
  for (auto& view : views_) input_.forget(*view);
  input_.forget(*this);
  // Child views first: a frame's widget owns the widgets of the controls inside it.
  while (!views_.empty()) views_.pop_back();
  delete window_.data();
}

ControlView* FormView::view(const Control& control) const {
  auto it = index_.find(&control);
  return it == index_.end() ? nullptr : it->second;
}

ControlView& FormView::createView(Control& control) {
  if (ControlView* existing = view(control)) return *existing;
  QWidget* parent = surface_;
  if (Control* container = control.container())
    if (QWidget* content = createView(*container).content()) parent = content;
  views_.push_back(std::make_unique<ControlView>(control, parent));
  ControlView& created = *views_.back();
  index_[&control] = &created;
  input_.watch(created);
  return created;
}

void FormView::createMissingViews() {
  const size_t before = views_.size();
  for (Control* control : form_.controls()) createView(*control);
  // Labels of the original forms are drawn beneath every other control, whatever the
  // order they were declared in; among themselves they keep that order.
  for (size_t i = views_.size(); i > before; --i) {
    ControlView& created = *views_[i - 1];
    if (created.control().kind() == ControlKind::Label && created.widget())
      created.widget()->lower();
  }
}

void FormView::apply(std::vector<QWidget*>& focus) {
  createMissingViews();
  bool raise = false;
  if (form_.dirty() || !applied_) {
    raise = form_.frontRequested();
    form_.clearDirty();
    applyWindow();
  }
  for (auto& view : views_) {
    Control& control = view->control();
    if (!control.dirty() && view->applied()) continue;
    const bool wantsFocus = control.focusRequested();
    // Cleared first: a widget call below may run an event procedure (a focus change)
    // whose writes must count as changes for the next turn.
    control.clearDirty();
    view->apply();
    if (wantsFocus && view->widget()) focus.push_back(view->widget());
  }
  // Shown last, with its controls in place.
  window_->setVisible(form_.visible());
  if (raise && form_.visible()) {
    window_->raise();
    window_->activateWindow();
  }
}

void FormView::applyWindow() {
  QWidget& w = *window_;
  w.setWindowTitle(toQString(form_.caption()));
  w.setToolTip(toQString(form_.toolTip()));
  const QSize formSize(toPixels(form_.width()), toPixels(form_.height()));
  surface_->setFixedSize(formSize);
  const QSize size = sizeOnScreen(formSize);
  shownSize_ = size;
  if (form_.sizable()) {
    w.setMinimumSize(0, 0);
    w.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (w.size() != size) w.resize(size);
  } else {
    w.setFixedSize(size);
  }
  const QPoint position(toPixels(form_.left()), toPixels(form_.top()));
  if (w.pos() != position) w.move(position);
  if (!applied_ || form_.iconFile() != iconFile_) {
    iconFile_ = form_.iconFile();
    w.setWindowIcon(imageFileExists(iconFile_) ? QIcon(toQString(iconFile_)) : QIcon());
  }
  if (!applied_ || form_.mouseIcon() != mouseIcon_) {
    mouseIcon_ = form_.mouseIcon();
    w.setCursor(cursorFromIcon(mouseIcon_));
  }
  applied_ = true;
}

void FormView::applyUnloaded() {
  form_.clearDirty();
  window_->hide();
  for (auto& view : views_)
    if (view->control().kind() == ControlKind::TrayIcon) view->apply();
}

void FormView::refreshClock() {
  for (auto& view : views_) view->refreshClock();
}

}  // namespace tv::qt
