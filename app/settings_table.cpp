#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/numbers.h"
#include "app/program.h"
#include "app/settings_file.h"
#include "app/settings_values.h"
#include "platform/files.h"
#include "recorder/capture_name.h"

namespace tv {

namespace fs = std::filesystem;

namespace {

using Warnings = SettingsLine::Warnings;

std::string mid(const std::string& s, size_t first, size_t count = std::string::npos) {
  if (first >= s.size()) return {};
  return s.substr(first, count);
}

std::string firstCharacter(const std::string& s) {
  return s.empty() ? std::string() : s.substr(0, 1);
}

auto constant(std::string text) {
  return [text = std::move(text)] { return text; };
}

auto textOf(const EditField& field) {
  return [&field] { return field.text(); };
}

auto textOf(const ComboBox& box) {
  return [&box] { return box.text(); };
}

// A check box takes 0, 1 or 2 (greyed); the flag is what the box then holds.
SettingsLine checkLine(std::string fresh, CheckBox& box, int& flag) {
  return {constant(std::move(fresh)),
          [&box, &flag](const std::string& L, Warnings&) {
            const long long v = roundHalfEven(leadingNumber(L));
            if (v < 0 || v > 2) throw SettingsLine::Refused{};
            box.setValue(static_cast<int>(v));
            flag = box.value();
          },
          [&box] { return std::to_string(box.value()); }};
}

// An edit field whose number becomes a settings value as it stands.
SettingsLine numberLine(std::string fresh, EditField& field, double& value) {
  return {constant(std::move(fresh)),
          [&field, &value](const std::string& L, Warnings&) {
            field.setText(L);
            value = leadingNumber(L);
          },
          textOf(field)};
}

// A window edge, stored as a whole number.
SettingsLine edgeLine(std::string fresh, std::function<int()> edge, std::function<void(int)> set) {
  return {constant(std::move(fresh)),
          [set](const std::string& L, Warnings&) {
            set(static_cast<int>(roundHalfEven(leadingNumber(L))));
          },
          [edge] { return std::to_string(edge()); }};
}

// A later line shown in one field. `canonical` is the one form of a line's value; the
// field shows it after apply, and save writes what it makes of the field, so that a saved
// line reads back as the same value and a fresh file holds the defaults in that form.
template <class Field>
SettingsLine laterLine(Field& field, std::string (*canonical)(std::string_view),
                       std::function<void(const std::string&)> store) {
  return {[canonical] { return canonical({}); },
          [&field, canonical, store](const std::string& L, Warnings&) {
            store(L);
            field.setText(canonical(L));
          },
          [&field, canonical] { return canonical(field.text()); }};
}

std::string busyWaitText(std::string_view line) {
  return std::to_string(busyWaitFromLine(line));
}
std::string archiveFormatText(std::string_view line) {
  return std::string(archiveFormatName(archiveFormatFromLine(line)));
}
std::string archiveCapText(std::string_view line) {
  return std::to_string(archiveCapFromLine(line));
}

}  // namespace

std::vector<SettingsLine> SettingsFile::makeTable() {
  Program& p = p_;
  SettingsForm& f = p.frm_Einstellungen;
  MainForm& main = p.frm_DoKu;
  PlaybackForm& oszi = p.frm_Oszi;
  MoreSettingsForm& more = p.frm_Mehr;
  const auto ignored = [](const std::string&, Warnings&) {};

  std::vector<SettingsLine> table;

  // 1: the stamp, never read.
  table.push_back({[this] { return stamp(", "); }, ignored, [this] { return stamp(" - "); }});

  // 2: the recordings folder.
  table.push_back({[&p] { return p.programFolder; },
                   [&p, &f](const std::string& L, Warnings& warnings) {
                     f.ed_PfadDoku.setText(L);
                     // A folder of the Windows program would be a relative name here, and
                     // logging would fill a folder of that odd name. The program folder
                     // stands in; the field and the line keep their text until the user
                     // chooses a folder. (Told once the file's language is known.)
                     p.recordingsFolder =
                         recordingsFolderFor(f.ed_PfadDoku.text(), p.programFolder);
                     const std::string cq = findCaseInsensitive(p.recordingsFolder, "CQFiles");
                     std::error_code ec;
                     if (fs::is_directory(cq, ec)) return;
                     // Only the one folder, and not in a recordings folder that has gone
                     // (an unplugged disk, or its empty mount point): that is not quietly
                     // made anew.
                     if (p.recorder.filer.folderVanished(p.recordingsFolder)) return;
                     fs::create_directory(cq, ec);
                     if (ec || !fs::is_directory(cq))
                       warnings.push_back(p.ownMessage(OwnText::CqFolderFailed,
                                                       {cq, ec ? ec.message() : "not a folder"}));
                   },
                   textOf(f.ed_PfadDoku)});

  // 3: the network name, also shown on the main window's load button.
  table.push_back({constant("QQ0QQ"),
                   [&p, &f, &main](const std::string& L, Warnings&) {
                     f.ed_FunkName.setText(L);
                     p.networkName = trim(f.ed_FunkName.text());
                     main.lbl_LoadWave.setCaption(f.ed_FunkName.text() + " " +
                                                  p.messageTexts.items[5]);
                   },
                   textOf(f.ed_FunkName)});

  // 4: the sample rate.
  table.push_back({constant("11025"),
                   [&p, &f](const std::string& L, Warnings&) {
                     f.cb_Sample.setText(L);
                     p.sampleRate = f.cb_Sample.text();
                   },
                   textOf(f.cb_Sample)});

  // 5: the language number.
  table.push_back({[&p] { return std::string(p.languageCode == "GB" ? "2" : "1"); },
                   [&p, &f](const std::string& L, Warnings&) {
                     const long long index = roundHalfEven(leadingNumber(L));
                     if (index < 0 || index > 5) throw SettingsLine::Refused{};
                     p.languageIndex = static_cast<int>(index);
                     p.languageCode = p.languageCodes[static_cast<size_t>(index)];
                     f.cb_Lang.setText(p.languageCode);
                   },
                   [&p, &f] {
                     f.cb_Lang.setText(p.languageIndex >= 0 && p.languageIndex < 6
                                           ? p.languageCodes[static_cast<size_t>(p.languageIndex)]
                                           : std::string());
                     return std::to_string(p.languageIndex);
                   }});

  // 6: the network number.
  table.push_back({constant("1"),
                   [&p, &f](const std::string& L, Warnings& warnings) {
                     // Recording names and their folders have room for one digit: another
                     // number is refused and the last usable one stays.
                     if (networkNumberUsable(L)) {
                       f.ed_FK.setText(L);
                       p.networkNumber = leadingNumber(f.ed_FK.text());
                     } else {
                       warnings.push_back(p.ownMessage(OwnText::NetworkNumberRefused,
                                                       {trim(L), numberText(p.networkNumber)}));
                       f.ed_FK.setText(numberText(p.networkNumber));
                     }
                   },
                   textOf(f.ed_FK)});

  // 7: the COM port number.
  table.push_back({constant("2"),
                   [&p, &f](const std::string& L, Warnings&) {
                     f.cb_Com.setText(trim(L));
                     p.comPortName = trim("COM" + f.cb_Com.text());
                   },
                   textOf(f.cb_Com)});

  // 8: the pin line, six one-character fields and a comment.
  table.push_back({constant(std::string("71+689") + kPinLineComment),
                   [&p, &f](const std::string& L, Warnings&) {
                     f.cb_TX.setText(mid(L, 0, 1));
                     f.cb_TX_off.setText(mid(L, 1, 1));
                     f.cb_Rog2.setText(mid(L, 3, 1));
                     f.cb_Rog1.setText(mid(L, 4, 1));
                     f.cb_CQ.setText(mid(L, 5, 1));
                     p.pttPin = leadingNumber(mid(L, 0, 1));
                     p.sendKeyLine = L.size() > 1 ? sendKeyLineForPin(L[1]) : 0;
                     p.pttInverted = mid(L, 2, 1) == "+" ? "0" : "1";
                     p.roger2Pin = leadingNumber(mid(L, 3, 1));
                     p.roger1Pin = leadingNumber(mid(L, 4, 1));
                     p.autoCqPin = leadingNumber(mid(L, 5, 1));
                   },
                   [&p, &f] {
                     // An empty pin box is written as "0", which reads back as no pin at all.
                     auto pin = [](const ComboBox& box) {
                       const std::string c = firstCharacter(box.text());
                       return c.empty() || c == " " ? std::string("0") : c;
                     };
                     return pin(f.cb_TX) + pin(f.cb_TX_off) + (p.pttInverted == "1" ? "-" : "+") +
                            pin(f.cb_Rog2) + pin(f.cb_Rog1) + pin(f.cb_CQ) + kPinLineComment;
                   }});

  // 9: the start threshold, also on the main window's slider.
  table.push_back(
      {constant("67"),
       [&p, &f, &main](const std::string& L, Warnings&) {
         const double number = leadingNumber(L);
         f.ed_StartPegel.setText(L);
         main.lbl_Schwelle.setCaption(numberText(number));
         p.startLevel = number;
         // A threshold typed beyond the slider's range is shown at its end; the
         // value itself stands as typed.
         main.sli_Schwelle.setValue(static_cast<int>(std::clamp<long long>(
             roundHalfEven(p.startLevel), main.sli_Schwelle.min(), main.sli_Schwelle.max())));
       },
       textOf(f.ed_StartPegel)});

  // 10, 11: the shortest and the longest recording, kept in tenths of a second.
  table.push_back({constant("10"),
                   [&p, &f](const std::string& L, Warnings&) {
                     f.ed_AufnZeitMin.setText(L);
                     p.minRecordTenths = leadingNumber(L) * 10;
                   },
                   textOf(f.ed_AufnZeitMin)});
  table.push_back({constant("180"),
                   [&p, &f, &main](const std::string& L, Warnings&) {
                     f.ed_AufnZeitMax.setText(L);
                     p.maxRecordTenths = std::floor(leadingNumber(L) * 10);
                     main.progressbar3.setMax(std::max(1, static_cast<int>(p.maxRecordTenths)));
                   },
                   textOf(f.ed_AufnZeitMax)});

  // 12: the pause after silence, never saved below 4 seconds.
  SettingsLine pause = numberLine("8", f.ed_PauseStille, p.pauseAfterSilence);
  // Below 4 s the silence count ends takes in the middle of speech. The window never
  // saves less; a file edited by hand gets what the window would give.
  pause.apply = [&p, &f](const std::string& L, Warnings&) {
    const double number = leadingNumber(L);
    f.ed_PauseStille.setText(number < 4 ? std::string("4") : L);
    p.pauseAfterSilence = std::max(number, 4.0);
  };
  pause.save = [&f] {
    if (leadingNumber(f.ed_PauseStille.text()) < 4) f.ed_PauseStille.setText("4");
    return f.ed_PauseStille.text();
  };
  table.push_back(std::move(pause));

  // 13, 14: the pause at signal and the days recordings are kept.
  table.push_back(numberLine("5", f.ed_PauseSignal, p.pauseAtSignal));
  table.push_back(numberLine("3", f.ed_FilesLöschen, p.deleteAfterDays));

  // 15: the playback volume, through the slider (loudest at 0) into both halves.
  table.push_back(
      {constant("50"),
       [&p, &f, &oszi](const std::string& L, Warnings&) {
         f.ed_PlayPegel.setText(L);
         const long long position =
             std::llabs(static_cast<long long>(std::floor(leadingNumber(L) * 65535 / 100)) - 65535);
         Slider& volume = oszi.sli_Lautst;
         volume.setValue(static_cast<int>(std::clamp<long long>(position, 0, 65535)));
         const std::uint32_t half = static_cast<std::uint32_t>(volume.value()) & 0xFFFF;
         p.playVolume = half | (half << 16);
         // In force for every playback from now on, as the slider would set it: the
         // announcement and a file opened directly included, not only after a list click.
         const auto gain = static_cast<std::uint16_t>(65535 - volume.value());
         p.soundSystem.setOutputVolume(gain, gain);
       },
       textOf(f.ed_PlayPegel)});

  // 16-20: the check boxes; transmitting through the port shows the TX buttons.
  table.push_back(checkLine("1", f.chk_StartAuto, p.autoRecordFlag));
  table.push_back(checkLine("0", f.chk_Sichtbar, p.startMinimizedFlag));
  table.push_back(checkLine("0", f.chk_Log_Anz, p.logMeterFlag));
  table.push_back(checkLine("1", f.chk_AufnDoku, p.loggingFlag));
  SettingsLine tx = checkLine("0", f.chk_TX, p.txViaComFlag);
  tx.apply = [&p, &oszi, applyCheck = tx.apply](const std::string& L, Warnings& warnings) {
    applyCheck(L, warnings);
    const bool shown = p.txViaComFlag != 0;
    oszi.cmdPap2.setVisible(shown);
    oszi.lbl_TX.setVisible(shown);
    oszi.lbl_Pl_tx.setVisible(shown);
  };
  table.push_back(std::move(tx));

  // 21: the count of sound files, kept by the recording index.
  table.push_back({constant("0"),
                   [&p](const std::string& L, Warnings&) { p.soundFileCount = leadingNumber(L); },
                   [&p] { return numberText(p.soundFileCount); }});

  // 22: the level polling interval.
  table.push_back({constant("10"),
                   [&f, &main](const std::string& L, Warnings&) {
                     // A polling interval of 0 would stop the meter and with it every
                     // recording without a word; such a value falls back to the usual 10 ms.
                     long long interval = roundHalfEven(leadingNumber(L));
                     if (interval < 1 || interval > 65535) interval = 10;
                     main.tmrPegel.setInterval(static_cast<int>(interval));
                     f.ed_Interval.setText(std::to_string(main.tmrPegel.interval()));
                   },
                   textOf(f.ed_Interval)});

  // 23, 24: settings window shown at start, play all sounds.
  table.push_back(checkLine("1", f.chk_Sichtbar2, p.settingsVisibleFlag));
  table.push_back(checkLine("1", f.chkFortlaufend, p.playAllFlag));

  // 25: the parrot function, which excludes playing all sounds.
  table.push_back({constant("0"),
                   [&p, &f, &main, &oszi](const std::string& L, Warnings&) {
                     const double number = leadingNumber(L);
                     if (number == 1) {
                       p.parrotFlag = 1;
                       main.lblCQ.setVisible(true);
                       f.chkPapagei.setValue(1);
                       f.chkFortlaufend.setValue(0);
                       p.playAllFlag = 0;
                       main.cmd_PAPA.setVisible(true);
                       oszi.cmdPap2.setVisible(true);
                       return;
                     }
                     p.parrotFlag = 0;
                     main.lblCQ.setVisible(false);
                     main.lblCQ.setBorderStyle(Look::Off);
                     f.chkPapagei.setValue(0);
                     main.cmd_PAPA.setVisible(false);
                     oszi.cmdPap2.setVisible(false);
                     if (number != 0) {
                       main.lblCQ.setEnabled(false);
                       main.cmd_PAPA.setEnabled(false);
                       f.ed_CQ.setEnabled(false);
                       f.chkPapagei.setEnabled(false);
                       f.lbl2.setEnabled(false);
                     }
                   },
                   [&f] { return std::string(f.chkPapagei.value() == 1 ? "1" : "0"); }});

  // 26: the Auto-TX pause in seconds.
  table.push_back({constant("6"),
                   [&f, &main](const std::string& L, Warnings&) {
                     f.ed_CQ.setText(L);
                     main.tmrCQ_PAUSE.setInterval(static_cast<int>(std::clamp<long long>(
                         roundHalfEven(leadingNumber(L) * 1000), 0, 86'400'000)));
                   },
                   textOf(f.ed_CQ)});

  // 27: the main window's left edge and height, in two columns of ten characters.
  table.push_back(
      {constant("15        15"),
       [&p, &main](const std::string& L, Warnings&) {
         main.setLeft(static_cast<int>(roundHalfEven(leadingNumber(mid(L, 0, 10)))));
         p.mainWindowHeight = static_cast<int>(roundHalfEven(leadingNumber(mid(L, 10, 10))));
         p.mainWindowLeft = main.left();
       },
       [&p, &main] { return padLeft(main.left(), 8) + "  " + padLeft(p.mainWindowHeight, 8); }});

  // 28-32: the other window edges.
  table.push_back(edgeLine(
      "15", [&main] { return main.top(); }, [&main](int v) { main.setTop(v); }));
  table.push_back(edgeLine(
      "15", [&f] { return f.left(); }, [&f](int v) { f.setLeft(v); }));
  table.push_back(edgeLine(
      "6760", [&f] { return f.top(); }, [&f](int v) { f.setTop(v); }));
  table.push_back(edgeLine(
      "5325", [&oszi] { return oszi.left(); }, [&oszi](int v) { oszi.setLeft(v); }));
  table.push_back(edgeLine(
      "15", [&oszi] { return oszi.top(); }, [&oszi](int v) { oszi.setTop(v); }));

  // 33: start at login; the entry itself is written or removed after the last line.
  table.push_back({constant("0"),
                   [&p](const std::string& L, Warnings&) {
                     p.autostartFlag = static_cast<int>(roundHalfEven(leadingNumber(L)));
                   },
                   [&p] { return std::to_string(p.autostartFlag); }});

  // 34: the transmit time-out.
  table.push_back({constant("300"),
                   [&p, &f](const std::string& L, Warnings&) {
                     p.txTimeoutSeconds = txTimeoutFromLine(L);
                     f.ed_TxTimeout.setText(std::to_string(p.txTimeoutSeconds));
                   },
                   textOf(f.ed_TxTimeout)});

  // 35: the input device by its name; the box offers what is there now, so a name it
  // does not offer is kept until the user picks another device.
  table.push_back({constant(""),
                   [&p](const std::string& L, Warnings&) {
                     p.inputDeviceName = plainLine(L);
                     p.settingsWindow.inputBox.show(p.inputDeviceName);
                   },
                   [&p] { return p.settingsWindow.inputBox.chosen(p.inputDeviceName); }});

  // 36: the transmit output by its name, kept in the same way.
  table.push_back(
      {[] { return txOutputFromLine({}); },
       [&p](const std::string& L, Warnings&) {
         p.txOutputDevice = txOutputFromLine(L);
         p.settingsWindow.outputBox.show(p.txOutputDevice);
       },
       [&p] { return txOutputFromLine(p.settingsWindow.outputBox.chosen(p.txOutputDevice)); }});

  // 37: the keying method, its TX delay and rigctld's PTT command, in three fields.
  table.push_back({[] { return keyingLineText(keyingFromLine({})); },
                   [&p, &more](const std::string& L, Warnings&) {
                     const KeyingLine keying = keyingFromLine(L);
                     p.keyingMethod = keying.method;
                     p.txDelayMs = keying.txDelayMs;
                     p.rigPttCommand = keying.pttCommand;
                     more.cb_Keying.setText(std::string(keyingMethodName(keying.method)));
                     more.ed_TxDelay.setText(std::to_string(keying.txDelayMs));
                     more.cb_PttCommand.setText(pttCommandName(keying.pttCommand));
                   },
                   [&more] {
                     KeyingLine keying;
                     keying.method =
                         keyingMethodNamed(more.cb_Keying.text()).value_or(KeyingMethod::Serial);
                     keying.txDelayMs =
                         static_cast<int>(wholeNumber(more.ed_TxDelay.text(), kLongestTxDelayMs)
                                              .value_or(defaultTxDelayMs(keying.method)));
                     keying.pttCommand = pttCommandNamed(more.cb_PttCommand.text()).value_or(1);
                     return keyingLineText(keying);
                   }});

  // 38: the rigctld address.
  table.push_back(laterLine(more.ed_Rigctld, rigctldAddressFromLine, [&p](const std::string& L) {
    p.rigctldAddress = rigctldAddressFromLine(L);
  }));

  // 39: the CM108 interface and GPIO, kept as typed beside the GPIO read from it.
  table.push_back(laterLine(more.ed_Cm108, plainLine, [&p](const std::string& L) {
    p.cm108Setting = plainLine(L);
    p.cm108Gpio = cm108FromLine(L).gpio;
  }));

  // 40: the busy-channel wait.
  table.push_back(laterLine(more.ed_BusyWait, busyWaitText, [&p](const std::string& L) {
    p.busyWaitSeconds = busyWaitFromLine(L);
  }));

  // 41: the archive format.
  table.push_back(laterLine(more.cb_ArchiveFormat, archiveFormatText, [&p](const std::string& L) {
    p.archiveFormat = archiveFormatFromLine(L);
  }));

  // 42: the command after each recording.
  table.push_back(laterLine(more.ed_AfterRecording, plainLine, [&p](const std::string& L) {
    p.afterRecordingCommand = plainLine(L);
  }));

  // 43: the archive cap.
  table.push_back(laterLine(more.ed_ArchiveCap, archiveCapText, [&p](const std::string& L) {
    p.archiveCapMb = archiveCapFromLine(L);
  }));

  return table;
}

}  // namespace tv
