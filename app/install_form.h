#pragma once

#include "platform/form.h"

namespace tv {

// The installation window of the first start.
struct InstallForm : Form {
  explicit InstallForm(Ui& ui) : Form(ui, "frm_inst", {3000, 1500, 7200, 4755}) {}

  Label lbl_Inst_DE{*this, "lbl_Inst_DE", {240, 240, 900, 600}};
  Label lbl_Inst_GB{*this, "lbl_Inst_GB", {1260, 240, 900, 600}};
  CheckBox chk_Inst{*this, "chk_Inst", {240, 3600, 3000, 300}};
  CheckBox chk_Start{*this, "chk_Start", {240, 3960, 3000, 300}};
  Label lbl_Inst_Mail{*this, "lbl_Inst_Mail", {3600, 240, 3300, 300}};
  Button cmd_Inst_Ein{*this, "cmd_Inst_Ein", {3600, 3600, 3300, 390}};
  Button cmd_Inst_NEIN{*this, "cmd_Inst_NEIN", {3600, 4020, 3300, 390}};
  Timer tmr_Inst{timers(), "tmr_Inst", 500, false};
};

}  // namespace tv
