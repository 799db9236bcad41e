#include "recorder/recording_filer.h"

#include <filesystem>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"
#include "recorder/capture_name.h"

namespace tv {
namespace fs = std::filesystem;

namespace {

// Makes `name` inside `folder` unless a folder of that name exists already,
// in whatever case it was written.
Result<std::string> folderIn(const std::string& folder, const std::string& name) {
  const std::string path = findCaseInsensitive(folder, name);
  std::error_code ec;
  if (fs::is_directory(path, ec)) return path;
  fs::create_directory(path, ec);
  if (ec) return failure(path + ": " + ec.message());
  if (!fs::is_directory(path, ec)) return failure(path + ": not a folder");
  return path;
}

}  // namespace

std::string RecordingFiler::collectingFolder() const {
  return findCaseInsensitive(p_.recordingsFolder, "W");
}

RecordingFiler::Outcome RecordingFiler::file(const std::string& workingFile,
                                             const std::string& captureName) {
  Outcome outcome;
  auto note = [&outcome](const std::string& problem) {
    if (!outcome.problem.empty()) outcome.problem += "; ";
    outcome.problem += problem;
  };

  if (p_.loggingFlag == 1) {
    const auto folders = documentationFolders(captureName, p_.languageIndex);
    std::error_code ec;
    Result<std::string> at = p_.recordingsFolder;
    if (!fs::is_directory(p_.recordingsFolder, ec)) {
      fs::create_directory(p_.recordingsFolder, ec);
      if (ec) at = failure(p_.recordingsFolder + ": " + ec.message());
    }
    if (at) (void)folderIn(*at, "W");
    if (!folders)
      at = failure(captureName + ": no folder names for language " +
                   std::to_string(p_.languageIndex));
    for (std::size_t i = 0; at && folders && i < folders->size(); ++i)
      at = folderIn(*at, (*folders)[i]);
    if (at) {
      if (auto copied = copyFileAtomically(workingFile, *at + "/" + captureName); !copied)
        note(copied.error().message);
    } else {
      note(at.error().message);
    }
  }

  // The collecting folder is made here too when the recordings folder itself
  // exists; a recordings folder that has gone (an unplugged disk) is not
  // quietly made anew.
  std::error_code ec;
  Result<std::string> collecting =
      failure(p_.recordingsFolder + ": " +
              std::make_error_code(std::errc::no_such_file_or_directory).message());
  if (fs::is_directory(p_.recordingsFolder, ec)) collecting = folderIn(p_.recordingsFolder, "W");
  if (collecting) {
    if (auto copied = copyFileAtomically(workingFile, *collecting + "/" + captureName); copied) {
      outcome.collected = true;
      outcome.collectedPath = *collecting + "/" + captureName;
      p_.soundFileCount += 1;
      p_.frm_DoKu.sb.setPanelText(2, numberText(p_.soundFileCount));
    } else {
      note(copied.error().message);
    }
  } else {
    note(collecting.error().message);
  }
  return outcome;
}

}  // namespace tv
