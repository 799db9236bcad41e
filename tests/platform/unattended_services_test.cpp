// The dialogs of a program without a screen: answered at once, and every question with
// its answer in the log.

#include "platform/unattended_services.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/virtual_clock.h"

namespace tv::test {
namespace {

struct Logged {
  Logged() {
    log.observer = [this](const std::string& line) { lines.push_back(line); };
    dialogs.logTo(&log);
  }
  VirtualClock clock{LocalDateTime{2026, 12, 7, 10, 0, 0, 0}};
  Log log{clock};
  std::vector<std::string> lines;
  UnattendedServices dialogs;
};

TEST(UnattendedServices, MessageBoxesGetTheirDefaultButtonAndEachIsOneWarningLine) {
  Logged l;
  EXPECT_EQ(l.dialogs.messageBox("Datei\rfehlt", "Tonvogel.exe", MessageButtons::Ok),
            MessageAnswer::Ok);
  EXPECT_EQ(l.dialogs.messageBox("Go on?", "T", MessageButtons::OkCancel), MessageAnswer::Ok);
  EXPECT_EQ(l.dialogs.messageBox("Delete?", "T", MessageButtons::YesNo), MessageAnswer::Yes);
  ASSERT_EQ(l.lines.size(), 3u);
  // The CR of a message text must not split the line in the journal.
  EXPECT_EQ(l.lines[0],
            "2026-12-07 10:00:00 WARNING dialog: message box \"Tonvogel.exe\": Datei / fehlt -> "
            "answered OK");
  EXPECT_NE(l.lines[2].find("Delete? -> answered Yes"), std::string::npos);
}

TEST(UnattendedServices, MenusAreDismissedAndFileDialogsCancelledWithoutAScreenOrTray) {
  Logged l;
  EXPECT_LT(l.dialogs.popupMenu("Play|-|Exit", 10, 20), 0);
  EXPECT_FALSE(l.dialogs.openFileDialog("Open", "/srv/net", "*.wav").has_value());
  EXPECT_FALSE(l.dialogs.folderDialog("Recordings", "/srv").has_value());
  EXPECT_FALSE(l.dialogs.trayAvailable());
  EXPECT_FALSE(l.dialogs.screenArea(0, 0).has_value());
  ASSERT_EQ(l.lines.size(), 3u);
  EXPECT_NE(l.lines[0].find("menu Play|-|Exit -> dismissed"), std::string::npos);
  EXPECT_NE(l.lines[1].find("\"Open\" in /srv/net -> cancelled"), std::string::npos);
  EXPECT_NE(l.lines[2].find("\"Recordings\" from /srv -> cancelled"), std::string::npos);

  // Taken back from the log (which may go before the services do), questions still get
  // their answer.
  l.dialogs.logTo(nullptr);
  EXPECT_EQ(l.dialogs.messageBox("x", "T", MessageButtons::YesNo), MessageAnswer::Yes);
  EXPECT_EQ(l.lines.size(), 3u);
}

}  // namespace
}  // namespace tv::test
