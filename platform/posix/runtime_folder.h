#pragma once

#include <string>

#include "platform/result.h"

namespace tv {

// The folder for the user's locks and sockets, with a trailing "/": `xdgRuntimeDir`
// ($XDG_RUNTIME_DIR) when it names an absolute folder, otherwise `tmp` + "/tonvogel-" +
// the user id, created with mode 0700. A folder of that name that is not the user's own,
// or that others may enter, is refused: another user could take the lock or the socket.
Result<std::string> runtimeFolder(const std::string& xdgRuntimeDir,
                                  const std::string& tmp = "/tmp");

// runtimeFolder for this process's environment.
Result<std::string> runtimeFolder();

}  // namespace tv
