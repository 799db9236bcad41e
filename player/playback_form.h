#pragma once

#include "platform/form.h"

namespace tv {

// The playback and editing window.
struct PlaybackForm : Form {
  explicit PlaybackForm(Ui& ui) : Form(ui, "frm_Oszi", {5325, 15, 7200, 3600}) {
    // Loudest at 0, as the volume has always been stored.
    sli_Lautst.setRange(0, 65535);
    sli_Lautst.setVertical(true);
  }

  Label lbl_TX{*this, "lbl_TX", {6300, 2400, 720, 390}};
  Label lbl_Pl_tx{*this, "lbl_Pl_tx", {6300, 2820, 720, 255}};
  Button cmdPap2{*this, "cmdPap2", {5100, 2400, 1100, 390}};
  Slider sli_Lautst{*this, "sli_Lautst", {6600, 120, 360, 2160}};
};

}  // namespace tv
