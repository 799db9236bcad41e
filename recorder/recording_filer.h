#pragma once

#include <string>

namespace tv {

class Program;

// Files a saved recording: a copy into the collecting folder W, and with
// logging on one into the dated tree of its network. Folders are made on
// first use. The working file itself is left alone; whether it may go is
// the caller's decision, from `collected`.
class RecordingFiler {
 public:
  explicit RecordingFiler(Program& program) : p_(program) {}

  struct Outcome {
    // The copy in W is there, complete: it has the working file's length.
    bool collected = false;
    std::string collectedPath;
    // Why the copy in W or in the tree is missing; empty when both are in.
    std::string problem;
  };

  // `workingFile` is the saved file, `captureName` the name it is filed under.
  Outcome file(const std::string& workingFile, const std::string& captureName);

  // The collecting folder of the recordings folder in force.
  std::string collectingFolder() const;

 private:
  Program& p_;
};

}  // namespace tv
