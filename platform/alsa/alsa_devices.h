#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"
#include "platform/sound.h"

namespace tv {

enum class SoundDirection { input, output };

// One entry of ALSA's device hints.
struct PcmHint {
  std::string name;
  std::string description;  // may span lines
  std::string ioid;         // "Input", "Output", or empty for both
};

// One sink (output) or source (input) of a sound server, which ALSA's pulse PCM reaches
// as pulse:NAME.
struct ServerPort {
  std::string name;
  std::string description;
  // The ALSA card it plays on or records from, where it has one.
  std::optional<int> card;
};

// What opening a PCM told: whether it opens (for an input: with the capture format) and
// whether a sound server stands behind it.
struct PcmProbe {
  bool opens = false;
  bool soundServer = false;
};

// Where the device lists come from: ALSA's hints, the card folders of the system and the
// sound server's sinks and sources. A test hands in its own hints, folders and answers.
struct AlsaDeviceSource {
  std::function<std::vector<PcmHint>()> hints;
  // Links named for the cards' bus paths (pci-0000:00:14.0-usb-0:2:1.0), each to its
  // card's control device (../controlC1).
  std::filesystem::path byPathFolder = "/dev/snd/by-path";
  // Holds cardN/id: each card's current id.
  std::filesystem::path cardsFolder = "/proc/asound";
  std::function<PcmProbe(const std::string& pcm, SoundDirection)> probe;
  // Empty where no sound server answers.
  std::function<std::vector<ServerPort>(SoundDirection)> serverPorts;
};

// The real system's: alsa-lib's hints and probes, /dev/snd and /proc/asound, and the
// sound server's ports where the program is built with libpulse.
AlsaDeviceSource systemDeviceSource();

// The devices a person recognises, by names that stay the same from one start to the
// next: `default`, `pipewire` and `pulse` where they open, each of the sound server's
// sinks and sources as pulse:NAME, and each card as plughw:CARD=ID,DEV=N. The kernel
// numbers two cards of one model Device and Device_1 in the order it finds them, which
// can swap at a boot: such cards are named by their bus path instead,
// by-path:LINK,DEV=N, and resolved to the current id when opened. ALSA's plug-ins that
// are no devices (null, rate converters, jack, oss, mixers) are never offered, nor
// opened to look at them.
class AlsaDevices {
 public:
  explicit AlsaDevices(AlsaDeviceSource source);

  std::vector<SoundDevice> list(SoundDirection direction);

  // The ALSA name that opens the device called `name` now; an error when a card named by
  // its bus path is not there. Other names are ALSA's own and stand as they are.
  Result<std::string> resolve(const std::string& name);

  // The sound server's name for the card behind `name` (pulse:alsa_input.usb-...), where
  // a server has the card: the way to it while the server holds it.
  std::optional<std::string> serverNameFor(const std::string& name, SoundDirection direction);

 private:
  struct Card {
    int number = -1;
    std::string id;
    std::string busPath;  // the by-path link's name; empty without one
  };
  // The cards present now, by number.
  std::map<int, Card> cards() const;
  std::optional<int> cardOf(const std::string& name);

  AlsaDeviceSource source_;
};

}  // namespace tv
