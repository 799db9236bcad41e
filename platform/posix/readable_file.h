#pragma once

#include <string>

#include "platform/result.h"

namespace tv {

// A file named on the command line, as an absolute path (relative names are taken from
// the folder the command was given in, before the program changes to its own folder),
// when it can be opened for reading: not missing, not a folder, not closed to this user.
// Otherwise what is wrong with it, in words for the terminal.
Result<std::string> readableFile(const std::string& name);

}  // namespace tv
