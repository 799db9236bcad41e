#include "tests/support/scoped_path.h"

#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace tv::test {

ScopedPath::ScopedPath(const std::string& path) {
  if (const char* old = std::getenv("PATH")) old_ = old;
  setenv("PATH", path.c_str(), 1);
}

ScopedPath::~ScopedPath() {
  setenv("PATH", old_.c_str(), 1);
}

void writeProgram(const std::string& path, const std::string& script) {
  writeFile(path, script);
  chmod(path.c_str(), 0755);
}

}  // namespace tv::test
