#pragma once

#include "platform/form.h"

namespace tv {

// The CQ file manager: the list of CQ calls with a name field and five buttons.
struct CqForm : Form {
  explicit CqForm(Ui& ui) : Form(ui, "frm_CQ", {5400, 1500, 4560, 4260}) {}

  Frame fr_CQFiles{*this, "fr_CQFiles", {60, 60, 4440, 4080}};
  ListBox lb_CQFiles{*this, "lb_CQFiles", {120, 300, 4200, 2520}, &fr_CQFiles};
  EditField ed_CQFiles{*this, "ed_CQFiles", {120, 2910, 4200, 300}, &fr_CQFiles};
  Button cmd_CQOK{*this, "cmd_CQOK", {120, 3390, 780, 390}, &fr_CQFiles};
  Button cmd_CQEdit{*this, "cmd_CQEdit", {960, 3390, 780, 390}, &fr_CQFiles};
  Button cmd_CQSave{*this, "cmd_CQSave", {1800, 3390, 780, 390}, &fr_CQFiles};
  Button cmd_CQLö{*this, "cmd_CQLö", {2640, 3390, 780, 390}, &fr_CQFiles};
  Button cmd_CQRet{*this, "cmd_CQRet", {3480, 3390, 840, 390}, &fr_CQFiles};
};

}  // namespace tv
