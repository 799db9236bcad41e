#include "platform/controls.h"

#include <algorithm>

#include "platform/form.h"

namespace tv {

Control::Control(Form& form, std::string name, ControlKind kind, Rect twips, Control* container)
    : form_(form), name_(std::move(name)), kind_(kind), container_(container), rect_(twips) {
  form_.add(this);
}

void Control::markDirty() {
  dirty_ = true;
  form_.markDirty();
}

void Control::setFont(std::string name, int size, bool bold) {
  set(fontName_, std::move(name));
  set(fontSize_, size);
  set(fontBold_, bold);
}

void Control::setFocus() {
  focusRequested_ = true;
  markDirty();
}

void CheckBox::userToggle(int button, int shift, int x, int y) {
  if (mouseUp) mouseUp(button, shift, x, y);
  setValue(value_ == 1 ? 0 : 1);
  if (click) click();
}

void EditField::userEdited(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (change) change();
}

const std::string& ItemList::item(int index) const {
  if (index < 0 || index >= listCount()) return empty_;
  return items_[static_cast<size_t>(index)];
}

std::int64_t ItemList::itemData(int index) const {
  if (index < 0 || index >= listCount()) return 0;
  return data_[static_cast<size_t>(index)];
}

void ItemList::setItemData(int index, std::int64_t data) {
  if (index < 0 || index >= listCount()) return;
  data_[static_cast<size_t>(index)] = data;
}

void ItemList::addItem(std::string text, std::int64_t data) {
  items_.push_back(std::move(text));
  data_.push_back(data);
  markDirty();
}

void ItemList::removeItem(int index) {
  if (index < 0 || index >= listCount()) return;
  items_.erase(items_.begin() + index);
  data_.erase(data_.begin() + index);
  if (listIndex_ >= listCount()) listIndex_ = listCount() - 1;
  markDirty();
}

void ItemList::clear() {
  if (items_.empty() && listIndex_ == -1) return;
  items_.clear();
  data_.clear();
  listIndex_ = -1;
  markDirty();
}

void ItemList::setItems(std::vector<std::string> items) {
  items_ = std::move(items);
  data_.assign(items_.size(), 0);
  listIndex_ = -1;
  markDirty();
}

void ItemList::setListIndex(int index) {
  if (index < -1 || index >= listCount()) index = -1;
  set(listIndex_, index);
}

void ItemList::userSelected(int index) {
  if (index < -1 || index >= listCount()) return;
  listIndex_ = index;
  if (click) click();
}

void ComboBox::setListIndex(int index) {
  ItemList::setListIndex(index);
  if (listIndex() >= 0) setText(item(listIndex()));
}

void ComboBox::userSelected(int index) {
  if (index < -1 || index >= listCount()) return;
  listIndex_ = index;
  if (index >= 0) setText(item(index));
  if (click) click();
  if (change) change();
}

void ComboBox::userEdited(std::string text) {
  if (text == this->text()) return;
  // Typing must not echo back into the box, so the field is written without marking.
  setTextQuietly(std::move(text));
}

void Slider::setValue(int v) { set(value_, std::clamp(v, min_, std::max(min_, max_))); }

void Slider::setRange(int min, int max) {
  set(min_, min);
  set(max_, max);
  setValue(value_);
}

void Slider::userMoved(int value) {
  value = std::clamp(value, min_, std::max(min_, max_));
  if (value == value_) return;
  value_ = value;
  if (scroll) scroll();
}

void ProgressBar::setValue(int v) { set(value_, std::clamp(v, min_, std::max(min_, max_))); }
void ProgressBar::setMax(int v) {
  set(max_, v);
  setValue(value_);
}
void ProgressBar::setMin(int v) {
  set(min_, v);
  setValue(value_);
}

void DrawingFrame::setScale(double left, double top, double width, double height) {
  scale_[0] = left;
  scale_[1] = top;
  scale_[2] = width;
  scale_[3] = height;
  markDirty();
}

void DrawingFrame::cls() {
  lines_.clear();
  markDirty();
}

void DrawingFrame::line(double x1, double y1, double x2, double y2, Colour colour) {
  lines_.push_back({x1, y1, x2, y2, colour});
  markDirty();
}

StatusBar::Panel& StatusBar::panel(int number) {
  if (number < 1) number = 1;
  if (static_cast<size_t>(number) > panels_.size()) panels_.resize(static_cast<size_t>(number));
  markDirty();
  return panels_[static_cast<size_t>(number - 1)];
}

void StatusBar::setPanelText(int number, std::string text) {
  if (number >= 1 && static_cast<size_t>(number) <= panels_.size() &&
      panels_[static_cast<size_t>(number - 1)].text == text)
    return;
  panel(number).text = std::move(text);
}

void StatusBar::setPanelToolTip(int number, std::string text) {
  if (number >= 1 && static_cast<size_t>(number) <= panels_.size() &&
      panels_[static_cast<size_t>(number - 1)].toolTip == text)
    return;
  panel(number).toolTip = std::move(text);
}

}  // namespace tv
