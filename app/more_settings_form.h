#pragma once

#include "platform/form.h"
#include "texts/language.h"

namespace tv {

// The settings window's second page: the settings lines added after the original layout.
// Like the first page its fields hold the settings themselves; saving writes the file
// from the fields of both pages.
struct MoreSettingsForm : Form {
  explicit MoreSettingsForm(Ui& ui);

  // Captions and tooltips in the language.
  void applyTexts(Language language);

  Label lbl_TxOutput{*this, "lbl_TxOutput", {90, 150, 2950, 255}};
  ComboBox cb_TxOutput{*this, "cb_TxOutput", {3120, 120, 4530, 300}};
  Label lbl_Keying{*this, "lbl_Keying", {90, 480, 2950, 255}};
  ComboBox cb_Keying{*this, "cb_Keying", {3120, 450, 1300, 300}};
  Label lbl_TxDelay{*this, "lbl_TxDelay", {90, 810, 2950, 255}};
  EditField ed_TxDelay{*this, "ed_TxDelay", {3120, 780, 1300, 300}};
  Label lbl_TxDelayUnit{*this, "lbl_TxDelayUnit", {4470, 810, 700, 255}};
  Label lbl_PttCommand{*this, "lbl_PttCommand", {90, 1140, 2950, 255}};
  ComboBox cb_PttCommand{*this, "cb_PttCommand", {3120, 1110, 1300, 300}};
  Label lbl_Rigctld{*this, "lbl_Rigctld", {90, 1470, 2950, 255}};
  EditField ed_Rigctld{*this, "ed_Rigctld", {3120, 1440, 3000, 300}};
  Label lbl_Cm108{*this, "lbl_Cm108", {90, 1800, 2950, 255}};
  EditField ed_Cm108{*this, "ed_Cm108", {3120, 1770, 4530, 300}};
  Label lbl_BusyWait{*this, "lbl_BusyWait", {90, 2130, 2950, 255}};
  EditField ed_BusyWait{*this, "ed_BusyWait", {3120, 2100, 1300, 300}};
  Label lbl_BusyWaitUnit{*this, "lbl_BusyWaitUnit", {4470, 2130, 700, 255}};
  Label lbl_ArchiveFormat{*this, "lbl_ArchiveFormat", {90, 2460, 2950, 255}};
  ComboBox cb_ArchiveFormat{*this, "cb_ArchiveFormat", {3120, 2430, 1300, 300}};
  Label lbl_AfterRecording{*this, "lbl_AfterRecording", {90, 2790, 2950, 255}};
  EditField ed_AfterRecording{*this, "ed_AfterRecording", {3120, 2760, 4530, 300}};
  Label lbl_ArchiveCap{*this, "lbl_ArchiveCap", {90, 3120, 2950, 255}};
  EditField ed_ArchiveCap{*this, "ed_ArchiveCap", {3120, 3090, 1300, 300}};
  Label lbl_ArchiveCapUnit{*this, "lbl_ArchiveCapUnit", {4470, 3120, 700, 255}};
  Button cmd_Speichern{*this, "cmd_Speichern", {90, 3570, 3000, 390}};
  Button cmd_Zurück{*this, "cmd_Zurück", {4650, 3570, 3000, 390}};
};

}  // namespace tv
