#include "app/desktop_entries.h"

#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "app/numbers.h"
#include "platform/files.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

// Quotes one argument of a desktop entry's Exec key.
std::string execArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // The desktop entry format reads backslashes itself once more, and takes a lone "%"
  // for a field code.
  std::string escaped;
  for (char c : quoted) {
    if (c == '\\' || c == '%') escaped += c;
    escaped += c;
  }
  return escaped;
}

// The arguments of an Exec value, undoing what execArgument does (and what other
// writers of entries do: unquoted arguments, the string escapes of the format).
std::vector<std::string> execArguments(const std::string& value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      unescaped += next == 's' ? ' ' : next == 't' ? '\t' : next;
    } else {
      unescaped += value[i];
    }
  }
  std::vector<std::string> arguments;
  std::size_t i = 0;
  while (i < unescaped.size()) {
    if (unescaped[i] == ' ' || unescaped[i] == '\t') {
      ++i;
      continue;
    }
    std::string argument;
    if (unescaped[i] == '"') {
      for (++i; i < unescaped.size() && unescaped[i] != '"'; ++i) {
        if (unescaped[i] == '\\' && i + 1 < unescaped.size()) ++i;
        argument += unescaped[i];
      }
      ++i;
    } else {
      for (; i < unescaped.size() && unescaped[i] != ' ' && unescaped[i] != '\t'; ++i)
        argument += unescaped[i];
    }
    std::string plain;
    for (std::size_t k = 0; k < argument.size(); ++k) {
      plain += argument[k];
      if (argument[k] == '%' && k + 1 < argument.size() && argument[k + 1] == '%') ++k;
    }
    arguments.push_back(std::move(plain));
  }
  return arguments;
}

// Folder names compared as the same folder: "/a/b/" and "/a/./b" are one.
std::string sameFolder(const std::string& folder) {
  std::string normal = fs::path(folder).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

bool startsFolder(const std::string& entryPath, const std::string& programFolder) {
  const auto command = entryCommand(readFileBytes(entryPath));
  return command && !command->programFolder.empty() &&
         sameFolder(command->programFolder) == sameFolder(programFolder);
}

bool startsExistingProgram(const std::string& entryPath) {
  const auto command = entryCommand(readFileBytes(entryPath));
  std::error_code ec;
  return command && !command->executable.empty() && fs::exists(command->executable, ec);
}

// Removes the shared entry when it starts this folder.
std::optional<EntryFailure> removeSharedEntry(const std::string& entriesFolder,
                                              const std::string& programFolder) {
  const std::string shared = entriesFolder + kSharedEntryName;
  std::error_code ec;
  if (!fs::exists(shared, ec) || !startsFolder(shared, programFolder)) return std::nullopt;
  fs::remove(shared, ec);
  if (ec) return EntryFailure{shared, ec.message()};
  return std::nullopt;
}

}  // namespace

std::string folderEntryName(const std::string& programFolder) {
  return "tonvogel-" + folderHash(programFolder) + ".desktop";
}

std::string autostartEntry(const std::string& executable, const std::string& folder,
                           const std::string& comment) {
  std::string text;
  text += "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=Tonvogel\n";
  text += "Comment=" + oneLine(comment) + "\n";
  text += "Exec=" + execArgument(executable) + " --program-folder " + execArgument(folder) + "\n";
  text += "Path=" + oneLine(folder) + "\n";
  text += "Terminal=false\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

std::optional<EntryCommand> entryCommand(const std::string& entryText) {
  std::istringstream in(entryText);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Exec=", 0) != 0) continue;
    const std::vector<std::string> arguments = execArguments(line.substr(5));
    if (arguments.empty()) return std::nullopt;
    EntryCommand command{arguments.front(), {}};
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      if (arguments[i] == "--program-folder" && i + 1 < arguments.size())
        command.programFolder = arguments[i + 1];
      else if (arguments[i].rfind("--program-folder=", 0) == 0)
        command.programFolder = arguments[i].substr(17);
    }
    return command;
  }
  return std::nullopt;
}

std::optional<EntryFailure> placeFolderEntry(const std::string& entriesFolder,
                                             const std::string& programFolder,
                                             const std::string& contents, bool keepWorking) {
  const std::string own = entriesFolder + folderEntryName(programFolder);
  std::error_code ec;
  if (!(keepWorking && fs::exists(own, ec) && startsExistingProgram(own))) {
    fs::create_directories(entriesFolder, ec);
    const Result<void> written = writeFileAtomically(own, contents);
    if (!written) return EntryFailure{own, written.error().message};
  }
  return removeSharedEntry(entriesFolder, programFolder);
}

std::optional<EntryFailure> removeFolderEntries(const std::string& entriesFolder,
                                                const std::string& programFolder) {
  const std::string own = entriesFolder + folderEntryName(programFolder);
  std::error_code ec;
  if (fs::exists(own, ec)) {
    fs::remove(own, ec);
    if (ec) return EntryFailure{own, ec.message()};
  }
  return removeSharedEntry(entriesFolder, programFolder);
}

}  // namespace tv
