#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace tv {

// A recording's name: network digit, "_", MM-DD-YYYY, "_", HH-MM-SS, ".wav".
// The dated folders are cut from fixed positions of it, so the network
// number must be one digit.
std::string makeCaptureName(int networkDigit, const LocalDateTime& start);

// Whether `name` has the layout of a capture name (a working file left
// behind is recognised by it).
bool isCaptureName(std::string_view name);

// The name of the same network one second later, across midnight, month and year ends:
// a name taken already advances by it until it is free. None for another layout.
std::optional<std::string> nextCaptureName(std::string_view name);

// The network numbers the naming allows: one digit, blanks around it aside.
bool networkNumberUsable(std::string_view text);

// Network, year, month, day and hour folder of a capture name for language 1
// (German), 2 (English) or 3; none for another language or a name of
// another layout.
std::optional<std::array<std::string, 5>> documentationFolders(std::string_view captureName,
                                                               int languageIndex);

// The capture rate for the text of the sample-rate box: one of the listed
// rates, or whatever number the text holds.
int captureRate(std::string_view sampleRateText);

}  // namespace tv
