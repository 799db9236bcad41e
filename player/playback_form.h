#pragma once

#include "platform/form.h"

namespace tv {

// The playback and editing window.
struct PlaybackForm : Form {
  explicit PlaybackForm(Ui& ui) : Form(ui, "frm_Oszi", {5325, 15, 7200, 3600}) {}

  Label lbl_TX{*this, "lbl_TX", {6300, 2400, 720, 390}};
  Label lbl_Pl_tx{*this, "lbl_Pl_tx", {6300, 2820, 720, 255}};
  Button cmdPap2{*this, "cmdPap2", {5100, 2400, 1100, 390}};
  Slider sli_Lautst{*this, "sli_Lautst", {6600, 120, 360, 2160}};
};

}  // namespace tv
