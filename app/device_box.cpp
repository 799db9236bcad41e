#include "app/device_box.h"

#include "app/numbers.h"
#include "texts/own_texts.h"

namespace tv {

std::string DeviceBox::text(const SoundDevice& device, Language language) {
  switch (device.kind) {
    case SoundDevice::Kind::desktopDefault:
      return std::string(ownText(OwnText::DefaultDesktopSound, language));
    case SoundDevice::Kind::firstCardDefault:
      return std::string(ownText(OwnText::DefaultFirstCard, language));
    case SoundDevice::Kind::device:
      break;
  }
  const std::string description = trim(device.description);
  if (description.empty() || description == device.name) return device.name;
  return description + " \u2013 " + device.name;
}

void DeviceBox::fill(std::vector<SoundDevice> devices, Language language, const std::string& stored,
                     const std::string& none) {
  offered_ = std::move(devices);
  none_ = none;
  language_ = language;
  std::vector<std::string> items;
  for (const SoundDevice& device : offered_) items.push_back(text(device, language));
  box_.setItems(std::move(items));
  show(stored);
}

void DeviceBox::show(const std::string& stored) {
  int index = stored.empty() && !offered_.empty() ? 0 : -1;
  for (std::size_t i = 0; i < offered_.size(); ++i)
    if (offered_[i].name == stored) index = static_cast<int>(i);
  box_.setListIndex(index);
  if (index < 0) box_.setText(stored.empty() ? none_ : stored);
  shown_ = box_.text();
}

void DeviceBox::relabel(Language language) {
  if (language == language_) return;
  const int index = box_.listIndex();
  const bool untouched = box_.text() == shown_;
  const bool showsEntry = index >= 0 && box_.text() == box_.item(index);
  language_ = language;
  std::vector<std::string> items;
  for (const SoundDevice& device : offered_) items.push_back(text(device, language));
  const std::string typed = box_.text();
  box_.setItems(std::move(items));
  box_.setListIndex(index);
  if (!showsEntry) box_.setText(typed);
  if (untouched) shown_ = box_.text();
}

std::string DeviceBox::chosen(const std::string& stored) const {
  const std::string& now = box_.text();
  if (now == shown_) return stored;
  for (int i = 0; i < box_.listCount(); ++i)
    if (box_.item(i) == now) return offered_[static_cast<std::size_t>(i)].name;
  const std::string typed = trim(now);
  return typed.empty() ? stored : typed;
}

}  // namespace tv
