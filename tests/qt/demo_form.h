#pragma once

#include <memory>

#include "platform/form.h"
#include "platform/qt/auto_answer_services.h"
#include "platform/qt/qt_clock.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_renderer.h"
#include "platform/qt/qt_services.h"
#include "platform/ui.h"

namespace tv::qt {

// One control of every kind, at easy pixel positions (15 twips each).
struct DemoForm : Form {
  explicit DemoForm(Ui& ui);

  Label lblStart{*this, "lblStart", {150, 150, 1500, 300}};
  Button cmdGo{*this, "cmdGo", {1800, 150, 1200, 375}};
  CheckBox chkOn{*this, "chkOn", {150, 600, 1500, 300}};
  EditField txtCall{*this, "txtCall", {150, 1050, 1500, 300}};
  ComboBox cboDevice{*this, "cboDevice", {1800, 1050, 1500, 315}};
  ListBox lstFiles{*this, "lstFiles", {150, 1500, 1500, 1200}};
  Slider sldVolume{*this, "sldVolume", {1800, 1500, 1500, 450}};
  ProgressBar prgLevel{*this, "prgLevel", {1800, 2100, 1500, 225}};
  Frame fraOptions{*this, "fraOptions", {3450, 150, 2400, 1500}};
  Label lblInFrame{*this, "lblInFrame", {150, 300, 1200, 300}, &fraOptions};
  DrawingFrame picWave{*this, "picWave", {3450, 1800, 2400, 900}};
  StatusBar sbrInfo{*this, "sbrInfo", {0, 3000, 6000, 300}};
  TrayIcon trayIcon{*this, "trayIcon"};
};

// A Ui on the Qt clock and loop, with dialogs that answer themselves, and a renderer.
struct QtUi {
  QtUi();
  ~QtUi();

  QtClock clock;
  QtEventLoop loop;
  QtServices qtServices;
  AutoAnswerServices services{qtServices, 0};
  Ui ui{clock, loop, services};
  DemoForm form{ui};
  std::unique_ptr<QtRenderer> renderer;

  // Handles what is waiting, so the renderer's turn comes.
  void settle();
};

}  // namespace tv::qt
