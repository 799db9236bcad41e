#pragma once

#include "platform/form.h"

namespace tv {

// The question before a recording is deleted.
struct DeleteForm : Form {
  explicit DeleteForm(Ui& ui) : Form(ui, "frm_Loe_File", {5400, 3000, 5325, 1500}) {}

  Label lbl_Loe_File{*this, "lbl_Loe_File", {120, 120, 5085, 600}};
  Button cmd_Loe_YES{*this, "cmd_Loe_YES", {600, 870, 1800, 390}};
  Button cmd_Loe_NO{*this, "cmd_Loe_NO", {2925, 870, 1800, 390}};
};

}  // namespace tv
