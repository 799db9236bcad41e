#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/archive_format.h"
#include "app/keying_method.h"

namespace tv {

// The values of the settings lines after the original layout. Files without these lines
// are complete, so each reader gives its default for a line that is missing, empty or
// unreadable, and none of them ever makes a file corrupt. The writers give the one form
// save stores, which its reader takes back unchanged.

// The line without blanks at its ends; empty when a control character stands inside it (a
// stray CR of a file edited by hand), which would otherwise end up in a device name or a
// command.
std::string plainLine(std::string_view line);

// Whether a recordings folder is one the Windows program stored: a drive letter
// ("C:\Funk") or backslashes. Taken as it stands it would be a relative name here.
bool isWindowsPath(std::string_view folder);

// The folder recordings go to for the text of the recordings folder field: the trimmed
// text, or the program folder in place of a folder of the Windows program.
std::string recordingsFolderFor(std::string_view fieldText, const std::string& programFolder);

// A whole number written with digits only, blanks around it allowed; none for a sign, a
// point or text. More than `largest` gives `largest`, however many digits it has.
std::optional<long long> wholeNumber(std::string_view text, long long largest);

// The transmit output: an ALSA device name; empty gives "default".
std::string txOutputFromLine(std::string_view line);

// The keying line "METHOD [TXDELAY_MS] [T1|T3]".
struct KeyingLine {
  KeyingMethod method = KeyingMethod::Serial;
  int txDelayMs = 0;
  // rigctld's PTT command: T1 keys the transmitter, T3 keys it with the data port's audio.
  int pttCommand = 1;
};
inline constexpr int kLongestTxDelayMs = 10'000;
std::optional<KeyingMethod> keyingMethodNamed(std::string_view name);
std::string_view keyingMethodName(KeyingMethod method);
// rigctld answers over the network and the radio switches relays after it: its sound
// waits 150 ms; the other methods key at once.
int defaultTxDelayMs(KeyingMethod method);
// "T1" gives 1, "T3" 3, in either case; anything else none.
std::optional<int> pttCommandNamed(std::string_view name);
std::string pttCommandName(int command);
// An empty or unknown method gives serial; a missing or unreadable delay the method's
// default; a missing or unreadable PTT command T1.
KeyingLine keyingFromLine(std::string_view line);
// "serial 0", "rigctld 150 T3": the PTT command is written for rigctld, and for the other
// methods only when it is T3, so that switching methods back and forth keeps it.
std::string keyingLineText(const KeyingLine& keying);

// The rigctld address "host:port". A host alone takes port 4532, a port alone the host
// localhost; a port outside 1..65535, a blank inside or an IPv6 address without brackets
// makes the line unreadable.
inline constexpr std::string_view kDefaultRigctldAddress = "localhost:4532";
std::string rigctldAddressFromLine(std::string_view line);

// The CM108 line: the interface (a USB path or a device path such as /dev/hidraw2; empty:
// found from the sound cards), then the GPIO number. A last word that is a number is the
// GPIO; one outside 1..8 gives the default 3, as does a line without a number.
struct Cm108Line {
  std::string interface;
  int gpio = 3;
};
Cm108Line cm108FromLine(std::string_view line);

// The busy-channel wait in seconds, 10 by default; 0 switches it off; more than an hour is
// an hour.
inline constexpr int kDefaultBusyWaitSeconds = 10;
inline constexpr int kLongestBusyWaitSeconds = 3600;
int busyWaitFromLine(std::string_view line);

// "wav", "flac", "opus" or "mp3" in either case; anything else wav.
ArchiveFormat archiveFormatFromLine(std::string_view line);
std::string_view archiveFormatName(ArchiveFormat format);

// The archive cap in MB; 0 (also for an unreadable line) is no cap. The largest cap still
// counts its bytes in 64 bits.
inline constexpr std::int64_t kLargestArchiveCapMb = INT64_MAX / (1024 * 1024);
std::int64_t archiveCapFromLine(std::string_view line);

}  // namespace tv
