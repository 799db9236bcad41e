#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/result.h"

class QByteArray;
class QLocalServer;
class QLockFile;

namespace tv::qt {

// One running copy per program folder. The first start in a folder takes a lock file in
// the user's runtime folder, "tonvogel-<folder hash>.lock", and listens on a local socket
// beside it, "tonvogel-<folder hash>.socket"; a later start in the same folder finds the
// lock taken and asks the running copy through the socket to show its main window, or
// to open a sound file in its playback window.
//
// Every start that works in a program folder goes through here, so that "the copy that
// holds the lock" means the same everywhere: only that copy may touch what the folder's
// earlier runs left (working files of recordings).
class FolderLock {
 public:
  enum class State {
    Held,           // this copy is the folder's one
    HeldByAnother,  // a running copy holds the lock
    Unavailable,    // no lock could be made (see problem())
  };

  // `runtimeFolder` ends in "/"; empty when there is none, which makes the lock
  // Unavailable. `folderKey` names the folder (folderHash of its path).
  FolderLock(std::string runtimeFolder, const std::string& folderKey);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Takes the lock unless a running copy holds it; a lock left by a copy that has died is
  // taken over. Needs no Qt application.
  State claim();
  State state() const { return state_; }
  const std::string& problem() const { return problem_; }
  std::string lockPath() const;
  std::string socketPath() const;

  // In the copy that holds the lock, once a Qt application exists: `showRequested` runs
  // on the GUI thread whenever another start asks to see the program, `fileRequested`
  // with the file's path whenever one asks to open a file.
  Result<void> listen(std::function<void()> showRequested,
                      std::function<void(const std::string& file)> fileRequested = {});
  // Stops answering, before the Qt application goes; the lock stays held until the lock
  // object is destroyed.
  void stopListening();

  // In a copy that found the lock held, with a Qt application: asks the holder to show
  // its main window. True when it answered within `timeoutMs` (a holder still starting
  // up may not listen yet; the question is repeated until then).
  bool askHolderToShow(int timeoutMs);
  // The same for a sound file (an absolute path) to open in the holder's playback window.
  bool askHolderToOpen(const std::string& file, int timeoutMs);

  // Gives up a lock this copy holds, for a start that only wanted to know whether a
  // running copy holds it.
  void release();

 private:
  std::string runtimeFolder_;
  std::string name_;
  bool ask(const QByteArray& question, int timeoutMs);

  State state_ = State::Unavailable;
  std::string problem_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace tv::qt
