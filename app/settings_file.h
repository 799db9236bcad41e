#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tv {

class Program;

// One line of the settings file: what a fresh file holds, how a line read from the file
// reaches the settings window's fields and the settings values, and what save writes
// from the fields. A new line is one more entry at the end of the table.
struct SettingsLine {
  using Warnings = std::vector<std::string>;
  // Thrown by `apply` for a value the controls cannot take.
  struct Refused {};

  std::function<std::string()> fresh;
  // Failures the user should hear of, which do not make the file corrupt, go into
  // `warnings`.
  std::function<void(const std::string& line, Warnings& warnings)> apply;
  std::function<std::string()> save;
};

// The settings file: positional lines beside the program. Create writes the defaults,
// save writes the settings windows' fields, apply reads the file into the fields and the
// settings values.
//
// Each save is synced to the disk and keeps the file it replaces as Tonvogel.ini.bak, from
// which a file that a power cut left empty or cut short is recovered. Where the file
// cannot be written (a program folder on a read-only mount, a full disk), the settings in
// force are kept in memory and apply reads them from there: they are never replaced by
// defaults only because the file could not take them.
class SettingsFile {
 public:
  explicit SettingsFile(Program& program);
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  // The lines of the Windows version: a file that ends before the last of them, or holds
  // a value their controls cannot take, is corrupt. The lines after them were added
  // later; a file may lack them, and a missing, empty or unreadable one gives its default.
  static constexpr int kLineCount = 33;

  // Checks, at start-up before the installation window, whether the program folder can
  // take the file.
  void checkFolder();
  // The program folder cannot take the file: the settings live in memory only, and the
  // installation window is not offered (nothing it sets could be kept).
  bool folderUnwritable() const { return !unwritableReason_.empty(); }
  // Tells, once, that the program folder cannot be written and what to do; at the end of
  // start-up, in the language then in force.
  void tellUnwritableFolder();

  void create();
  // Writes the fields. When the file cannot take them they stay in force from memory (the
  // user has been told), so that the apply after a save always puts them in force.
  void save();
  // The file part of apply settings: applies the file, or creates it and applies
  // settings again, or takes the path for a corrupt file.
  void apply();

  // Entry n - 1 is line n.
  const std::vector<SettingsLine>& table() const { return table_; }
  // The lines of a fresh file (without line ends).
  std::vector<std::string> defaultLines() const;
  std::string path() const;
  // The language code ("DL", "GB") the file names, read without applying anything;
  // empty when there is no file or it names none.
  std::string storedLanguageCode() const;
  // Where a save keeps the file it replaces.
  std::string backupPath() const;

 private:
  std::vector<SettingsLine> makeTable();
  // False when the file is corrupt: it ends early or holds a value that cannot stand.
  bool applyLines(const std::vector<std::string>& lines, std::vector<std::string>& warnings);
  void applyStartWithLogin(std::vector<std::string>& warnings);
  // Tells once that the recordings folder is one of the Windows program's, in place of
  // which the program folder is used.
  void tellWindowsRecordingsFolder();
  // Applies the backup in place of a file with fewer lines than the Windows version's
  // and puts it back as the file. False when there is no backup that applies.
  bool recoverFromBackup(std::size_t linesFound);
  void handleCorruptFile();
  // Applies settings held in memory, and tells what they could not do.
  void applyInForce();
  // Writes the defaults and applies settings again with them.
  void createAndApply();
  bool write(const std::vector<std::string>& lines);
  // Keeps the file about to be replaced as the backup, unless it is itself damaged.
  void keepPrevious(const std::string& file);
  std::string stamp(const char* separator) const;

  Program& p_;
  std::vector<SettingsLine> table_;
  // The settings in force when the file could not take them; the file is older.
  std::optional<std::vector<std::string>> inForce_;
  std::string unwritableReason_;
  // A failure to write is told once, until a write succeeds again.
  bool writeFailureTold_ = false;
};

// The pin line's comment, after the six one-character fields.
inline constexpr const char* kPinLineComment =
    "    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot";

// The line code of the input that carries the send key, from its pin: 1 (DCD) gives 1,
// 6 (DSR) 3, 8 (CTS) 4, 9 (RI) 2; any other character none (0).
int sendKeyLineForPin(char pin);

// The transmit time-out in seconds from its line: 0 switches it off; an absent, negative
// or unreadable value gives the default of 300 rather than no limit at all, and more than
// a day is taken as a day.
int txTimeoutFromLine(const std::string& line);

}  // namespace tv
