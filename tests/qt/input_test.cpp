#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <string>
#include <vector>

#include "demo_form.h"

namespace tv::qt {
namespace {

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.show();
    qt.settle();
  }

  void record(Control& control) {
    const std::string name = control.name();
    control.mouseDown = [this, name](int b, int s, int x, int y) {
      events.push_back(name + " down " + std::to_string(b) + " " + std::to_string(s) + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    control.mouseUp = [this, name](int b, int s, int x, int y) {
      events.push_back(name + " up " + std::to_string(b) + " " + std::to_string(s) + " " +
                       std::to_string(x) + "," + std::to_string(y));
    };
    control.click = [this, name] { events.push_back(name + " click"); };
    control.dblClick = [this, name] { events.push_back(name + " dblclick"); };
  }

  QWidget* widget(const Control& control) { return qt.renderer->widget(control); }

  QtUi qt;
  DemoForm& form = qt.form;
  std::vector<std::string> events;
};

using Events = std::vector<std::string>;

TEST_F(InputTest, LabelClickReportsButtonShiftAndTwips) {
  record(form.lblStart);
  QTest::mouseClick(widget(form.lblStart), Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
  EXPECT_EQ(events,
            (Events{"lblStart down 1 1 150,75", "lblStart up 1 1 150,75", "lblStart click"}));

  events.clear();
  QTest::mouseClick(widget(form.lblStart), Qt::RightButton, Qt::ControlModifier, QPoint(2, 3));
  EXPECT_EQ(events, (Events{"lblStart down 2 2 30,45", "lblStart up 2 2 30,45"}))
      << "the right button does not click";
}

TEST_F(InputTest, DoubleClickReplacesTheSecondPress) {
  record(form.lblStart);
  // What Qt delivers for a double click: press, release, double-click, release.
  QWidget* label = widget(form.lblStart);
  const QPoint at(1, 1);
  QTest::mousePress(label, Qt::LeftButton, {}, at);
  QTest::mouseRelease(label, Qt::LeftButton, {}, at);
  QMouseEvent second(QEvent::MouseButtonDblClick, at, label->mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, {});
  QApplication::sendEvent(label, &second);
  QTest::mouseRelease(label, Qt::LeftButton, {}, at);
  EXPECT_EQ(events, (Events{"lblStart down 1 0 15,15", "lblStart up 1 0 15,15", "lblStart click",
                            "lblStart dblclick", "lblStart up 1 0 15,15"}));
}

TEST_F(InputTest, ClicksInAFrameBelongToTheControlThere) {
  record(form.lblInFrame);
  record(form.fraOptions);
  bool formClicked = false;
  form.click = [&] { formClicked = true; };
  QTest::mouseClick(widget(form.lblInFrame), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(events,
            (Events{"lblInFrame down 1 0 60,60", "lblInFrame up 1 0 60,60", "lblInFrame click"}));
  EXPECT_FALSE(formClicked);

  events.clear();
  QTest::mouseClick(widget(form.fraOptions), Qt::LeftButton, {}, QPoint(150, 90));
  EXPECT_EQ(events, (Events{"fraOptions down 1 0 2250,1350", "fraOptions up 1 0 2250,1350",
                            "fraOptions click"}));

  QTest::mouseClick(qt.renderer->window(form), Qt::LeftButton, {}, QPoint(395, 150));
  EXPECT_TRUE(formClicked) << "the form's background is the form's";
}

// Marking a stretch in a waveform: press at one point, release at another. The release
// belongs to the pressed frame, in its own twips, even where the pointer has left it.
TEST_F(InputTest, ADragInADrawingFrameReportsBothEndsInItsTwips) {
  record(form.picWave);
  QWidget* wave = widget(form.picWave);
  ASSERT_NE(wave, nullptr);
  QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(100, 20));
  QTest::mouseMove(wave, QPoint(30, 20));
  QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(30, 20));
  QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(10, 20));
  QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(-5, 20));
  EXPECT_EQ(events, (Events{"picWave down 1 0 1500,300", "picWave up 1 0 450,300",
                            "picWave click", "picWave down 1 0 150,300",
                            "picWave up 1 0 -75,300"}))
      << "released outside, the frame is not clicked";
}

TEST_F(InputTest, CheckBoxMouseUpSeesTheOldValueAndClickTheNew) {
  std::vector<int> seen;
  form.chkOn.mouseUp = [&](int button, int, int, int) {
    seen.push_back(button);
    seen.push_back(form.chkOn.value());
  };
  form.chkOn.click = [&] { seen.push_back(form.chkOn.value()); };
  auto* box = static_cast<QCheckBox*>(widget(form.chkOn));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 1}));
  EXPECT_FALSE(box->isChecked()) << "Qt does not toggle by itself";
  qt.settle();
  EXPECT_TRUE(box->isChecked());

  box->setFocus();
  QTest::keyClick(box, Qt::Key_Space);
  EXPECT_EQ(form.chkOn.value(), 1);
  EXPECT_TRUE(box->isChecked()) << "no toggle behind the model's back";

  // A procedure that refuses the change keeps the box as it was.
  form.chkOn.click = [&] { form.chkOn.setValue(1); };
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
  qt.settle();
  EXPECT_EQ(form.chkOn.value(), 1);
  EXPECT_TRUE(box->isChecked());
}

TEST_F(InputTest, ListSelectionIsUpdatedBeforeMouseDown) {
  form.lstFiles.setItems({"a.wav", "b.wav", "c.wav"});
  qt.settle();
  int indexAtMouseDown = -2;
  form.lstFiles.mouseDown = [&](int, int, int, int) {
    indexAtMouseDown = form.lstFiles.listIndex();
  };
  int clicks = 0;
  form.lstFiles.click = [&] { ++clicks; };
  auto* list = static_cast<QListWidget*>(widget(form.lstFiles));
  const QRect second = list->visualItemRect(list->item(1));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(indexAtMouseDown, 1);
  EXPECT_EQ(form.lstFiles.listIndex(), 1);
  EXPECT_EQ(clicks, 1);

  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(form.lstFiles.listIndex(), 2) << "keyboard choices reach the model too";
}

TEST_F(InputTest, TypingReachesTheModelAndKeyPressMaySwallowOrReplace) {
  int changes = 0;
  form.txtCall.change = [&] { ++changes; };
  form.txtCall.keyPress = [](int& key) {
    if (key == 'x') key = 0;
    if (key >= 'a' && key <= 'z') key = key - 'a' + 'A';
  };
  auto* edit = static_cast<QLineEdit*>(widget(form.txtCall));
  edit->setFocus();
  QTest::keyClicks(edit, "dlx1");
  EXPECT_EQ(form.txtCall.text(), "DL1");
  EXPECT_EQ(edit->text(), "DL1");
  EXPECT_EQ(changes, 3);

  std::vector<int> keys;
  form.txtCall.keyPress = [&](int& key) { keys.push_back(key); };
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Left);
  EXPECT_EQ(keys, (std::vector<int>{8, 13}));
  EXPECT_EQ(form.txtCall.text(), "DL");
}

TEST_F(InputTest, ComboBoxPickAndTyping) {
  form.cboDevice.setItems({"default", "plughw:1,0"});
  qt.settle();
  std::vector<std::string> seen;
  form.cboDevice.change = [&] { seen.push_back(form.cboDevice.text()); };
  auto* combo = static_cast<QComboBox*>(widget(form.cboDevice));
  emit combo->activated(1);
  EXPECT_EQ(form.cboDevice.listIndex(), 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"plughw:1,0"}));

  int typed = 0;
  form.cboDevice.keyPress = [&](int& key) {
    ++typed;
    if (key == '#') key = 0;
  };
  combo->setFocus();
  combo->lineEdit()->clear();
  QTest::keyClicks(combo, "hw#2");
  EXPECT_EQ(typed, 4);
  EXPECT_EQ(form.cboDevice.text(), "hw2");
  EXPECT_EQ(combo->count(), 2) << "typing never adds entries";
}

TEST_F(InputTest, SliderMovedByTheUserFiresScroll) {
  form.sldVolume.setRange(0, 10);
  qt.settle();
  int scrolls = 0;
  form.sldVolume.scroll = [&] { ++scrolls; };
  auto* slider = static_cast<QSlider*>(widget(form.sldVolume));
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(form.sldVolume.value(), 1);
  EXPECT_EQ(scrolls, 1);

  form.sldVolume.setValue(5);
  qt.settle();
  EXPECT_EQ(slider->value(), 5);
  EXPECT_EQ(scrolls, 1) << "the program's own change is not the user's";
}

TEST_F(InputTest, CloseBoxAsksTheModel) {
  bool refuse = true;
  int asked = 0;
  form.close = [&](bool& cancel) {
    ++asked;
    cancel = refuse;
  };
  QWidget* window = qt.renderer->window(form);
  window->close();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(form.visible());

  refuse = false;
  window->close();
  EXPECT_FALSE(form.visible());
  EXPECT_FALSE(window->isVisible()) << "hidden at once, not a turn later";
}

TEST_F(InputTest, UserResizeIsReportedButTheProgramsOwnIsNot) {
  form.setSizable(true);
  qt.settle();
  int resizes = 0;
  form.resize = [&] { ++resizes; };
  form.setWidth(7500);
  qt.settle();
  QWidget* window = qt.renderer->window(form);
  EXPECT_EQ(window->width(), 500);
  EXPECT_EQ(resizes, 0);

  window->resize(420, 300);
  qt.settle();
  EXPECT_EQ(resizes, 1);
  EXPECT_EQ(form.width(), 6300);
  EXPECT_EQ(form.height(), 4500);

  int moves = 0;
  form.moved = [&] { ++moves; };
  window->move(200, 150);
  qt.settle();
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(form.left(), 3000);
  EXPECT_EQ(form.top(), 2250);
}

}  // namespace
}  // namespace tv::qt
