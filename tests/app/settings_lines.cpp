#include "tests/app/settings_lines.h"

#include "app/program.h"
#include "app/settings_values.h"
#include "tests/support/temp_folder.h"

namespace tv::test {

std::vector<std::string> freshSettingsLines(const std::string& folder) {
  // clang-format off
  return {folder + "/Tonvogel.ini created 07.12.2026, 10:00:00", folder, "QQ0QQ", "11025", "1",
          "1", "2",
          "71+689    //COM-9pin: Pin 1=PTT on; -2=PTT off; -3=Polung; -4=Roger2; -5=Roger1; -6=Parrot",
          "67", "10", "180", "8", "5", "3", "50",             // lines 9-15
          "1", "0", "0", "1", "0", "0", "10", "1", "1", "0",  // lines 16-25
          "6", "15        15", "15", "15", "6760", "5325", "15", "0",
          // after the Windows version's 33 lines: the transmit time-out, then lines 35-43
          "300", "", "default", "serial 0", "localhost:4532", "", "10", "wav", "", "0"};
  // clang-format on
}

std::vector<std::string> largeDesktopSettingsLines(const std::string& folder) {
  std::vector<std::string> file = freshSettingsLines(folder);
  line(file, 27) = "   25000      4005";  // main window left, height
  line(file, 28) = "12000";               // main window top
  line(file, 29) = "21000";               // settings window
  line(file, 30) = "14000";
  line(file, 31) = "22000";  // playback window
  line(file, 32) = "13000";
  return file;
}

void writeSettings(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& l : lines) bytes += l + "\r\n";
  writeFile(path, bytes);
}

std::vector<std::string> laterLineValues(const Program& p) {
  return {p.inputDeviceName,
          p.txOutputDevice,
          std::string(keyingMethodName(p.keyingMethod)),
          std::to_string(p.txDelayMs),
          std::to_string(p.rigPttCommand),
          p.rigctldAddress,
          p.cm108Setting,
          std::to_string(p.cm108Gpio),
          std::to_string(p.busyWaitSeconds),
          std::string(archiveFormatName(p.archiveFormat)),
          p.afterRecordingCommand,
          std::to_string(p.archiveCapMb)};
}

std::string& line(std::vector<std::string>& lines, int number) {
  return lines.at(static_cast<size_t>(number - 1));
}

}  // namespace tv::test
