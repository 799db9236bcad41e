#include "platform/alsa/alsa_devices.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <set>
#include <system_error>

#include "platform/alsa/alsa_pcm.h"
#include "platform/alsa/server_ports.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kByPath = "by-path:";
constexpr std::string_view kPlughw = "plughw:CARD=";
// The names besides the cards that stand for a device a person may choose.
constexpr std::string_view kSoundServers[] = {"pipewire", "pulse"};

bool fits(const PcmHint& hint, SoundDirection direction) {
  return hint.ioid != (direction == SoundDirection::input ? "Output" : "Input");
}

std::string firstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  const auto first = line.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

std::optional<int> number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

// "ID,DEV=N" after the prefix of a card's PCM name.
struct CardPcm {
  std::string id;
  std::string device;
};
std::optional<CardPcm> cardPcm(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return std::nullopt;
  name.remove_prefix(prefix.size());
  const auto comma = name.find(",DEV=");
  if (comma == std::string_view::npos || comma == 0) return std::nullopt;
  return CardPcm{std::string(name.substr(0, comma)), std::string(name.substr(comma + 5))};
}

// The kernel makes an id unique by appending _1, _2, ...: the id it started from.
std::string baseId(const std::string& id) {
  const auto underscore = id.rfind('_');
  if (underscore == std::string::npos || underscore + 1 == id.size()) return id;
  const bool digits = std::all_of(id.begin() + static_cast<long>(underscore) + 1, id.end(),
                                  [](unsigned char c) { return std::isdigit(c) != 0; });
  return digits ? id.substr(0, underscore) : id;
}

std::string readId(const fs::path& file) {
  std::ifstream in(file);
  std::string id;
  std::getline(in, id);
  while (!id.empty() && std::isspace(static_cast<unsigned char>(id.back()))) id.pop_back();
  return id;
}

// The card of a control device link's target ("../controlC1").
std::optional<int> controlCard(const fs::path& target) {
  const std::string file = target.filename().string();
  if (!file.starts_with("controlC")) return std::nullopt;
  return number(std::string_view(file).substr(8));
}

std::string hintText(void* hint, const char* field) {
  char* raw = snd_device_name_get_hint(hint, field);
  if (!raw) return {};
  std::string text(raw);
  std::free(raw);
  return text;
}

std::vector<PcmHint> systemHints() {
  std::vector<PcmHint> hints;
  void** list = nullptr;
  if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list) return hints;
  for (void** entry = list; *entry; ++entry) {
    PcmHint hint{hintText(*entry, "NAME"), hintText(*entry, "DESC"), hintText(*entry, "IOID")};
    if (!hint.name.empty()) hints.push_back(std::move(hint));
  }
  snd_device_name_free_hint(list);
  return hints;
}

PcmProbe probePcm(const std::string& name, SoundDirection direction) {
  PcmProbe probe;
  if (direction == SoundDirection::input) {
    probe.opens = takesMeterCapture(name);
    if (!probe.opens) return probe;
  }
  snd_pcm_t* raw = nullptr;
  const auto stream =
      direction == SoundDirection::input ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
  if (snd_pcm_open(&raw, name.c_str(), stream, SND_PCM_NONBLOCK) < 0) return {};
  PcmHandle pcm(raw);
  probe.opens = true;
  // PulseAudio and PipeWire are reached through an I/O plug-in; a card through hw or plug.
  probe.soundServer = snd_pcm_type(raw) == SND_PCM_TYPE_IOPLUG;
  return probe;
}

}  // namespace

AlsaDeviceSource systemDeviceSource() {
  AlsaDeviceSource source;
  source.hints = systemHints;
  source.probe = probePcm;
  source.serverPorts = [](SoundDirection direction) {
    return listServerPorts(direction == SoundDirection::input);
  };
  return source;
}

AlsaDevices::AlsaDevices(AlsaDeviceSource source) : source_(std::move(source)) {}

std::map<int, AlsaDevices::Card> AlsaDevices::cards() const {
  std::map<int, Card> found;
  std::error_code ec;
  for (fs::directory_iterator it(source_.cardsFolder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (!file.starts_with("card")) continue;
    const auto card = number(std::string_view(file).substr(4));
    if (!card) continue;
    const std::string id = readId(it->path() / "id");
    if (!id.empty()) found[*card] = Card{*card, id, {}};
  }
  for (fs::directory_iterator it(source_.byPathFolder, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code linkError;
    const auto card = controlCard(fs::read_symlink(it->path(), linkError));
    if (!linkError && card && found.contains(*card))
      found[*card].busPath = it->path().filename().string();
  }
  return found;
}

std::vector<SoundDevice> AlsaDevices::list(SoundDirection direction) {
  std::vector<SoundDevice> devices;
  const std::vector<PcmHint> hints = source_.hints ? source_.hints() : std::vector<PcmHint>{};
  const auto probe = [&](const std::string& name) {
    return source_.probe ? source_.probe(name, direction) : PcmProbe{};
  };

  // `default` whether or not a hint names it; a machine without sound has none.
  if (const PcmProbe standard = probe("default"); standard.opens) {
    devices.push_back({"default", "",
                       standard.soundServer ? SoundDevice::Kind::desktopDefault
                                            : SoundDevice::Kind::firstCardDefault});
  }
  bool serverPcm = false;
  for (std::string_view server : kSoundServers) {
    const auto hint = std::find_if(hints.begin(), hints.end(), [&](const PcmHint& h) {
      return h.name == server && fits(h, direction);
    });
    if (hint == hints.end() || !probe(hint->name).opens) continue;
    devices.push_back({hint->name, firstLine(hint->description)});
    if (server == "pulse") serverPcm = true;
  }
  // The server's sinks and sources are reached through ALSA's pulse PCM only.
  if (serverPcm && source_.serverPorts) {
    for (const ServerPort& port : source_.serverPorts(direction))
      devices.push_back({"pulse:" + port.name, port.description});
  }

  const std::map<int, Card> present = cards();
  std::map<std::string, int> sameModel;
  for (const auto& [number, card] : present) ++sameModel[baseId(card.id)];
  std::map<std::string, int> pcmsOfCard;
  for (const PcmHint& hint : hints)
    if (const auto pcm = cardPcm(hint.name, kPlughw); pcm && fits(hint, direction))
      ++pcmsOfCard[pcm->id];
  for (const PcmHint& hint : hints) {
    const auto pcm = cardPcm(hint.name, kPlughw);
    if (!pcm || !fits(hint, direction)) continue;
    // "USB Audio Device, USB Audio": the card, then the device, needed only where the
    // card has more than one.
    std::string description = firstLine(hint.description);
    if (pcmsOfCard[pcm->id] == 1) description = description.substr(0, description.find(", "));
    std::string name = hint.name;
    const auto card = std::find_if(present.begin(), present.end(),
                                   [&](const auto& entry) { return entry.second.id == pcm->id; });
    if (card != present.end() && !card->second.busPath.empty() && sameModel[baseId(pcm->id)] > 1) {
      name = std::string(kByPath) + card->second.busPath + ",DEV=" + pcm->device;
    }
    devices.push_back({name, description});
  }
  return devices;
}

Result<std::string> AlsaDevices::resolve(const std::string& name) {
  const auto pcm = cardPcm(name, kByPath);
  if (!pcm) return name;
  std::error_code ec;
  const auto card = controlCard(fs::read_symlink(source_.byPathFolder / pcm->id, ec));
  const std::string id = card && !ec
                             ? readId(source_.cardsFolder / ("card" + std::to_string(*card)) / "id")
                             : std::string();
  if (id.empty()) return failure("no sound card is plugged in at " + pcm->id);
  return std::string(kPlughw) + id + ",DEV=" + pcm->device;
}

std::optional<int> AlsaDevices::cardOf(const std::string& name) {
  const auto resolved = resolve(name);
  if (!resolved) return std::nullopt;
  const std::string& pcm = *resolved;
  std::string card;
  if (const auto at = pcm.find("CARD="); at != std::string::npos) {
    card = pcm.substr(at + 5, pcm.find(',', at) - (at + 5));
  } else if (const auto colon = pcm.find(':');
             colon != std::string::npos && (pcm.starts_with("hw") || pcm.starts_with("plughw"))) {
    card = pcm.substr(colon + 1, pcm.find(',', colon) - (colon + 1));
  } else {
    return std::nullopt;
  }
  if (const auto byNumber = number(card)) return byNumber;
  for (const auto& [number, present] : cards())
    if (present.id == card) return number;
  return std::nullopt;
}

std::optional<std::string> AlsaDevices::serverNameFor(const std::string& name,
                                                      SoundDirection direction) {
  const auto card = cardOf(name);
  if (!card || !source_.serverPorts) return std::nullopt;
  for (const ServerPort& port : source_.serverPorts(direction))
    if (port.card == card) return "pulse:" + port.name;
  return std::nullopt;
}

}  // namespace tv
