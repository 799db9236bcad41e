#include "app/settings_values.h"

#include <array>
#include <cctype>
#include <utility>
#include <vector>

#include "app/numbers.h"

namespace tv {
namespace {

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> found;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) found.push_back(text.substr(start, i - start));
  }
  return found;
}

constexpr std::array<std::pair<KeyingMethod, std::string_view>, 4> kKeyingMethods{{
    {KeyingMethod::Serial, "serial"},
    {KeyingMethod::Rigctld, "rigctld"},
    {KeyingMethod::Cm108, "cm108"},
    {KeyingMethod::None, "none"},
}};

constexpr std::array<std::pair<ArchiveFormat, std::string_view>, 4> kArchiveFormats{{
    {ArchiveFormat::Wav, "wav"},
    {ArchiveFormat::Flac, "flac"},
    {ArchiveFormat::Opus, "opus"},
    {ArchiveFormat::Mp3, "mp3"},
}};

constexpr int kDefaultRigctldPort = 4532;
constexpr int kDefaultCm108Gpio = 3;

}  // namespace

std::string plainLine(std::string_view line) {
  std::string text = trim(line);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return {};
  }
  return text;
}

bool isWindowsPath(std::string_view folder) {
  const std::string text = trim(folder);
  const bool driveLetter =
      text.size() >= 2 && text[1] == ':' &&
      ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
  return driveLetter || text.find('\\') != std::string::npos;
}

std::string recordingsFolderFor(std::string_view fieldText, const std::string& programFolder) {
  return isWindowsPath(fieldText) ? programFolder : trim(fieldText);
}

std::optional<long long> wholeNumber(std::string_view text, long long largest) {
  const std::string digits = trim(text);
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    // Past the largest the value stays there, so no count of digits can overflow it.
    if (value < largest) value = std::min(largest, value * 10 + (c - '0'));
  }
  return std::min(value, largest);
}

std::string txOutputFromLine(std::string_view line) {
  std::string name = plainLine(line);
  return name.empty() ? std::string("default") : name;
}

std::optional<KeyingMethod> keyingMethodNamed(std::string_view name) {
  for (const auto& [method, word] : kKeyingMethods)
    if (sameWord(trim(name), word)) return method;
  return std::nullopt;
}

std::string_view keyingMethodName(KeyingMethod method) {
  for (const auto& [known, word] : kKeyingMethods)
    if (known == method) return word;
  return kKeyingMethods[0].second;
}

int defaultTxDelayMs(KeyingMethod method) {
  return method == KeyingMethod::Rigctld ? 150 : 0;
}

std::optional<int> pttCommandNamed(std::string_view name) {
  const std::string word = trim(name);
  if (sameWord(word, "T1")) return 1;
  if (sameWord(word, "T3")) return 3;
  return std::nullopt;
}

std::string pttCommandName(int command) {
  return command == 3 ? "T3" : "T1";
}

KeyingLine keyingFromLine(std::string_view line) {
  const std::string text = plainLine(line);
  const std::vector<std::string_view> parts = words(text);
  KeyingLine keying;
  if (!parts.empty()) keying.method = keyingMethodNamed(parts[0]).value_or(KeyingMethod::Serial);
  keying.txDelayMs = defaultTxDelayMs(keying.method);
  // The delay may be left out before the PTT command ("rigctld T3").
  std::size_t next = 1;
  if (next < parts.size() && !pttCommandNamed(parts[next])) {
    if (const auto delay = wholeNumber(parts[next], kLongestTxDelayMs))
      keying.txDelayMs = static_cast<int>(*delay);
    ++next;
  }
  if (next < parts.size()) keying.pttCommand = pttCommandNamed(parts[next]).value_or(1);
  return keying;
}

std::string keyingLineText(const KeyingLine& keying) {
  std::string text(keyingMethodName(keying.method));
  text += " " + std::to_string(keying.txDelayMs);
  if (keying.method == KeyingMethod::Rigctld || keying.pttCommand == 3)
    text += " " + pttCommandName(keying.pttCommand);
  return text;
}

std::string rigctldAddressFromLine(std::string_view line) {
  const std::string text = plainLine(line);
  const std::string fallback(kDefaultRigctldAddress);
  if (text.empty() || text.find(' ') != std::string::npos) return fallback;
  std::string host = text;
  int port = kDefaultRigctldPort;
  const std::size_t colon = text.rfind(':');
  const bool bracketed = text.front() == '[';
  if (colon != std::string::npos && !(bracketed && colon < text.rfind(']'))) {
    host = text.substr(0, colon);
    const auto number = wholeNumber(std::string_view(text).substr(colon + 1), 65536);
    if (!number || *number < 1 || *number > 65535) return fallback;
    port = static_cast<int>(*number);
  }
  // An IPv6 address needs its brackets, or its last group would be taken for the port.
  if (!bracketed && host.find(':') != std::string::npos) return fallback;
  if (bracketed && host.back() != ']') return fallback;
  if (host.empty()) host = "localhost";
  return host + ":" + std::to_string(port);
}

Cm108Line cm108FromLine(std::string_view line) {
  Cm108Line cm108{{}, kDefaultCm108Gpio};
  std::string text = plainLine(line);
  const std::size_t blank = text.rfind(' ');
  const std::string last = blank == std::string::npos ? text : text.substr(blank + 1);
  // A GPIO written with a sign is still the GPIO, only not one the interface has.
  const bool signedNumber = last.size() > 1 && (last[0] == '-' || last[0] == '+');
  const auto number = wholeNumber(signedNumber ? last.substr(1) : last, 1000);
  if (number) {
    if (!signedNumber && *number >= 1 && *number <= 8) cm108.gpio = static_cast<int>(*number);
    text = blank == std::string::npos ? std::string() : trim(text.substr(0, blank));
  }
  cm108.interface = text;
  return cm108;
}

int busyWaitFromLine(std::string_view line) {
  return static_cast<int>(
      wholeNumber(plainLine(line), kLongestBusyWaitSeconds).value_or(kDefaultBusyWaitSeconds));
}

ArchiveFormat archiveFormatFromLine(std::string_view line) {
  const std::string text = plainLine(line);
  for (const auto& [format, word] : kArchiveFormats)
    if (sameWord(text, word)) return format;
  return ArchiveFormat::Wav;
}

std::string_view archiveFormatName(ArchiveFormat format) {
  for (const auto& [known, word] : kArchiveFormats)
    if (known == format) return word;
  return kArchiveFormats[0].second;
}

std::int64_t archiveCapFromLine(std::string_view line) {
  return wholeNumber(plainLine(line), kLargestArchiveCapMb).value_or(0);
}

}  // namespace tv
