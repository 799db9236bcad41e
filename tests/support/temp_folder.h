#pragma once

#include <string>
#include <vector>

namespace tv::test {

// A fresh folder for one test, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// Splits at CR LF (or LF) line ends.
std::vector<std::string> readLines(const std::string& path);

}  // namespace tv::test
