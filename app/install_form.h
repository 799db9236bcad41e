#pragma once

#include <array>

#include "platform/form.h"

namespace tv {

// The installation window of the first start. It opens low, showing only the two flags;
// choosing a language gives it its full height with the information text, the
// acceptance, the launcher box and the two buttons. The information text lies in
// frx_Inst, which tmr_Scroll moves inside the scrolling frame frx_Scroll.
struct InstallForm : Form {
  explicit InstallForm(Ui& ui) : Form(ui, "frm_inst", {3000, 1500, 7200, kChoiceHeight}) {
    lbl_Inst_DE.setCaption("DL");
    lbl_Inst_DE.setToolTip("Deutsch");
    lbl_Inst_GB.setCaption("GB");
    lbl_Inst_GB.setToolTip("English");
    for (Label* flag : {&lbl_Inst_DE, &lbl_Inst_GB}) {
      flag->setAlignment(Label::Align::Centre);
      flag->setBorderStyle(Look::Off);
    }
    lbl_Sprache.setCaption("Bitte Sprache wählen  /  Please choose your language");
    lbl_Sprache.setWordWrap(true);
    lbl_Inst_Mail.setCaption("Tonvogel für Linux");
    lbl_Inst_Mail.setForeColour(rgb(0, 0, 128));
  }

  // Before a language is chosen; the full height comes with the choice.
  static constexpr int kChoiceHeight = 870;
  static constexpr int kFullHeight = 4755;

  Label lbl_Inst_DE{*this, "lbl_Inst_DE", {240, 180, 900, 600}};
  Label lbl_Inst_GB{*this, "lbl_Inst_GB", {1320, 180, 900, 600}};
  Label lbl_Sprache{*this, "lbl_Sprache", {2520, 240, 4440, 480}};

  Frame frx_Scroll{*this, "frx_Scroll", {240, 900, 6720, 2460}};
  Frame frx_Inst{*this, "frx_Inst", {30, 30, 6360, 2400}, &frx_Scroll};
  Label lbl_Inst1{*this, "lbl_Inst1", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst2{*this, "lbl_Inst2", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_inst3{*this, "lbl_inst3", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst4{*this, "lbl_Inst4", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst5{*this, "lbl_Inst5", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst6{*this, "lbl_Inst6", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst7{*this, "lbl_Inst7", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst8{*this, "lbl_Inst8", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst9{*this, "lbl_Inst9", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst10{*this, "lbl_Inst10", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst11{*this, "lbl_Inst11", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst12{*this, "lbl_Inst12", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst13{*this, "lbl_Inst13", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst14{*this, "lbl_Inst14", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_Inst15{*this, "lbl_Inst15", {90, 0, 6180, 300}, &frx_Inst};
  Label lbl_INST16{*this, "lbl_INST16", {90, 0, 6180, 300}, &frx_Inst};

  CheckBox chk_Inst{*this, "chk_Inst", {240, 3480, 3300, 300}};
  CheckBox chk_Start{*this, "chk_Start", {240, 3840, 3300, 300}};
  Label lbl_Inst_Mail{*this, "lbl_Inst_Mail", {270, 4230, 3270, 270}};
  Button cmd_Inst_Ein{*this, "cmd_Inst_Ein", {3720, 3450, 3240, 390}};
  Button cmd_Inst_NEIN{*this, "cmd_Inst_NEIN", {3720, 3930, 3240, 390}};

  // Both run only while the window is loaded: loading arms tmr_Scroll, closing the
  // window stops both, as a window's timers end with it.
  Timer tmr_Inst{timers(), "tmr_Inst", 500, false};
  Timer tmr_Scroll{timers(), "tmr_Scroll", 100, false};

  // The labels of the information text, in the order of its pieces.
  std::array<Label*, 16> infoLabels() {
    return {&lbl_Inst1,  &lbl_Inst2,  &lbl_inst3,  &lbl_Inst4,  &lbl_Inst5,  &lbl_Inst6,
            &lbl_Inst7,  &lbl_Inst8,  &lbl_Inst9,  &lbl_Inst10, &lbl_Inst11, &lbl_Inst12,
            &lbl_Inst13, &lbl_Inst14, &lbl_Inst15, &lbl_INST16};
  }
};

}  // namespace tv
