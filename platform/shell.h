#pragma once

#include <string>

#include "platform/result.h"

namespace tv {

// What the desktop and the operating system offer besides windows.
class Shell {
 public:
  virtual ~Shell() = default;

  // Opens a document with the program the desktop associates with it. Returns once that
  // program is started and never waits for it to end; fails when it cannot be started.
  virtual Result<void> openDocument(const std::string& path) = 0;

  virtual std::string userName() const = 0;
  // Folder for start-at-login entries (XDG autostart), with a trailing "/".
  virtual std::string autostartFolder() const = 0;
  // The user's desktop folder, with a trailing "/".
  virtual std::string desktopFolder() const = 0;
  // Where the station log goes when the program folder cannot be written
  // ($XDG_STATE_HOME/tonvogel/, by default ~/.local/state/tonvogel/), with a trailing "/".
  virtual std::string stateFolder() const = 0;

  // The language the desktop speaks to its user: the two lower-case letters of the
  // locale's language ("de", "en"), or empty when the environment names none.
  virtual std::string desktopLanguage() const { return {}; }

  // The operating system's version as major.minor.build, or empty when it cannot be
  // read (always on Linux: there is no such version call).
  virtual std::string windowsVersion() const { return {}; }
};

}  // namespace tv
