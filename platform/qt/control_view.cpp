#include "platform/qt/control_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGroupBox>
#include <QHelpEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolTip>
#include <algorithm>

#include "platform/form.h"
#include "platform/qt/line_painter.h"
#include "platform/qt/qt_values.h"

namespace tv::qt {

namespace {

// The status bar's panels let clicks through to the bar, so the bar shows the tooltip
// of the panel under the pointer itself.
class StatusBarWidget : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    auto* help = static_cast<QHelpEvent*>(e);
    for (QObject* child : children()) {
      auto* label = qobject_cast<QLabel*>(child);
      if (label && label->geometry().contains(help->pos()) && !label->toolTip().isEmpty()) {
        QToolTip::showText(help->globalPos(), label->toolTip(), this, label->geometry());
        return true;
      }
    }
    QToolTip::hideText();
    e->ignore();
    return true;
  }
};

// A press on a slider's groove puts the handle under the pointer and lets it be dragged
// from there. Qt's own way steps a page towards the pointer again and again while the
// button is held, which on the position slider (a million steps) crawls on like a
// playing sound instead of seeking where the user pressed.
class JumpingSliderStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton;
    if (hint == SH_Slider_PageSetButtons) return Qt::NoButton;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// Which palette roles a kind's back and fore colours paint.
struct ColourRoles {
  QPalette::ColorRole back;
  QPalette::ColorRole fore;
};

ColourRoles colourRoles(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return {QPalette::Button, QPalette::ButtonText};
    case ControlKind::EditField:
    case ControlKind::ComboBox:
    case ControlKind::ListBox:
      return {QPalette::Base, QPalette::Text};
    default:
      return {QPalette::Window, QPalette::WindowText};
  }
}

QIcon fallbackTrayIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0, 96, 64));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(1, 1, 30, 30);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(20);
  painter.setFont(font);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("T"));
  return QIcon(pixmap);
}

QString currentDateTimeText() {
  const QDateTime now = QDateTime::currentDateTime();
  return QLocale::system().toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         now.time().toString(QStringLiteral("HH:mm:ss"));
}

void setFrameLook(QLabel& label, int borderStyle) {
  switch (borderStyle) {
    case Look::Raised:
      label.setFrameStyle(QFrame::Panel | QFrame::Raised);
      label.setLineWidth(1);
      break;
    case Look::Off:
      label.setFrameStyle(QFrame::Panel | QFrame::Raised);
      label.setLineWidth(2);
      break;
    case Look::On:
      label.setFrameStyle(QFrame::Panel | QFrame::Sunken);
      label.setLineWidth(2);
      break;
    case 1:
      label.setFrameStyle(QFrame::Box | QFrame::Plain);
      label.setLineWidth(1);
      break;
    default:
      label.setFrameStyle(QFrame::NoFrame);
      break;
  }
}

Qt::Alignment labelAlignment(Label::Align align) {
  switch (align) {
    case Label::Align::Right:
      return Qt::AlignRight | Qt::AlignTop;
    case Label::Align::Centre:
      return Qt::AlignHCenter | Qt::AlignTop;
    default:
      return Qt::AlignLeft | Qt::AlignTop;
  }
}

void setItems(QComboBox& box, const std::vector<std::string>& items) {
  box.clear();
  // An entry wider than the open list still reads whole under the pointer.
  for (const std::string& item : items) {
    box.addItem(toQString(item));
    box.setItemData(box.count() - 1, toQString(item), Qt::ToolTipRole);
  }
}

void setItems(QListWidget& list, const std::vector<std::string>& items) {
  list.clear();
  for (const std::string& item : items) list.addItem(toQString(item));
}

}  // namespace

ControlView::ControlView(Control& control, QWidget* parent) : control_(control) {
  createWidget(parent);
}

ControlView::~ControlView() {
  delete widget_.data();
}

void ControlView::createWidget(QWidget* parent) {
  switch (control_.kind()) {
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAutoFillBackground(true);
      widget_ = label;
      break;
    }
    case ControlKind::Button:
      widget_ = new QPushButton(parent);
      break;
    case ControlKind::CheckBox: {
      auto* box = new QCheckBox(parent);
      box->setAutoFillBackground(true);
      widget_ = box;
      break;
    }
    case ControlKind::EditField:
      widget_ = new QLineEdit(parent);
      break;
    case ControlKind::ComboBox: {
      auto* box = new QComboBox(parent);
      box->setEditable(true);
      // What the user types is the box's text, never a new entry, and is not completed
      // from the entries: the program decides what the list holds.
      box->setInsertPolicy(QComboBox::NoInsert);
      box->setCompleter(nullptr);
      widget_ = box;
      break;
    }
    case ControlKind::ListBox:
      widget_ = new QListWidget(parent);
      break;
    case ControlKind::Slider: {
      auto* slider = new QSlider(parent);
      auto* style = new JumpingSliderStyle(QApplication::style()->name());
      style->setParent(slider);
      slider->setStyle(style);
      widget_ = slider;
      break;
    }
    case ControlKind::ProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setTextVisible(false);
      widget_ = bar;
      break;
    }
    case ControlKind::Frame: {
      auto* box = new QGroupBox(parent);
      scrollBar_ = new QScrollBar(Qt::Vertical, box);
      scrollBar_->hide();
      widget_ = box;
      break;
    }
    case ControlKind::DrawingFrame:
      painter_ = new LinePainter(parent);
      widget_ = painter_;
      break;
    case ControlKind::StatusBar: {
      auto* bar = new StatusBarWidget(parent);
      bar->setAutoFillBackground(true);
      widget_ = bar;
      break;
    }
    case ControlKind::TrayIcon:
      // On X11 made even where the desktop has no notification area yet: Qt
      // watches for one there and puts the icon in it once a panel starts, as
      // after a login where the program starts before the panel.
      if (QSystemTrayIcon::isSystemTrayAvailable() ||
          QGuiApplication::platformName() == QLatin1String("xcb"))
        tray_ = std::make_unique<QSystemTrayIcon>();
      break;
  }
}

void ControlView::apply() {
  if (control_.kind() == ControlKind::TrayIcon) {
    applyTray();
    applied_ = true;
    return;
  }
  if (!widget_) return;
  const QSignalBlocker block(widget_.data());
  applyCommon();
  applyKind();
  applied_ = true;
}

void ControlView::applyCommon() {
  QWidget& w = *widget_;
  const QRect geometry = toPixels(control_.rect());
  if (w.geometry() != geometry) w.setGeometry(geometry);
  w.setEnabled(control_.enabled());
  w.setToolTip(toQString(control_.toolTip()));

  if (!applied_ || control_.mouseIcon() != mouseIcon_) {
    mouseIcon_ = control_.mouseIcon();
    w.setCursor(cursorFromIcon(mouseIcon_));
  }
  if (!applied_ || control_.fontName() != fontName_ || control_.fontSize() != fontSize_ ||
      control_.fontBold() != fontBold_) {
    fontName_ = control_.fontName();
    fontSize_ = control_.fontSize();
    fontBold_ = control_.fontBold();
    if (!fontName_.empty() || fontSize_ > 0 || fontBold_) {
      QFont font = QApplication::font(&w);
      if (!fontName_.empty()) {
        font.setFamily(toQString(fontName_));
        // Fonts of the original forms (Arial, MS Sans Serif) are rarely installed;
        // any sans font of the same size stands in for them.
        font.setStyleHint(QFont::SansSerif);
      }
      if (fontSize_ > 0) font.setPointSize(fontSize_);
      font.setBold(fontBold_);
      w.setFont(font);
    }
  }
  applyColours();
  w.setVisible(control_.visible());
}

void ControlView::applyColours() {
  if (applied_ && control_.backColour() == back_ && control_.foreColour() == fore_) return;
  back_ = control_.backColour();
  fore_ = control_.foreColour();
  const QPalette& system = QApplication::palette();
  const ColourRoles roles = colourRoles(control_.kind());
  QPalette palette = widget_->palette();
  // Only the active and inactive looks: a disabled control keeps the system's greyed
  // text, or a disabled button could not be told from one that works.
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, roles.back, toQColor(back_, system));
    palette.setColor(group, roles.fore, toQColor(fore_, system));
  }
  widget_->setPalette(palette);
}

void ControlView::applyKind() {
  switch (control_.kind()) {
    case ControlKind::Label:
      applyLabel();
      break;
    case ControlKind::Button:
      static_cast<QPushButton&>(*widget_).setText(toQString(control_.caption()));
      break;
    case ControlKind::CheckBox: {
      auto& box = static_cast<QCheckBox&>(*widget_);
      box.setText(toQString(control_.caption()));
      box.setChecked(static_cast<CheckBox&>(control_).value() == 1);
      break;
    }
    case ControlKind::EditField: {
      auto& edit = static_cast<QLineEdit&>(*widget_);
      const auto& field = static_cast<EditField&>(control_);
      const QString text = toQString(field.text());
      // Rewriting an equal text would put the cursor at the end under the user's hands.
      if (edit.text() != text) edit.setText(text);
      edit.setReadOnly(field.locked());
      break;
    }
    case ControlKind::ComboBox:
    case ControlKind::ListBox:
      applyItems();
      break;
    case ControlKind::Slider: {
      auto& slider = static_cast<QSlider&>(*widget_);
      const auto& model = static_cast<Slider&>(control_);
      slider.setOrientation(model.vertical() ? Qt::Vertical : Qt::Horizontal);
      // A vertical slider of the original forms has its minimum at the top.
      slider.setInvertedAppearance(model.vertical());
      slider.setInvertedControls(model.vertical());
      slider.setRange(model.min(), model.max());
      // The handle stays under the user's hand: a value the program writes meanwhile
      // waits for the release.
      if (!slider.isSliderDown()) slider.setValue(model.value());
      break;
    }
    case ControlKind::ProgressBar: {
      auto& bar = static_cast<QProgressBar&>(*widget_);
      const auto& model = static_cast<ProgressBar&>(control_);
      bar.setOrientation(model.vertical() ? Qt::Vertical : Qt::Horizontal);
      // An empty range would make QProgressBar show its busy animation.
      bar.setRange(model.min(), std::max(model.max(), model.min() + 1));
      bar.setValue(model.value());
      if (smooth_ != static_cast<int>(model.smooth())) {
        smooth_ = model.smooth();
        bar.setStyleSheet(
            model.smooth()
                ? QStringLiteral("QProgressBar { border: 1px solid palette(mid); }"
                                 "QProgressBar::chunk { background-color: palette(highlight); }")
                : QStringLiteral("QProgressBar { border: 1px solid palette(mid); }"
                                 "QProgressBar::chunk { background-color: palette(highlight);"
                                 " width: 6px; margin: 1px; }"));
      }
      break;
    }
    case ControlKind::Frame:
      applyFrame();
      break;
    case ControlKind::DrawingFrame: {
      const auto& model = static_cast<DrawingFrame&>(control_);
      QRectF scale(model.scaleLeft(), model.scaleTop(), model.scaleWidth(), model.scaleHeight());
      if (model.scaleWidth() == 0 || model.scaleHeight() == 0)
        scale = QRectF(0, 0, model.width(), model.height());
      painter_->setDrawing(model.lines(), scale,
                           toQColor(model.backColour(), QApplication::palette()));
      break;
    }
    case ControlKind::StatusBar:
      applyStatusBar();
      break;
    case ControlKind::TrayIcon:
      break;
  }
}

void ControlView::applyLabel() {
  auto& label = static_cast<QLabel&>(*widget_);
  const auto& model = static_cast<Label&>(control_);
  // A picture that cannot be read leaves the caption to say what the label is.
  const QPixmap picture = imageFileExists(model.picture())
                              ? QPixmap(toQString(model.picture()))
                              : QPixmap();
  if (!picture.isNull()) {
    label.setPixmap(picture.scaled(label.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
  } else {
    label.setText(toQString(model.caption()));
  }
  label.setAlignment(picture.isNull() ? labelAlignment(model.alignment()) : Qt::AlignCenter);
  label.setWordWrap(model.wordWrap());
  setFrameLook(label, model.borderStyle());
}

void ControlView::applyItems() {
  const auto& model = static_cast<ItemList&>(control_);
  const bool itemsChanged = !applied_ || model.items() != items_;
  if (itemsChanged) items_ = model.items();
  if (auto* box = qobject_cast<QComboBox*>(widget_.data())) {
    if (itemsChanged) setItems(*box, items_);
    if (box->currentIndex() != model.listIndex()) box->setCurrentIndex(model.listIndex());
    const QString text = toQString(static_cast<const ComboBox&>(model).text());
    if (box->currentText() != text) box->setEditText(text);
    // A text longer than the box shows its beginning ("USB Audio Device – plugh..."),
    // which tells entries apart, not its end; the whole text is the tooltip of the
    // field. One that fits leaves the box its own tooltip. Not under the user's typing.
    if (QLineEdit* field = box->lineEdit(); field && !field->hasFocus()) {
      field->setCursorPosition(0);
      const bool cut = field->fontMetrics().horizontalAdvance(text) > field->width();
      field->setToolTip(cut ? text : QString());
    }
  } else if (auto* list = qobject_cast<QListWidget*>(widget_.data())) {
    if (itemsChanged) setItems(*list, items_);
    if (list->currentRow() != model.listIndex()) {
      if (model.listIndex() < 0) list->clearSelection();
      list->setCurrentRow(model.listIndex());
    }
  }
}

void ControlView::applyFrame() {
  auto& box = static_cast<QGroupBox&>(*widget_);
  const auto& model = static_cast<Frame&>(control_);
  box.setTitle(toQString(model.caption()));
  const QSignalBlocker block(scrollBar_);
  if (model.scrollMax() > 0) {
    const int extent = box.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &box);
    scrollBar_->setGeometry(box.width() - extent, 0, extent, box.height());
    scrollBar_->setRange(0, model.scrollMax());
    // The range is in the model's units (twips, say): steps follow it, not Qt's one unit.
    scrollBar_->setSingleStep(std::max(1, model.scrollMax() / 20));
    scrollBar_->setPageStep(std::max(1, model.scrollMax() / 4));
    scrollBar_->setValue(model.scrollValue());
    scrollBar_->raise();
    scrollBar_->show();
  } else {
    scrollBar_->hide();
  }
}

void ControlView::applyStatusBar() {
  const auto& panels = static_cast<StatusBar&>(control_).panels();
  while (panelLabels_.size() > panels.size()) {
    delete panelLabels_.back();
    panelLabels_.pop_back();
  }
  while (panelLabels_.size() < panels.size()) {
    auto* label = new QLabel(widget_);
    label->setTextFormat(Qt::PlainText);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    label->setMargin(1);
    // Clicks belong to the bar, which reports them as its own.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->show();
    panelLabels_.push_back(label);
  }
  clockPanels_.assign(panels.size(), false);
  int x = 0;
  const int height = widget_->height();
  for (size_t i = 0; i < panels.size(); ++i) {
    QLabel& label = *panelLabels_[i];
    label.setGeometry(x, 0, panels[i].widthPixels, height);
    x += panels[i].widthPixels;
    clockPanels_[i] = panels[i].dateTime;
    // A notice longer than its panel ends in an ellipsis, so it reads as cut, not as
    // the whole message; the tooltip has it all.
    if (!panels[i].dateTime)
      label.setText(label.fontMetrics().elidedText(toQString(panels[i].text), Qt::ElideRight,
                                                   std::max(0, panels[i].widthPixels - 6)));
    label.setToolTip(toQString(panels[i].toolTip));
  }
  refreshClock();
}

void ControlView::refreshClock() {
  for (size_t i = 0; i < clockPanels_.size() && i < panelLabels_.size(); ++i)
    if (clockPanels_[i]) panelLabels_[i]->setText(currentDateTimeText());
}

void ControlView::applyTray() {
  if (!tray_) return;
  const auto& model = static_cast<TrayIcon&>(control_);
  tray_->setToolTip(toQString(model.toolTip()));
  if (!applied_ || model.iconFile() != iconFile_) {
    iconFile_ = model.iconFile();
    QIcon icon;
    if (imageFileExists(iconFile_)) icon = QIcon(toQString(iconFile_));
    tray_->setIcon(icon.isNull() || icon.availableSizes().isEmpty() ? fallbackTrayIcon() : icon);
  }
  tray_->setVisible(model.visible() && model.form().loaded());
}

}  // namespace tv::qt
