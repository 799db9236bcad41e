#include "tests/transmit/transmit_station.h"

#include <fstream>

#include <gtest/gtest.h>

namespace tv::test {

Program& TransmitStation::start(std::map<int, std::string> changes, int lineCount) {
  sound.devices = {{"receiver", "Receiver"}};
  if (!noOutput) t.sound = &sound;
  Program& program = t.build();
  std::vector<std::string> lines = program.settingsFile.defaultLines();
  lines.resize(static_cast<size_t>(lineCount));
  changes.emplace(5, "2");
  for (const auto& [number, text] : changes) lines.at(static_cast<size_t>(number - 1)) = text;
  std::ofstream file(t.file("Tonvogel.ini"), std::ios::binary);
  for (const std::string& line : lines) file << line << "\r\n";
  file.close();
  EXPECT_TRUE(program.startUp());
  return program;
}

void TransmitStation::accept() {
  Button& button = t.p().frm_Einstellungen.cmd_Speichern;
  button.mouseDown(MouseButton::Left, 0, 0, 0);
  button.mouseUp(MouseButton::Left, 0, 0, 0);
}

std::map<int, std::string> transmitVia(const std::string& port, const std::string& pins) {
  return {{7, port}, {8, pins + kPinLineComment}, {20, "1"}};
}

}  // namespace tv::test
