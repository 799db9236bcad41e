#pragma once

#include "platform/form.h"

namespace tv {

// The playback and editing window: the waveform with its peak bar, the position and
// speed sliders, the playing buttons, the TX button and the cut-mode controls.
struct PlaybackForm : Form {
  explicit PlaybackForm(Ui& ui) : Form(ui, "frm_Oszi", {5325, 15, 7200, 3420}) {
    // Loudest at 0, as the volume has always been stored.
    sli_Lautst.setRange(0, 65535);
    sli_Lautst.setVertical(true);
    slider.setRange(0, 1'000'000);
    sli_Speed.setRange(1, 30);
    sli_Speed.setValue(10);
    // The ends of a marked stretch stand out from the cyan trace on black.
    lbl_Mark1.setBackColour(rgb(255, 255, 0));
    lbl_Mark2.setBackColour(rgb(255, 255, 0));
    // A small dark mark under the slider where the speed is normal.
    lbl_gn.setBackColour(rgb(0, 0, 128));
    pro1.setVertical(true);
    // The peak table holds distances from mid-scale of 16-bit words.
    pro1.setMax(32768);
    for (Control* c : {static_cast<Control*>(&lbl_Schneiden), static_cast<Control*>(&cmd_Save),
                       static_cast<Control*>(&cmd_Kill), static_cast<Control*>(&cmd_Ret),
                       static_cast<Control*>(&lbl_Mark1), static_cast<Control*>(&lbl_Mark2)})
      c->setVisible(false);
  }

  Label lblFile{*this, "lblFile", {60, 60, 6420, 255}};
  DrawingFrame frx1{*this, "frx1", {60, 360, 4440, 975}};
  // Inside the waveform frame: labels beside it would be drawn beneath it.
  Label lbl_Mark1{*this, "lbl_Mark1", {0, 0, 30, 975}, &frx1};
  Label lbl_Mark2{*this, "lbl_Mark2", {0, 0, 30, 975}, &frx1};
  ProgressBar pro1{*this, "pro1", {4560, 360, 240, 975}};
  Slider sli_Lautst{*this, "sli_Lautst", {6660, 360, 360, 2160}};

  Slider slider{*this, "slider", {60, 1380, 4440, 300}};
  Label lblpos{*this, "lblpos", {60, 1710, 500, 255}};
  Label lbl_pos{*this, "lbl_pos", {600, 1710, 1200, 255}};
  Label lbl_sek{*this, "lbl_sek", {1860, 1710, 1200, 255}};

  Slider sli_Speed{*this, "sli_Speed", {60, 2010, 3000, 300}};
  Label lbl_gn{*this, "lbl_gn", {1005, 2310, 90, 90}};
  Label lbl_sp2{*this, "lbl_sp2", {3120, 2040, 900, 255}};
  Label lblSpeed{*this, "lblSpeed", {4080, 2040, 2460, 255}};

  Label lblFreqNorm{*this, "lblFreqNorm", {60, 2460, 800, 390}};
  Button cmdStop{*this, "cmdStop", {900, 2460, 800, 390}};
  Button cmd_Unterbrechen{*this, "cmd_Unterbrechen", {1740, 2460, 800, 390}};
  Button cmd_Os_Zurück{*this, "cmd_Os_Zurück", {2580, 2460, 800, 390}};
  Button cmdPap2{*this, "cmdPap2", {3420, 2460, 1080, 390}};
  Label lbl_TX{*this, "lbl_TX", {4560, 2460, 720, 390}};
  Label lbl_Pl_tx{*this, "lbl_Pl_tx", {5340, 2520, 1200, 255}};
  Label lblFreq2{*this, "lblFreq2", {5340, 2100, 0, 0}};

  Label lbl_Schneiden{*this, "lbl_Schneiden", {60, 2940, 1500, 255}};
  Button cmd_Save{*this, "cmd_Save", {1620, 2910, 1140, 330}};
  Button cmd_Kill{*this, "cmd_Kill", {2820, 2910, 1140, 330}};
  Button cmd_Ret{*this, "cmd_Ret", {4020, 2910, 900, 330}};
  // Only the keyboard's target while a sound plays (the space bar keys the transmitter):
  // one pixel in the corner, there only so that it can hold the focus.
  EditField ed1{*this, "ed1", {7155, 3375, 15, 15}};

  Timer tmr1{timers(), "tmr1", 50, false};
  // Often enough that the position shown never lags the sound by 50 ms.
  Timer tmrplaywave{timers(), "tmrplaywave", 40, false};
  Timer tmr_NachStop{timers(), "tmr_NachStop", 300, false};
  // Tells the user, once, that playback keeps time without a sound output.
  Timer tmrSoundNotice{timers(), "tmrSoundNotice", 1, false};
  // Shows how far the waveform and the peak bar of a long file have been read.
  Timer tmrReading{timers(), "tmrReading", 100, false};
};

}  // namespace tv
