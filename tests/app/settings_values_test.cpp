#include "app/settings_values.h"

#include <gtest/gtest.h>

#include <string>

namespace tv::test {
namespace {

// Odd input every later line must take without harm: it gives the line's default.
const char* const kUnreadable[] = {"", "   ", "text", "-5", "1\r0", "\t", "12abc", "1.5"};

TEST(PlainLine, TrimsAndTakesNothingWithAControlCharacterInside) {
  EXPECT_EQ(plainLine("  pulse:receiver.monitor \t"), "pulse:receiver.monitor");
  EXPECT_EQ(plainLine("echo a  b"), "echo a  b");
  EXPECT_EQ(plainLine("plug\rhw"), "");
  EXPECT_EQ(plainLine("a\x7F"), "");
  EXPECT_EQ(plainLine("Bär"), "Bär");
}

TEST(WholeNumber, TakesDigitsOnlyAndStopsAtTheLargest) {
  EXPECT_EQ(wholeNumber(" 42 ", 100), 42);
  EXPECT_EQ(wholeNumber("0", 100), 0);
  EXPECT_EQ(wholeNumber("101", 100), 100);
  EXPECT_EQ(wholeNumber("99999999999999999999999999999999", 100), 100);
  for (const char* odd : {"", " ", "-1", "+1", "1.0", "1e3", "x1", "1 2", "1\r2"})
    EXPECT_FALSE(wholeNumber(odd, 100)) << odd;
}

TEST(TxOutputLine, EmptyOrUnreadableIsDefault) {
  EXPECT_EQ(txOutputFromLine(" plughw:CARD=Device,DEV=0 "), "plughw:CARD=Device,DEV=0");
  EXPECT_EQ(txOutputFromLine(""), "default");
  EXPECT_EQ(txOutputFromLine("pul\rse"), "default");
}

TEST(KeyingLine, ReadsEveryFormAndWritesItsOneForm) {
  struct Case {
    const char* line;
    KeyingMethod method;
    int delay;
    int ptt;
    const char* written;
  };
  for (const Case& c : {
           Case{"serial 0", KeyingMethod::Serial, 0, 1, "serial 0"},
           Case{"serial", KeyingMethod::Serial, 0, 1, "serial 0"},
           Case{"rigctld", KeyingMethod::Rigctld, 150, 1, "rigctld 150 T1"},
           Case{"rigctld 150 T3", KeyingMethod::Rigctld, 150, 3, "rigctld 150 T3"},
           Case{"RIGCTLD   40   t3 extra", KeyingMethod::Rigctld, 40, 3, "rigctld 40 T3"},
           Case{"rigctld T3", KeyingMethod::Rigctld, 150, 3, "rigctld 150 T3"},
           Case{"rigctld -20 T2", KeyingMethod::Rigctld, 150, 1, "rigctld 150 T1"},
           Case{"cm108 75", KeyingMethod::Cm108, 75, 1, "cm108 75"},
           Case{"none", KeyingMethod::None, 0, 1, "none 0"},
           // T3 is kept for a later switch back to rigctld.
           Case{"serial 20 T3", KeyingMethod::Serial, 20, 3, "serial 20 T3"},
           Case{"serial 99999999999999999999", KeyingMethod::Serial, kLongestTxDelayMs, 1,
                "serial 10000"},
           Case{"", KeyingMethod::Serial, 0, 1, "serial 0"},
           Case{"vox 100", KeyingMethod::Serial, 100, 1, "serial 100"},
           Case{"rigctld\r150", KeyingMethod::Serial, 0, 1, "serial 0"},
           Case{"cm108 abc", KeyingMethod::Cm108, 0, 1, "cm108 0"},
       }) {
    const KeyingLine k = keyingFromLine(c.line);
    EXPECT_EQ(k.method, c.method) << c.line;
    EXPECT_EQ(k.txDelayMs, c.delay) << c.line;
    EXPECT_EQ(k.pttCommand, c.ptt) << c.line;
    EXPECT_EQ(keyingLineText(k), c.written) << c.line;
    const KeyingLine again = keyingFromLine(keyingLineText(k));
    EXPECT_EQ(keyingLineText(again), c.written) << c.line;
  }
}

TEST(RigctldAddressLine, HostAndPortWithTheirDefaults) {
  EXPECT_EQ(rigctldAddressFromLine("shack-pi:4533"), "shack-pi:4533");
  EXPECT_EQ(rigctldAddressFromLine(" 192.168.1.20 "), "192.168.1.20:4532");
  EXPECT_EQ(rigctldAddressFromLine(":4600"), "localhost:4600");
  EXPECT_EQ(rigctldAddressFromLine("[::1]:4600"), "[::1]:4600");
  EXPECT_EQ(rigctldAddressFromLine("[::1]"), "[::1]:4532");
  for (const char* odd : {"", "host:0", "host:65536", "host:-1", "host:port", "host:", "::1",
                          "my host:4532", "host:99999999999999999999", "ho\rst:4532", "[::1"})
    EXPECT_EQ(rigctldAddressFromLine(odd), "localhost:4532") << odd;
}

TEST(Cm108Line, InterfaceThenGpio) {
  struct Case {
    const char* line;
    const char* interface;
    int gpio;
  };
  for (const Case& c : {
           Case{"", "", 3},
           Case{"/dev/hidraw2 4", "/dev/hidraw2", 4},
           Case{"/dev/hidraw2", "/dev/hidraw2", 3},
           Case{"  /dev/hidraw2   8 ", "/dev/hidraw2", 8},
           Case{"2", "", 2},
           Case{"/sys/bus/usb/devices/1-1.4", "/sys/bus/usb/devices/1-1.4", 3},
           Case{"/dev/hidraw2 9", "/dev/hidraw2", 3},
           Case{"/dev/hidraw2 0", "/dev/hidraw2", 3},
           Case{"/dev/hidraw2 -3", "/dev/hidraw2", 3},
           Case{"/dev/hidraw2 99999999999999999999", "/dev/hidraw2", 3},
           Case{"/dev/hid\rraw2 4", "", 3},
       }) {
    const Cm108Line cm108 = cm108FromLine(c.line);
    EXPECT_EQ(cm108.interface, c.interface) << c.line;
    EXPECT_EQ(cm108.gpio, c.gpio) << c.line;
  }
}

TEST(BusyWaitLine, SecondsWithTenByDefaultAndAnHourAtMost) {
  EXPECT_EQ(busyWaitFromLine("0"), 0);
  EXPECT_EQ(busyWaitFromLine(" 25 "), 25);
  EXPECT_EQ(busyWaitFromLine("99999999999999999999"), kLongestBusyWaitSeconds);
  for (const char* odd : kUnreadable) EXPECT_EQ(busyWaitFromLine(odd), 10) << odd;
}

TEST(ArchiveFormatLine, KnownNamesInEitherCaseOthersWav) {
  EXPECT_EQ(archiveFormatFromLine("flac"), ArchiveFormat::Flac);
  EXPECT_EQ(archiveFormatFromLine(" OPUS "), ArchiveFormat::Opus);
  EXPECT_EQ(archiveFormatFromLine("Mp3"), ArchiveFormat::Mp3);
  for (const char* odd : {"", "ogg", "fl ac", "flac\r", "fl\rac", "-1"})
    EXPECT_EQ(archiveFormatFromLine(odd), ArchiveFormat::Wav) << odd;
  for (ArchiveFormat f :
       {ArchiveFormat::Wav, ArchiveFormat::Flac, ArchiveFormat::Opus, ArchiveFormat::Mp3})
    EXPECT_EQ(archiveFormatFromLine(archiveFormatName(f)), f);
}

TEST(ArchiveCapLine, MegabytesIn64BitsZeroForNone) {
  EXPECT_EQ(archiveCapFromLine("5000000"), 5'000'000);
  EXPECT_EQ(archiveCapFromLine("8796093022207"), 8'796'093'022'207);
  EXPECT_EQ(archiveCapFromLine("99999999999999999999999"), kLargestArchiveCapMb);
  // The largest cap's bytes still fit.
  EXPECT_GT(kLargestArchiveCapMb * 1024 * 1024, 0);
  for (const char* odd : kUnreadable) EXPECT_EQ(archiveCapFromLine(odd), 0) << odd;
}

TEST(WindowsPath, DriveLettersAndBackslashesButNoLinuxFolder) {
  for (const char* windows : {R"(C:\Funk)", "d:/funk", R"(\\server\share)", " C:", R"(funk\net)"})
    EXPECT_TRUE(isWindowsPath(windows)) << windows;
  for (const char* here : {"/home/dl1abc/funk", "funk", "", "C", "/mnt/c:"})
    EXPECT_FALSE(isWindowsPath(here)) << here;
  EXPECT_EQ(recordingsFolderFor(R"(C:\Funk)", "/srv/tonvogel"), "/srv/tonvogel");
  EXPECT_EQ(recordingsFolderFor(" /srv/rec ", "/srv/tonvogel"), "/srv/rec");
}

}  // namespace
}  // namespace tv::test
