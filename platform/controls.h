#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/colour.h"

namespace tv {

class Form;

// Position and size in twips (15 twips = 1 pixel).
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind {
  Label,
  Button,
  CheckBox,
  EditField,
  ComboBox,
  ListBox,
  Slider,
  ProgressBar,
  Frame,
  DrawingFrame,
  StatusBar,
  TrayIcon,
};

// Looks of a label used as a button; read back as the button's state.
namespace Look {
constexpr int Flat = 0;
constexpr int Raised = 4;
constexpr int Off = 6;
constexpr int On = 7;
}  // namespace Look

namespace MouseButton {
constexpr int Left = 1;
constexpr int Right = 2;
constexpr int Middle = 4;
}  // namespace MouseButton

// One control of a form. Properties are typed fields behind setters; a setter that
// changes a value marks the control dirty, and the renderer mirrors dirty controls once
// per turn of the event loop. The event slots are plain functions that the owning
// subsystem binds to its event procedures; the renderer calls them on user input.
class Control {
 public:
  Control(Form& form, std::string name, ControlKind kind, Rect twips, Control* container);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }
  Form& form() const { return form_; }
  Control* container() const { return container_; }

  int left() const { return rect_.left; }
  int top() const { return rect_.top; }
  int width() const { return rect_.width; }
  int height() const { return rect_.height; }
  const Rect& rect() const { return rect_; }
  void setLeft(int v) { set(rect_.left, v); }
  void setTop(int v) { set(rect_.top, v); }
  void setWidth(int v) { set(rect_.width, v); }
  void setHeight(int v) { set(rect_.height, v); }
  void move(int left, int top) {
    setLeft(left);
    setTop(top);
  }

  bool visible() const { return visible_; }
  void setVisible(bool v) { set(visible_, v); }
  bool enabled() const { return enabled_; }
  void setEnabled(bool v) { set(enabled_, v); }

  const std::string& caption() const { return caption_; }
  void setCaption(std::string v) { set(caption_, std::move(v)); }
  const std::string& toolTip() const { return toolTip_; }
  void setToolTip(std::string v) { set(toolTip_, std::move(v)); }

  Colour backColour() const { return backColour_; }
  void setBackColour(Colour v) { set(backColour_, v); }
  Colour foreColour() const { return foreColour_; }
  void setForeColour(Colour v) { set(foreColour_, v); }

  // Flat, Raised, Off, On for labels used as buttons; 0 or 1 (none, single) elsewhere.
  int borderStyle() const { return borderStyle_; }
  void setBorderStyle(int v) { set(borderStyle_, v); }

  const std::string& fontName() const { return fontName_; }
  int fontSize() const { return fontSize_; }
  bool fontBold() const { return fontBold_; }
  void setFont(std::string name, int size, bool bold = false);

  // Mouse pointer shown over the control: an icon file, or empty for the usual arrow.
  const std::string& mouseIcon() const { return mouseIcon_; }
  void setMouseIcon(std::string path) { set(mouseIcon_, std::move(path)); }

  // Ask the renderer to give this control the keyboard focus.
  void setFocus();
  bool focusRequested() const { return focusRequested_; }

  std::function<void(int button, int shift, int x, int y)> mouseDown;
  std::function<void(int button, int shift, int x, int y)> mouseUp;
  std::function<void(int button, int shift, int x, int y)> mouseMove;
  std::function<void()> click;
  std::function<void()> dblClick;
  std::function<void(int& keyAscii)> keyPress;
  std::function<void()> gotFocus;
  std::function<void()> lostFocus;

  bool dirty() const { return dirty_; }
  void clearDirty() {
    dirty_ = false;
    focusRequested_ = false;
  }

 protected:
  template <class T, class V>
  void set(T& field, V&& value) {
    if (field == value) return;
    field = std::forward<V>(value);
    markDirty();
  }
  void markDirty();

 private:
  Form& form_;
  std::string name_;
  ControlKind kind_;
  Control* container_;
  Rect rect_;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  std::string toolTip_;
  Colour backColour_ = kButtonFace;
  Colour foreColour_ = kButtonText;
  int borderStyle_ = 0;
  std::string fontName_;
  int fontSize_ = 0;
  bool fontBold_ = false;
  std::string mouseIcon_;
  bool dirty_ = true;
  bool focusRequested_ = false;
};

class Label : public Control {
 public:
  Label(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::Label, twips, container) {}

  enum class Align { Left, Right, Centre };
  Align alignment() const { return alignment_; }
  void setAlignment(Align a) { set(alignment_, a); }
  bool wordWrap() const { return wordWrap_; }
  void setWordWrap(bool v) { set(wordWrap_, v); }

  // A label used as a button: pressed is the On look on a coloured background,
  // released the Off look on the button face. The look is read back as the state.
  void showPressed(Colour background) {
    setBackColour(background);
    setBorderStyle(Look::On);
  }
  void showReleased() {
    setBorderStyle(Look::Off);
    setBackColour(kButtonFace);
  }
  // An image file shown in place of the caption (a flag, say); empty for the caption.
  // The caption stays the label's text for tooltips and tests.
  const std::string& picture() const { return picture_; }
  void setPicture(std::string path) { set(picture_, std::move(path)); }

 private:
  Align alignment_ = Align::Left;
  bool wordWrap_ = false;
  std::string picture_;
};

class Button : public Control {
 public:
  Button(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::Button, twips, container) {}
};

class CheckBox : public Control {
 public:
  CheckBox(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::CheckBox, twips, container) {}

  // 0 clear, 1 ticked.
  int value() const { return value_; }
  void setValue(int v) { set(value_, v); }

  // Called by the renderer when the user toggles the box; the mouse-up event arrives
  // before the value changes, as the event procedures expect.
  void userToggle(int button, int shift, int x, int y);

 private:
  int value_ = 0;
};

class EditField : public Control {
 public:
  EditField(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::EditField, twips, container) {
    setBackColour(kWindowBackground);
    setForeColour(kWindowText);
  }

  const std::string& text() const { return text_; }
  void setText(std::string v) { set(text_, std::move(v)); }
  bool locked() const { return locked_; }
  void setLocked(bool v) { set(locked_, v); }

  // The user typed: the model takes the text without echoing it back.
  void userEdited(std::string text);

  std::function<void()> change;

 private:
  std::string text_;
  bool locked_ = false;
};

// Shared by combo and list boxes: items with a number kept beside each.
class ItemList : public Control {
 public:
  using Control::Control;

  int listCount() const { return static_cast<int>(items_.size()); }
  const std::string& item(int index) const;
  std::int64_t itemData(int index) const;
  void setItemData(int index, std::int64_t data);
  const std::vector<std::string>& items() const { return items_; }
  void addItem(std::string text, std::int64_t data = 0);
  void removeItem(int index);
  void clear();
  void setItems(std::vector<std::string> items);

  // -1 when nothing is selected.
  int listIndex() const { return listIndex_; }
  virtual void setListIndex(int index);

  // The user chose an entry.
  virtual void userSelected(int index);

 protected:
  std::vector<std::string> items_;
  std::vector<std::int64_t> data_;
  int listIndex_ = -1;
  std::string empty_;
};

class ComboBox : public ItemList {
 public:
  ComboBox(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : ItemList(form, std::move(name), ControlKind::ComboBox, twips, container) {
    setBackColour(kWindowBackground);
    setForeColour(kWindowText);
  }

  // The text shown in the box; choosing an entry sets it, typing edits it.
  const std::string& text() const { return text_; }
  void setText(std::string v) { set(text_, std::move(v)); }
  void setListIndex(int index) override;
  void userSelected(int index) override;
  void userEdited(std::string text);

  // Fires when the user picks an entry from the list.
  std::function<void()> change;

 private:
  void setTextQuietly(std::string v) { text_ = std::move(v); }
  std::string text_;
};

class ListBox : public ItemList {
 public:
  ListBox(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : ItemList(form, std::move(name), ControlKind::ListBox, twips, container) {
    setBackColour(kWindowBackground);
    setForeColour(kWindowText);
  }
};

class Slider : public Control {
 public:
  Slider(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::Slider, twips, container) {}

  int value() const { return value_; }
  void setValue(int v);
  int min() const { return min_; }
  int max() const { return max_; }
  void setRange(int min, int max);
  bool vertical() const { return vertical_; }
  void setVertical(bool v) { set(vertical_, v); }

  // The user dragged or clicked the slider: value set, then `scroll` fires.
  void userMoved(int value);

  std::function<void()> scroll;

 private:
  int value_ = 0;
  int min_ = 0;
  int max_ = 10;
  bool vertical_ = false;
};

class ProgressBar : public Control {
 public:
  ProgressBar(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::ProgressBar, twips, container) {}

  int value() const { return value_; }
  void setValue(int v);
  int min() const { return min_; }
  int max() const { return max_; }
  void setMax(int v);
  void setMin(int v);
  bool smooth() const { return smooth_; }
  void setSmooth(bool v) { set(smooth_, v); }
  bool vertical() const { return vertical_; }
  void setVertical(bool v) { set(vertical_, v); }

 private:
  int value_ = 0;
  int min_ = 0;
  int max_ = 100;
  bool smooth_ = false;
  bool vertical_ = false;
};

// A frame holds other controls (their positions are relative to it). With a scroll
// range it shows a vertical scroll bar whose position the program reads.
class Frame : public Control {
 public:
  Frame(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::Frame, twips, container) {}

  int scrollMax() const { return scrollMax_; }
  void setScrollMax(int v) { set(scrollMax_, v); }
  int scrollValue() const { return scrollValue_; }
  void userScrolled(int v) { scrollValue_ = v; }

 private:
  int scrollMax_ = 0;
  int scrollValue_ = 0;
};

// A frame the program draws into: a user scale and a list of coloured lines.
class DrawingFrame : public Control {
 public:
  DrawingFrame(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::DrawingFrame, twips, container) {
    setBackColour(rgb(0, 0, 0));
  }

  struct Line {
    double x1, y1, x2, y2;
    Colour colour;
  };
  // Drawing coordinates run from (scaleLeft, scaleTop) at the top left corner over
  // scaleWidth × scaleHeight; by default they are the frame's twips.
  void setScale(double left, double top, double width, double height);
  double scaleLeft() const { return scale_[0]; }
  double scaleTop() const { return scale_[1]; }
  double scaleWidth() const { return scale_[2]; }
  double scaleHeight() const { return scale_[3]; }
  void cls();
  void line(double x1, double y1, double x2, double y2, Colour colour);
  const std::vector<Line>& lines() const { return lines_; }

 private:
  double scale_[4] = {0, 0, 0, 0};
  std::vector<Line> lines_;
};

class StatusBar : public Control {
 public:
  StatusBar(Form& form, std::string name, Rect twips, Control* container = nullptr)
      : Control(form, std::move(name), ControlKind::StatusBar, twips, container) {}

  struct Panel {
    std::string text;
    std::string toolTip;
    int widthPixels = 40;
    bool dateTime = false;  // shows the system date and time itself

    friend bool operator==(const Panel&, const Panel&) = default;
  };
  const std::vector<Panel>& panels() const { return panels_; }
  void setPanels(std::vector<Panel> panels) { set(panels_, std::move(panels)); }
  // 1-based, as the panels are numbered for the user.
  Panel& panel(int number);
  void setPanelText(int number, std::string text);
  void setPanelToolTip(int number, std::string text);

 private:
  std::vector<Panel> panels_;
};

// The notification-area icon. `mouseUp` receives the button released over it and the
// pointer's position on the screen in twips.
class TrayIcon : public Control {
 public:
  TrayIcon(Form& form, std::string name)
      : Control(form, std::move(name), ControlKind::TrayIcon, {}, nullptr) {}

  const std::string& iconFile() const { return iconFile_; }
  void setIconFile(std::string path) { set(iconFile_, std::move(path)); }
  // The tip text is the control's tooltip.

 private:
  std::string iconFile_;
};

}  // namespace tv
