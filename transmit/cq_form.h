#pragma once

#include "platform/form.h"

namespace tv {

// The CQ file manager.
struct CqForm : Form {
  explicit CqForm(Ui& ui) : Form(ui, "frm_CQ", {5400, 1500, 4500, 4200}) {}
};

}  // namespace tv
