#pragma once

#include <map>
#include <string>

#include "app/program.h"
#include "tests/support/sound/scripted_sound_system.h"
#include "tests/support/test_program.h"

namespace tv::test {

// A program on the stand-in port, started from a settings file whose lines differ from
// the defaults as given (1-based line numbers). The texts are English.
struct TransmitStation {
  TestProgram t;
  // Sound that is heard (a receiver's input the test may feed, an output that plays by
  // the clock), unless `noOutput` leaves the program without any sound device.
  ScriptedSoundSystem sound{t.clock};
  bool noOutput = false;

  Program& start(std::map<int, std::string> changes = {}, int lineCount = 34);
  Program& p() { return t.p(); }
  FakeSerialPort& port() { return t.serial; }
  Label& txButton() { return t.p().frm_Oszi.lbl_TX; }
  // The program's own save and apply (as a resize or the shutdown does it).
  void save() { t.p().settingsWindow.pressSave(); }
  // The user's own click on "Accept changes" of the settings window.
  void accept();
};

// Transmit control on with this port text (line 7) and pin line start (line 8).
std::map<int, std::string> transmitVia(const std::string& port, const std::string& pins = "71+689");

}  // namespace tv::test
