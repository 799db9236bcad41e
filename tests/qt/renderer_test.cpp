#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include "demo_form.h"
#include "platform/qt/control_view.h"
#include "platform/qt/line_painter.h"
#include "platform/qt/qt_values.h"

namespace tv::qt {
namespace {

class RendererTest : public ::testing::Test {
 protected:
  template <class W>
  W* widget(const Control& control) {
    return dynamic_cast<W*>(qt.renderer->widget(control));
  }

  QtUi qt;
  DemoForm& form = qt.form;
};

TEST_F(RendererTest, FormGetsAWindowOnlyOnceLoadedAndFollowsVisibility) {
  qt.settle();
  EXPECT_EQ(qt.renderer->window(form), nullptr);

  form.load();
  qt.settle();
  QWidget* window = qt.renderer->window(form);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->isVisible());

  form.show();
  qt.settle();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Demo");
  EXPECT_EQ(window->pos(), QPoint(100, 100));
  EXPECT_EQ(window->size(), QSize(400, 220));
  EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not sizable: fixed size";

  form.unload();
  qt.settle();
  EXPECT_FALSE(window->isVisible());
  form.show();
  qt.settle();
  EXPECT_EQ(qt.renderer->window(form), window) << "the window is kept, not made anew";
}

TEST_F(RendererTest, ControlsMirrorTheirProperties) {
  form.lblStart.setCaption("Start");
  form.lblStart.setBackColour(rgb(255, 0, 0));
  form.lblStart.setForeColour(rgb(0, 0, 255));
  form.lblStart.setBorderStyle(Look::On);
  form.lblStart.setToolTip("Starts recording");
  form.cmdGo.setCaption("Go");
  form.cmdGo.setEnabled(false);
  form.chkOn.setValue(1);
  form.txtCall.setText("DL1ABC");
  form.txtCall.setLocked(true);
  form.cboDevice.setItems({"default", "plughw:1,0"});
  form.cboDevice.setListIndex(1);
  form.lstFiles.addItem("a.wav");
  form.lstFiles.addItem("b.wav");
  form.lstFiles.setListIndex(0);
  form.sldVolume.setRange(0, 20);
  form.sldVolume.setValue(15);
  form.sldVolume.setVertical(true);
  form.prgLevel.setMax(255);
  form.prgLevel.setValue(128);
  form.fraOptions.setCaption("Options");
  form.picWave.line(0, 0, 2400, 900, rgb(0, 255, 0));
  form.sbrInfo.setPanels({{"ready", "state", 80, false}, {"", "", 120, true}});
  form.show();
  qt.settle();

  auto* label = widget<QLabel>(form.lblStart);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Start");
  EXPECT_EQ(label->geometry(), QRect(10, 10, 100, 20));
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 0, 0));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(label->toolTip(), "Starts recording");

  auto* button = widget<QPushButton>(form.cmdGo);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Go");
  EXPECT_FALSE(button->isEnabled());
  EXPECT_EQ(button->palette().color(QPalette::Button),
            QApplication::palette().color(QPalette::Button))
      << "system colours come from the desktop's palette";
  EXPECT_EQ(button->palette().color(QPalette::Disabled, QPalette::ButtonText),
            QApplication::palette().color(QPalette::Disabled, QPalette::ButtonText))
      << "a disabled button keeps its greyed text";

  EXPECT_TRUE(widget<QCheckBox>(form.chkOn)->isChecked());

  auto* edit = widget<QLineEdit>(form.txtCall);
  EXPECT_EQ(edit->text(), "DL1ABC");
  EXPECT_TRUE(edit->isReadOnly());

  auto* combo = widget<QComboBox>(form.cboDevice);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), "plughw:1,0");
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_EQ(combo->currentText(), "plughw:1,0");

  auto* list = widget<QListWidget>(form.lstFiles);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentRow(), 0);

  auto* slider = widget<QSlider>(form.sldVolume);
  EXPECT_EQ(slider->maximum(), 20);
  EXPECT_EQ(slider->value(), 15);
  EXPECT_EQ(slider->orientation(), Qt::Vertical);

  auto* progress = widget<QProgressBar>(form.prgLevel);
  EXPECT_EQ(progress->maximum(), 255);
  EXPECT_EQ(progress->value(), 128);
  EXPECT_FALSE(progress->isTextVisible());

  auto* frame = widget<QGroupBox>(form.fraOptions);
  EXPECT_EQ(frame->title(), "Options");
  QWidget* inFrame = qt.renderer->widget(form.lblInFrame);
  EXPECT_EQ(inFrame->parentWidget(), frame);
  EXPECT_EQ(inFrame->geometry(), QRect(10, 20, 80, 20)) << "relative to the frame";

  LinePainter* painter = qt.renderer->view(form.picWave)->linePainter();
  ASSERT_EQ(painter->lines().size(), 1u);
  EXPECT_EQ(painter->background(), QColor(0, 0, 0));

  const auto& panels = qt.renderer->view(form.sbrInfo)->panelLabels();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[0]->text(), "ready");
  EXPECT_EQ(panels[0]->toolTip(), "state");
  EXPECT_EQ(panels[0]->width(), 80);
  EXPECT_EQ(panels[1]->x(), 80);
  EXPECT_FALSE(panels[1]->text().isEmpty()) << "the date-time panel fills itself";

  EXPECT_EQ(qt.renderer->view(form.trayIcon)->trayIcon(), nullptr)
      << "no notification area offscreen: no tray icon";
}

TEST_F(RendererTest, LaterChangesReachTheWidgets) {
  form.show();
  qt.settle();
  form.lblStart.setVisible(false);
  form.lblStart.move(300, 450);
  form.fraOptions.setScrollMax(10);
  form.cboDevice.addItem("hw:2");
  form.cboDevice.setText("typed");
  form.lstFiles.addItem("c.wav");
  form.lstFiles.setListIndex(-1);
  qt.settle();

  QWidget* label = qt.renderer->widget(form.lblStart);
  EXPECT_FALSE(label->isVisible());
  EXPECT_EQ(label->pos(), QPoint(20, 30));
  QScrollBar* scroll = qt.renderer->view(form.fraOptions)->scrollBar();
  EXPECT_TRUE(scroll->isVisible());
  EXPECT_EQ(scroll->maximum(), 10);
  auto* combo = widget<QComboBox>(form.cboDevice);
  EXPECT_EQ(combo->count(), 1);
  EXPECT_EQ(combo->currentText(), "typed");
  EXPECT_EQ(widget<QListWidget>(form.lstFiles)->currentRow(), -1);
}

TEST_F(RendererTest, AComboBoxShowsTheBeginningOfALongTextAndAllOfItAsTheTooltip) {
  const std::string longText = "USB Audio Device \u2013 by-path:pci-0000:00:14.0-usb-0:2:1.0,DEV=0";
  form.cboDevice.setItems({"default", longText});
  form.cboDevice.setListIndex(1);
  form.show();
  qt.settle();
  auto* combo = widget<QComboBox>(form.cboDevice);
  QLineEdit* field = combo->lineEdit();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(), QString::fromStdString(longText));
  EXPECT_EQ(field->cursorPosition(), 0) << "the beginning is what shows";
  EXPECT_EQ(field->toolTip(), QString::fromStdString(longText));
  EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString(), QString::fromStdString(longText));

  form.cboDevice.setListIndex(0);
  qt.settle();
  EXPECT_TRUE(field->toolTip().isEmpty()) << "a text that fits leaves the box its own tooltip";
}

TEST_F(RendererTest, ManyWritesInOneTurnCostOneRepaint) {
  form.show();
  qt.settle();
  const int before = qt.renderer->syncCount();
  for (int i = 0; i <= 256; ++i) {
    form.prgLevel.setMax(256);
    form.prgLevel.setValue(i);
  }
  qt.settle();
  EXPECT_EQ(qt.renderer->syncCount(), before + 1);
  EXPECT_EQ(widget<QProgressBar>(form.prgLevel)->value(), 256);

  qt.settle();
  EXPECT_EQ(qt.renderer->syncCount(), before + 1) << "nothing changed, nothing mirrored";
}

TEST_F(RendererTest, FocusRequestMovesTheKeyboardFocus) {
  form.show();
  qt.settle();
  QWidget* window = qt.renderer->window(form);
  window->activateWindow();
  form.txtCall.setFocus();
  qt.settle();
  EXPECT_EQ(window->focusWidget(), qt.renderer->widget(form.txtCall));
}

TEST_F(RendererTest, PointerAndWindowIconComeFromIconFiles) {
  const QString icon = QDir::temp().filePath(QStringLiteral("tonvogel_qt_test_icon.png"));
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  ASSERT_TRUE(pixmap.save(icon));
  form.lblStart.setMouseIcon(toStdString(icon));
  form.cmdGo.setMouseIcon("/nonexistent/pointer.ico");
  form.setIconFile(toStdString(icon));
  form.show();
  qt.settle();
  EXPECT_EQ(qt.renderer->widget(form.lblStart)->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(qt.renderer->widget(form.cmdGo)->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(qt.renderer->window(form)->windowIcon().isNull());

  form.lblStart.setMouseIcon("");
  qt.settle();
  EXPECT_EQ(qt.renderer->widget(form.lblStart)->cursor().shape(), Qt::ArrowCursor);
  QFile::remove(icon);
}

TEST_F(RendererTest, LabelShowsItsPictureAndFallsBackToTheCaptionWithoutIt) {
  const QString flag = QDir::temp().filePath(QStringLiteral("tv_renderer_flag.png"));
  QPixmap pixmap(60, 40);
  pixmap.fill(Qt::red);
  ASSERT_TRUE(pixmap.save(flag));
  form.lblStart.setCaption("DE");
  form.lblStart.setPicture(toStdString(flag));
  form.show();
  qt.settle();
  auto* label = widget<QLabel>(form.lblStart);
  ASSERT_NE(label, nullptr);
  EXPECT_FALSE(label->pixmap().isNull());
  EXPECT_LE(label->pixmap().height(), label->height()) << "scaled into the label";

  form.lblStart.setPicture("/nonexistent/flag.png");
  qt.settle();
  EXPECT_TRUE(label->pixmap().isNull());
  EXPECT_EQ(label->text(), "DE");
  QFile::remove(flag);
}

TEST_F(RendererTest, ADestroyedFormLosesItsWindow) {
  auto extra = std::make_unique<DemoForm>(qt.ui);
  extra->show();
  qt.settle();
  QPointer<QWidget> window = qt.renderer->window(*extra);
  ASSERT_TRUE(window);
  extra.reset();
  form.show();
  qt.settle();
  EXPECT_FALSE(window);
}

}  // namespace
}  // namespace tv::qt
