#pragma once

#include <string>
#include <vector>

namespace tv {
class Program;
}

namespace tv::test {

// The lines of a fresh settings file for `folder`, created at the start time of a
// TestProgram (7 December 2026, 10:00:00), as written with no language chosen: the 33
// lines of the Windows version, then the transmit time-out and lines 35 to 43.
std::vector<std::string> freshSettingsLines(const std::string& folder);

// freshSettingsLines with the window positions of a desktop of 1920 × 1080 pixels, low and
// to the right on it (lines 27 to 32): off any smaller screen.
std::vector<std::string> largeDesktopSettingsLines(const std::string& folder);

// Writes the lines with CR LF ends, as the Windows version left them.
void writeSettings(const std::string& path, const std::vector<std::string>& lines);

// The settings values of lines 35 to 43 as text, in the order of the lines: the input
// device, the transmit output, the keying method, TX delay and PTT command, the rigctld
// address, the CM108 text and GPIO, the busy wait, the archive format, the command after
// each recording and the archive cap.
std::vector<std::string> laterLineValues(const Program& p);

// Line `number` (1-based) of a lines vector.
std::string& line(std::vector<std::string>& lines, int number);

}  // namespace tv::test
