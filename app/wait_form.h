#pragma once

#include "platform/form.h"

namespace tv {

// The wait window: one line of progress while the program works through the
// recordings folder.
struct WaitForm : Form {
  explicit WaitForm(Ui& ui) : Form(ui, "frm_Info", {5400, 4200, 6000, 900}) {}

  Label lbl_info{*this, "lbl_info", {120, 150, 5700, 500}};
};

}  // namespace tv
