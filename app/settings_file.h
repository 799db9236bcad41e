#pragma once

#include <functional>
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
class SettingsFile {
 public:
  explicit SettingsFile(Program& program);
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  // The lines of the Windows version: a file that ends before the last of them, or holds
  // a value their controls cannot take, is corrupt. The lines after them were added
  // later; a file may lack them, and a missing, empty or unreadable one gives its default.
  static constexpr int kLineCount = 33;

  void create();
  // False when the file could not be written (the user has been told).
  bool save();
  // The file part of apply settings: applies the file, or creates it and applies
  // settings again, or takes the path for a corrupt file.
  void apply();

  // Entry n - 1 is line n.
  const std::vector<SettingsLine>& table() const { return table_; }
  // The lines of a fresh file (without line ends).
  std::vector<std::string> defaultLines() const;
  std::string path() const;

 private:
  std::vector<SettingsLine> makeTable();
  // False when the file is corrupt: it ends early or holds a value that cannot stand.
  bool applyLines(const std::vector<std::string>& lines, std::vector<std::string>& warnings);
  void applyStartWithLogin(std::vector<std::string>& warnings);
  void handleCorruptFile();
  // Writes the defaults and applies settings again with them.
  void createAndApply();
  bool write(const std::vector<std::string>& lines);
  std::string stamp(const char* separator) const;

  Program& p_;
  std::vector<SettingsLine> table_;
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

// The contents of a start-at-login desktop entry that starts `executable` in `folder`.
std::string autostartEntry(const std::string& executable, const std::string& folder,
                           const std::string& comment);

}  // namespace tv
