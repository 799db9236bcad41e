#pragma once

#include "platform/form.h"

namespace tv {

// The settings window: one field for every line of the settings file. Saving writes the
// file straight from these fields, so they hold the settings themselves.
struct SettingsForm : Form {
  explicit SettingsForm(Ui& ui);

  Label lbl_Pfad{*this, "lbl_Pfad", {90, 150, 2300, 255}};
  EditField ed_PfadDoku{*this, "ed_PfadDoku", {2430, 120, 4200, 300}};
  Button cmdPfad{*this, "cmdPfad", {6690, 120, 900, 300}};
  Label lbl_FK{*this, "lbl_FK", {90, 480, 2300, 255}};
  EditField ed_FunkName{*this, "ed_FunkName", {2430, 450, 1300, 300}};
  Label lbl13{*this, "lbl13", {90, 810, 2300, 255}};
  EditField ed_FK{*this, "ed_FK", {2430, 780, 1300, 300}};
  Label lbl_Lang{*this, "lbl_Lang", {90, 1140, 2300, 255}};
  ComboBox cb_Lang{*this, "cb_Lang", {2430, 1110, 1300, 300}};
  Label lbl3{*this, "lbl3", {90, 1470, 2300, 255}};
  ComboBox cb_Device{*this, "cb_Device", {2430, 1440, 2900, 300}};
  Button cmd_SK{*this, "cmd_SK", {5400, 1440, 600, 300}};
  Label lbl5{*this, "lbl5", {90, 1800, 2300, 255}};
  ComboBox cb_Sample{*this, "cb_Sample", {2430, 1770, 1300, 300}};
  Label lbl14{*this, "lbl14", {90, 2130, 2300, 255}};
  ComboBox cb_Com{*this, "cb_Com", {2430, 2100, 1300, 300}};
  Label lbl29{*this, "lbl29", {90, 2460, 2300, 255}};
  ComboBox cb_TX{*this, "cb_TX", {2430, 2430, 1300, 300}};
  Label lbl30{*this, "lbl30", {90, 2790, 2300, 255}};
  ComboBox cb_TX_off{*this, "cb_TX_off", {2430, 2760, 1300, 300}};
  Label lbl_Rog2{*this, "lbl_Rog2", {90, 3120, 2300, 255}};
  ComboBox cb_Rog2{*this, "cb_Rog2", {2430, 3090, 1300, 300}};
  Label lbl_Rog1{*this, "lbl_Rog1", {90, 3450, 2300, 255}};
  ComboBox cb_Rog1{*this, "cb_Rog1", {2430, 3420, 1300, 300}};
  Label lbl_CQ{*this, "lbl_CQ", {90, 3780, 2300, 255}};
  ComboBox cb_CQ{*this, "cb_CQ", {2430, 3750, 1300, 300}};
  Label lbl_StartPegel{*this, "lbl_StartPegel", {90, 4110, 2300, 255}};
  EditField ed_StartPegel{*this, "ed_StartPegel", {2430, 4080, 1300, 300}};
  Label lbl19{*this, "lbl19", {3780, 4110, 700, 255}};
  Label lbl16{*this, "lbl16", {90, 4440, 2300, 255}};
  EditField ed_AufnZeitMin{*this, "ed_AufnZeitMin", {2430, 4410, 1300, 300}};
  Label lbl17{*this, "lbl17", {3780, 4440, 700, 255}};
  Label lbl18{*this, "lbl18", {90, 4770, 2300, 255}};
  EditField ed_AufnZeitMax{*this, "ed_AufnZeitMax", {2430, 4740, 1300, 300}};
  Label lbl20{*this, "lbl20", {3780, 4770, 700, 255}};
  Label lbl21{*this, "lbl21", {90, 5100, 2300, 255}};
  EditField ed_PauseStille{*this, "ed_PauseStille", {2430, 5070, 1300, 300}};
  Label lbl22{*this, "lbl22", {3780, 5100, 700, 255}};
  Label lbl23{*this, "lbl23", {90, 5430, 2300, 255}};
  EditField ed_PauseSignal{*this, "ed_PauseSignal", {2430, 5400, 1300, 300}};
  Label lbl24{*this, "lbl24", {3780, 5430, 700, 255}};
  Label lbl25{*this, "lbl25", {90, 5760, 2300, 255}};
  EditField ed_FilesLöschen{*this, "ed_FilesLöschen", {2430, 5730, 1300, 300}};
  Label lbl26{*this, "lbl26", {3780, 5760, 700, 255}};
  Label lbl28{*this, "lbl28", {90, 6090, 2300, 255}};
  EditField ed_PlayPegel{*this, "ed_PlayPegel", {2430, 6060, 1300, 300}};
  Label lbl15{*this, "lbl15", {3780, 6090, 700, 255}};
  Label lbl32{*this, "lbl32", {90, 6420, 2300, 255}};
  EditField ed_Interval{*this, "ed_Interval", {2430, 6390, 1300, 300}};
  Label lbl33{*this, "lbl33", {3780, 6420, 700, 255}};
  CheckBox chk_StartAuto{*this, "chk_StartAuto", {4650, 2100, 2900, 300}};
  CheckBox chk_Sichtbar{*this, "chk_Sichtbar", {4650, 2430, 2900, 300}};
  CheckBox chk_Log_Anz{*this, "chk_Log_Anz", {4650, 2760, 2900, 300}};
  CheckBox chk_AufnDoku{*this, "chk_AufnDoku", {4650, 3090, 2900, 300}};
  CheckBox chk_TX{*this, "chk_TX", {4650, 3420, 2900, 300}};
  CheckBox chk_Sichtbar2{*this, "chk_Sichtbar2", {4650, 3750, 2900, 300}};
  CheckBox chkFortlaufend{*this, "chkFortlaufend", {4650, 4080, 2900, 300}};
  CheckBox chkAutoStart{*this, "chkAutoStart", {4650, 4410, 2900, 300}};
  CheckBox chkPapagei{*this, "chkPapagei", {4650, 4740, 2000, 300}};
  EditField ed_CQ{*this, "ed_CQ", {6690, 4740, 500, 300}};
  Label lbl2{*this, "lbl2", {7230, 4770, 500, 255}};
  Label lbl_TxTimeout{*this, "lbl_TxTimeout", {4650, 5100, 2000, 255}};
  EditField ed_TxTimeout{*this, "ed_TxTimeout", {6690, 5070, 500, 300}};
  // Opens the second page.
  Button cmd_Mehr{*this, "cmd_Mehr", {4650, 5460, 1600, 360}};
  Button cmd_Speichern{*this, "cmd_Speichern", {90, 6870, 3000, 390}};
  Button cmd_Zurück{*this, "cmd_Zurück", {4650, 6870, 2900, 390}};
};

}  // namespace tv
