#pragma once

#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/sound.h"
#include "texts/language.h"

namespace tv {

// A settings box of sound devices. Each is offered by what a person recognises
// ("USB Audio Device – plughw:CARD=Device,DEV=0", "Default (desktop sound)") while the
// settings keep its name. A stored name the box does not offer now (a card unplugged, a
// server not yet started) stands in the box as it is and is kept; a name typed into the
// box is taken as it is.
class DeviceBox {
 public:
  explicit DeviceBox(ComboBox& box) : box_(box) {}

  // Offers `devices` and shows `stored`. `none` is shown when there is nothing to offer
  // and nothing stored.
  void fill(std::vector<SoundDevice> devices, Language language, const std::string& stored,
            const std::string& none = {});
  // Shows the device called `stored` (empty: the first offered), as the settings line
  // has just been read; the box holds no choice of the user's now.
  void show(const std::string& stored);
  // The words of the two defaults in another language, the choice kept.
  void relabel(Language language);

  // The name of the device the box shows: the one the user picked or typed since the
  // last show, otherwise `stored`.
  std::string chosen(const std::string& stored) const;
  const std::vector<SoundDevice>& offered() const { return offered_; }

  static std::string text(const SoundDevice& device, Language language);

 private:
  ComboBox& box_;
  std::vector<SoundDevice> offered_;
  Language language_ = Language::German;
  std::string none_;
  // What show() put into the box: the user has changed nothing while it stands there.
  std::string shown_;
};

}  // namespace tv
