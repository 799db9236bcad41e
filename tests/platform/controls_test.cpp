#include "platform/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"
#include "tests/support/scripted_services.h"
#include "tests/support/virtual_clock.h"
#include "tests/support/virtual_loop.h"

namespace tv::test {
namespace {

struct ControlsTest : testing::Test {
  ControlsTest() {
    ui.repaintNeeded = [this] { ++repaints; };
    settle();
  }

  // What the renderer does after mirroring a turn's changes.
  void settle() {
    for (Control* c : form.controls()) c->clearDirty();
    form.clearDirty();
    ui.clearAnyDirty();
  }

  VirtualClock clock;
  VirtualLoop loop{clock};
  ScriptedServices services;
  Ui ui{clock, loop, services};
  Form form{ui, "frm_Test", {0, 0, 3000, 3000}};
  Label label{form, "lbl", {0, 0, 900, 255}};
  CheckBox box{form, "chk", {0, 300, 900, 255}};
  EditField field{form, "ed", {0, 600, 900, 255}};
  ListBox list{form, "lb", {0, 900, 900, 900}};
  ComboBox combo{form, "cb", {0, 1800, 900, 300}};
  int repaints = 0;
};

TEST_F(ControlsTest, SettingTheSameValueMarksNothing) {
  label.setCaption(label.caption());
  label.setLeft(label.left());
  label.setVisible(label.visible());
  form.setHeight(form.height());
  list.setListIndex(list.listIndex());
  EXPECT_FALSE(label.dirty());
  EXPECT_FALSE(form.dirty());
  EXPECT_FALSE(ui.anythingDirty());
  EXPECT_EQ(repaints, 0);
}

TEST_F(ControlsTest, ChangesMarkTheControlAndAskForOneRepaintPerBatch) {
  label.setCaption("Datei");
  label.setLeft(60);
  box.setValue(1);
  EXPECT_TRUE(label.dirty());
  EXPECT_TRUE(box.dirty());
  EXPECT_FALSE(field.dirty());
  EXPECT_TRUE(ui.anythingDirty());
  EXPECT_EQ(repaints, 1);

  settle();
  for (int i = 0; i < 257; ++i) label.setCaption(std::to_string(i));
  EXPECT_EQ(repaints, 2);
}

TEST_F(ControlsTest, UserEditIsTakenWithoutEchoAndReportedOnce) {
  int changes = 0;
  field.change = [&] { ++changes; };
  field.userEdited("DB0XYZ");
  field.userEdited("DB0XYZ");
  EXPECT_EQ(field.text(), "DB0XYZ");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(field.dirty());

  combo.userEdited("5");
  EXPECT_EQ(combo.text(), "5");
  EXPECT_FALSE(combo.dirty());
}

TEST_F(ControlsTest, CheckBoxMouseUpSeesTheOldValueAndClickTheNew) {
  std::vector<std::string> seen;
  box.mouseUp = [&](int button, int, int, int) {
    seen.push_back("up " + std::to_string(button) + " " + std::to_string(box.value()));
  };
  box.click = [&] { seen.push_back("click " + std::to_string(box.value())); };
  box.userToggle(MouseButton::Left, 0, 0, 0);
  box.userToggle(MouseButton::Left, 0, 0, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"up 1 0", "click 1", "up 1 1", "click 0"}));
}

TEST_F(ControlsTest, ListSelectionStaysWithinTheItems) {
  list.setItems({"a", "b", "c"});
  list.setListIndex(2);
  EXPECT_EQ(list.listIndex(), 2);
  list.setListIndex(3);
  EXPECT_EQ(list.listIndex(), -1);
  list.setListIndex(-7);
  EXPECT_EQ(list.listIndex(), -1);
  EXPECT_EQ(list.item(3), "");
  EXPECT_EQ(list.item(-1), "");

  list.setListIndex(2);
  list.removeItem(2);  // the selected entry goes: the selection must not point past the end
  EXPECT_LT(list.listIndex(), list.listCount());

  int clicks = 0;
  list.click = [&] { ++clicks; };
  const int selected = list.listIndex();
  list.userSelected(5);
  EXPECT_EQ(list.listIndex(), selected);
  EXPECT_EQ(clicks, 0);

  list.clear();
  EXPECT_EQ(list.listCount(), 0);
  EXPECT_EQ(list.listIndex(), -1);
}

TEST_F(ControlsTest, ComboBoxSelectionSetsItsText) {
  combo.setItems({"DL", "GB"});
  combo.setListIndex(1);
  EXPECT_EQ(combo.text(), "GB");

  std::vector<std::string> events;
  combo.click = [&] { events.push_back("click " + combo.text()); };
  combo.change = [&] { events.push_back("change"); };
  combo.userSelected(0);
  EXPECT_EQ(combo.listIndex(), 0);
  EXPECT_EQ(events, (std::vector<std::string>{"click DL", "change"}));
}

}  // namespace
}  // namespace tv::test
