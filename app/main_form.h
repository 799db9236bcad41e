#pragma once

#include "platform/form.h"

namespace tv {

// The main window: the menu bar, the list of recordings with its four buttons, the
// recorder's controls in the frame below the list, the status bar and the tray icon.
// Sizes in twips; the list and the lower frame follow the window's height.
struct MainForm : Form {
  explicit MainForm(Ui& ui) : Form(ui, "frm_DoKu", {15, 15, 5325, 4005}) {
    setSizable(true);
    sli_Schwelle.setRange(0, 100);
    lb_CQVorwahl.setVisible(false);
    // Built-in German texts, shown until a language is applied (and for the buttons
    // that have no entry in the text table).
    lbl_Menue.setCaption("Datei");
    lbl_LoadWave.setCaption("Soundaufnahmen");
    lbl_Start.setCaption("EIN/AUS");
    lblCQ.setCaption("Auto-TX");
    cmd_PAPA.setCaption("Papagei");
    cmd_file_neu.setCaption("schneiden");
    cmd_File_lö.setCaption("löschen");
    cmd_zur.setCaption("minimieren");
    fr3.setCaption("Sounds der letzten Tage");
  }

  Label tb1{*this, "tb1", {0, 0, 5325, 300}};
  Label lbl_Menue{*this, "lbl_Menue", {60, 30, 700, 240}};
  Label lbl_LoadWave{*this, "lbl_LoadWave", {800, 30, 1300, 240}};
  Label lblCQ{*this, "lblCQ", {2200, 30, 900, 240}};
  Label lblrsp{*this, "lblrsp", {3160, 30, 900, 240}};
  Label lblGesamtzeit{*this, "lblGesamtzeit", {4100, 30, 1150, 240}};

  ListBox lb_Sounds{*this, "lb_Sounds", {60, 315, 3900, 1530}};
  Button cmd_PAPA{*this, "cmd_PAPA", {4020, 1307, 1200, 255}};
  Button cmd_file_neu{*this, "cmd_file_neu", {4020, 1951, 1200, 255}};
  Button cmd_File_lö{*this, "cmd_File_lö", {4020, 2223, 1200, 255}};
  Button cmd_zur{*this, "cmd_zur", {4020, 2495, 1200, 255}};

  // The recorder's panel follows the bottom edge (top = height - 2160).
  Frame fr3{*this, "fr3", {60, 1845, 3900, 1830}};
  Frame fr2{*this, "fr2", {60, 240, 3780, 1530}, &fr3};
  Label lbl_Start{*this, "lbl_Start", {90, 240, 900, 360}, &fr2};
  Label lbl_Record{*this, "lbl_Record", {1050, 300, 240, 240}, &fr2};
  Label lbl_Rec_Max{*this, "lbl_Rec_Max", {1350, 270, 900, 300}, &fr2};
  Label lbl_PegelAnzeige{*this, "lbl_PegelAnzeige", {2300, 270, 600, 300}, &fr2};
  Label lbl_ROTL{*this, "lbl_ROTL", {3000, 300, 240, 240}, &fr2};
  ProgressBar Progressbar1{*this, "Progressbar1", {90, 690, 3300, 210}, &fr2};
  Slider sli_Schwelle{*this, "sli_Schwelle", {60, 930, 3360, 270}, &fr2};
  Label lbl_Schwelle{*this, "lbl_Schwelle", {3420, 930, 330, 255}, &fr2};
  ProgressBar progressbar3{*this, "progressbar3", {90, 1230, 3600, 105}, &fr2};
  ProgressBar progressbar4{*this, "progressbar4", {90, 1365, 3600, 105}, &fr2};

  // The pre-selection of the Auto-TX button, shown like a menu beside the pointer.
  ListBox lb_CQVorwahl{*this, "lb_CQVorwahl", {2200, 300, 2400, 780}};

  StatusBar sb{*this, "sb", {0, 3675, 5325, 330}};
  TrayIcon tic1{*this, "tic1"};

  // The recorder's and the transmitter's clocks.
  Timer tmrPegel{timers(), "tmrPegel", 10, false};
  Timer tmrZT1{timers(), "tmrZT1", 100, false};
  Timer tmrZT2{timers(), "tmrZT2", 100, false};
  Timer tmrZT3{timers(), "tmrZT3", 1000, false};
  Timer tmr_Blink{timers(), "tmr_Blink", 500, false};
  Timer tmr_Zeit{timers(), "tmr_Zeit", 1000, true};
  Timer tmrAufnahme{timers(), "tmrAufnahme", 0, false};
  Timer tmr_Löe{timers(), "tmr_Löe", 100, false};
  Timer tmrCQ{timers(), "tmrCQ", 0, false};
  Timer tmrCQ_PAUSE{timers(), "tmrCQ_PAUSE", 6000, false};
  Timer tmrRSP{timers(), "tmrRSP", 50, false};
  Timer tmr_Play{timers(), "tmr_Play", 100, false};
  Timer tmr2{timers(), "tmr2", 50, false};
  Timer tmr_Focus{timers(), "tmr_Focus", 200, false};
  // Waits for the end of a drag-resize, so that the size is saved once, not per step.
  Timer tmrResize{timers(), "tmrResize", 400, false};
  // Releases a transmitter keyed for too long; armed by each keying.
  Timer tmr_TxTimeout{timers(), "tmr_TxTimeout", 0, false};
};

}  // namespace tv
