#pragma once

#include "platform/form.h"

namespace tv {

// The question before a recording is deleted.
struct DeleteForm : Form {
  explicit DeleteForm(Ui& ui) : Form(ui, "frm_Loe_File", {5400, 3000, 4500, 1800}) {}
};

}  // namespace tv
