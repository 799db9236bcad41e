#pragma once

#include "platform/form.h"

namespace tv {

// The question before a recording is deleted. The question stands in the window as
// well as in its title, which a desktop without window frames does not show.
struct DeleteForm : Form {
  explicit DeleteForm(Ui& ui) : Form(ui, "frm_Loe_File", {5400, 3000, 5325, 1500}) {
    setCaption("Wirklich loeschen!?");
    lbl_Frage.setCaption("Wirklich loeschen!?");
    lbl_Frage.setFont("", 0, true);
  }

  Label lbl_Frage{*this, "lbl_Frage", {120, 60, 5085, 300}};
  Label lbl_Loe_File{*this, "lbl_Loe_File", {120, 390, 5085, 420}};
  Button cmd_Loe_YES{*this, "cmd_Loe_YES", {600, 870, 1800, 390}};
  Button cmd_Loe_NO{*this, "cmd_Loe_NO", {2925, 870, 1800, 390}};
};

}  // namespace tv
