#pragma once

#include <string>
#include <vector>

namespace tv {

class Program;

// The settings file: 33 positional lines beside the program. Create writes the
// defaults, save writes the settings window's fields, apply reads the file into the
// fields and the settings values.
class SettingsFile {
 public:
  explicit SettingsFile(Program& program) : p_(program) {}

  static constexpr int kLineCount = 33;
  // An extra line after the original layout, which never reads past line 33; files
  // without it are complete and take the default.
  static constexpr int kTxTimeoutLine = 34;

  void create();
  // False when the file could not be written (the user has been told).
  bool save();
  // The file part of apply settings: applies the file, or creates it and applies
  // settings again, or takes the path for a corrupt file.
  void apply();

  // The lines of a fresh file (without line ends).
  std::vector<std::string> defaultLines() const;
  std::string path() const;

 private:
  // False when the file is corrupt: it ends early or holds a value that cannot stand.
  bool applyLines(const std::vector<std::string>& lines, std::vector<std::string>& warnings);
  void applyLine(int number, const std::string& line, std::vector<std::string>& warnings);
  void applyStartWithLogin(std::vector<std::string>& warnings);
  void handleCorruptFile();
  // Writes the defaults and applies settings again with them.
  void createAndApply();
  bool write(const std::vector<std::string>& lines);
  std::string stamp(const char* separator) const;

  Program& p_;
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
