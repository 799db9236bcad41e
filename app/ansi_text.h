#pragma once

#include <string>
#include <string_view>

namespace tv {

// The settings file is Windows-1252 text, so that files from the Windows version read
// as they are. Inside the program every text is UTF-8.

// A line as read: valid UTF-8 with non-ASCII characters is taken as UTF-8 (a line that
// Windows-1252 could not hold was written that way); anything else is Windows-1252.
std::string lineFromFile(std::string_view bytes);

// A line to write: Windows-1252 when every character has a place there, otherwise the
// UTF-8 bytes, so that a folder name in any script survives the round trip.
std::string lineForFile(std::string_view utf8);

}  // namespace tv
