#pragma once

#include "platform/form.h"

namespace tv {

// The station's recent notices, newest first, opened from the notice line of the main
// window's status bar. It only shows: nothing here waits for an answer.
struct NoticesForm : Form {
  explicit NoticesForm(Ui& ui) : Form(ui, "frm_Meldungen", {5400, 1500, 9000, 3900}) {
    setSizable(false);
    setCaption("Meldungen");
    cmd_Schliessen.setCaption("Schliessen");
  }

  ListBox lb_Meldungen{*this, "lb_Meldungen", {90, 90, 8790, 3030}};
  Button cmd_Schliessen{*this, "cmd_Schliessen", {6780, 3180, 2100, 390}};
};

}  // namespace tv
