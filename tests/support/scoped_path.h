#pragma once

#include <string>

namespace tv::test {

// PATH for the length of a test, so that the programs the code under test looks up are
// the test's stand-ins (an xdg-open that runs its viewer in the foreground), or none.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path);
  ~ScopedPath();
  ScopedPath(const ScopedPath&) = delete;
  ScopedPath& operator=(const ScopedPath&) = delete;

 private:
  std::string old_;
};

// Writes `script` to `path` and makes it executable.
void writeProgram(const std::string& path, const std::string& script);

}  // namespace tv::test
