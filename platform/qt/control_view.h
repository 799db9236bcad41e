#pragma once

#include <QPointer>
#include <QSystemTrayIcon>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"

class QLabel;
class QScrollBar;

namespace tv::qt {

class LinePainter;

// The Qt widget (or tray icon) of one control, and the mirroring of the control's
// properties onto it. Nothing here calls into the model: user input is the input
// bridge's business. Signals of the widgets are blocked while mirroring.
class ControlView {
 public:
  // `parent` is the form's window or the container's content widget. A tray icon gets
  // no widget, and nothing at all when the desktop has no notification area.
  ControlView(Control& control, QWidget* parent);
  ~ControlView();
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  Control& control() const { return control_; }
  // The control's widget, positioned in its parent; null for tray icons.
  QWidget* widget() const { return widget_; }
  // Where controls contained in this one are placed.
  QWidget* content() const { return widget_; }
  QScrollBar* scrollBar() const { return scrollBar_; }
  QSystemTrayIcon* trayIcon() const { return tray_.get(); }
  LinePainter* linePainter() const { return painter_; }
  const std::vector<QLabel*>& panelLabels() const { return panelLabels_; }

  // Mirrors every property of the control; cheap where nothing changed. A focus
  // request is not handled here but by the renderer, after the whole turn's mirroring.
  void apply();
  bool applied() const { return applied_; }
  // Puts the current date and time into date-time status panels.
  void refreshClock();

 private:
  void createWidget(QWidget* parent);
  void applyCommon();
  void applyColours();
  void applyKind();
  void applyLabel();
  void applyItems();
  void applyFrame();
  void applyStatusBar();
  void applyTray();

  Control& control_;
  QPointer<QWidget> widget_;
  QScrollBar* scrollBar_ = nullptr;
  LinePainter* painter_ = nullptr;
  std::vector<QLabel*> panelLabels_;
  std::vector<bool> clockPanels_;
  std::unique_ptr<QSystemTrayIcon> tray_;

  // What was last put on the widget, so that a dirty control whose caption alone
  // changed does not reload its cursor file or reset its palette.
  bool applied_ = false;
  Colour back_ = 0;
  Colour fore_ = 0;
  std::string mouseIcon_;
  std::string fontName_;
  int fontSize_ = 0;
  bool fontBold_ = false;
  std::string iconFile_;
  std::vector<std::string> items_;
  int smooth_ = -1;
};

}  // namespace tv::qt
