#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "texts/language.h"

namespace tv {

// Messages for failures the built-in text table has no words for (the Linux program meets
// devices, rights and files the original never did). Texts may carry %1, %2, ... for the
// details a caller fills in with formatOwnText.
//
// To add a text: add its name before Count and its row, at the same place, in own_texts.cpp.
enum class OwnText {
  SettingsWriteFailed,    // %1 file, %2 reason
  SettingsKeptAsBad,      // %1 name the unreadable file was kept under
  CqFolderFailed,         // %1 folder, %2 reason
  AutostartWriteFailed,   // %1 entry, %2 reason
  AutostartDeleteFailed,  // %1 entry, %2 reason
  SerialNoRights,         // %1 port
  SerialOpenFailed,       // %1 port, %2 reason
  SoundDeviceFailed,      // %1 device, %2 reason
  SoundDeviceLost,        // %1 device, %2 reason
  RecordingSaveFailed,    // %1 file, %2 reason
  InputFileFailed,        // %1 file, %2 reason
  NoTrayArea,
  SerialPortLost,    // %1 port, %2 reason
  SerialPortBack,    // %1 port
  SerialInUse,       // %1 port, %2 the program holding it
  HelpViewerFailed,  // %1 file, %2 reason
  TxTimeoutExpired,  // %1 seconds
  TxTimeoutLabel,
  CutSaveAsCqCaption,
  CutRemoveCaption,
  CutBackCaption,
  DeleteQuestion,
  DeleteYes,
  DeleteNo,
  ParrotCaption,
  TxTimeoutTip,
  NoSoundOutput,
  RecordingKept,          // %1 file, %2 folder, %3 reason
  NetworkNumberRefused,   // %1 text entered, %2 number kept
  DesktopLauncherFailed,  // %1 file, %2 reason
  AutoTxNotPlayable,      // %1 file
  AutoTxNoLength,         // %1 file
  SendKeyReadFailed,      // %1 reason
  CqNameRefused,          // %1 name
  CqNothingLoaded,
  CqCopyFailed,           // %1 source, %2 target, %3 reason
  CqRenameFailed,         // %1 old name, %2 new name, %3 reason
  CqDeleteFailed,         // %1 file, %2 reason
  RecordingDeleteFailed,  // %1 file, %2 reason
  EditReadFailed,         // %1 file, %2 reason
  EditSaveFailed,         // %1 file, %2 reason
  EditRestTooShort,       // %1 seconds left, %2 minimum seconds
  NoticesCaption,
  NoticesClose,
  NoticeLineHint,
  MoreSettingsTitle,
  MoreSettingsOpen,
  MoreSettingsOpenTip,
  TxOutputLabel,
  TxOutputTip,
  KeyingLabel,
  KeyingTip,
  TxDelayLabel,
  TxDelayTip,
  PttCommandLabel,
  PttCommandTip,
  RigctldAddressLabel,
  RigctldAddressTip,
  Cm108Label,
  Cm108Tip,
  BusyWaitLabel,
  BusyWaitTip,
  ArchiveFormatLabel,
  ArchiveFormatTip,
  AfterRecordingLabel,
  AfterRecordingTip,
  ArchiveCapLabel,
  ArchiveCapTip,
  SecondsUnit,
  MoreSettingsAccept,
  MoreSettingsAcceptTip,
  MoreSettingsClose,
  MoreSettingsCloseTip,
  TxInUseRefused,
  TxNoSoundOutput,
  TxSoundStalled,  // %1 seconds
  AutoTxNotSent,   // %1 file, %2 reason
  AutoTxEndedByLoad,
  ScheduleSkippedInUse,  // %1 moment, %2 seconds
  SchedulePlaybackStopped,
  ScheduleNotSent,          // %1 moment, %2 file, %3 reason
  ScheduleSkippedLate,      // %1 moment, %2 seconds late
  ScheduleSkippedTooSoon,   // %1 moment, %2 seconds since the last
  ChannelBusySkipped,       // %1 sender or moment, %2 seconds
  LockoutNoInput,           // %1 reason
  ProgramFolderUnwritable,  // %1 folder, %2 reason
  SettingsRecovered,        // %1 file, %2 lines found, %3 backup
  FolderLockUnavailable,    // %1 folder, %2 reason
  WindowsRecordingsFolder,  // %1 folder as stored, %2 program folder
  TakeWriteFailed,          // %1 file, %2 reason
  RecordingSaveKept,        // %1 file, %2 reason, %3 folder
  LeftoverFiled,            // %1 file
  RecordingsFolderMissing,  // %1 recordings folder, %2 file, %3 folder it stays in
  RecordingsFolderEmpty,    // %1 recordings folder, %2 file, %3 folder it stays in
  TreeCopyFailed,           // %1 file, %2 what failed, %3 list of owed copies
  EditNameTaken,            // %1 file
  EditFolderGone,           // %1 recordings folder
  DefaultDesktopSound,
  DefaultFirstCard,
  SoundInputWaiting,   // %1 device, %2 reason
  SoundInputBack,      // %1 device
  DeviceHeldByServer,  // %1 device, %2 the server's name for it
  TxOutputGone,        // %1 output, %2 reason
  OutputMoveFailed,    // %1 output, %2 reason
  SoundFileReading,    // %1 file, %2 percent read
  DiskLowOnSpace,      // %1 recordings folder, %2 MB free
  ArchiveCapUnkept,    // %1 recordings folder, %2 MB free, %3 cap in MB
  CommandFailed,       // %1 command, %2 recording, %3 what happened
  CommandsDropped,     // %1 recording whose command was dropped
  // Both: %1 settings file, %2 program folder.
  HeadlessNoSettings,
  HeadlessSettingsCorrupt,
  KeyerUnreachable,    // %1 device, %2 reason
  KeyerBack,           // %1 device
  KeyerFailed,         // %1 device, %2 reason
  KeyerReleaseFailed,  // %1 device, %2 reason
  SendKeyNotAvailable,
  Count                // not a text; keep last
};

inline constexpr std::size_t kOwnTextCount = static_cast<std::size_t>(OwnText::Count);

// The text in the given language; any language value other than German gives English, so a
// failure is never reported with an empty message. Count and unknown values give "".
std::string_view ownText(OwnText text, Language language);

// The text with %1..%9 replaced by args[0..8]. Replacement is one pass over the text, so an
// argument that itself contains "%2" (a file name can) is shown as it is. A placeholder without
// an argument stays visible rather than vanishing silently; surplus arguments are ignored.
std::string formatOwnText(OwnText text, Language language,
                          std::initializer_list<std::string_view> args);

}  // namespace tv
