#include "app/settings_form.h"

#include <string>

#include "texts/own_texts.h"

namespace tv {

SettingsForm::SettingsForm(Ui& ui) : Form(ui, "frm_Einstellungen", {15, 6760, 7800, 7410}) {
  setCaption("Einstellungen");
  // The pins the transmitter can be keyed by and the input lines a send key can use.
  cb_TX.setItems({"4", "7"});
  cb_TX_off.setItems({"1", "6", "8", "9"});
  for (ComboBox* pin : {&cb_Rog2, &cb_Rog1, &cb_CQ}) pin->setItems({"1", "6", "8", "9"});
  cb_Sample.setItems({"8000", "11025", "16000", "22050", "32000", "44100"});
  cmdPfad.setCaption("Pfad");
  cmd_SK.setCaption("OK");
  cmd_Speichern.setCaption("Änderungen übernehmen");
  cmd_Zurück.setCaption("Fenster schließen");
  for (auto [label, text] : {std::pair{&lbl_Pfad, "Dokumentation"}, {&lbl_FK, "Name"},
                             {&lbl13, "FK"}, {&lbl_Lang, "Sprache"}, {&lbl3, "Audiogerät"},
                             {&lbl5, "Samples"}, {&lbl14, "COM"}, {&lbl29, "PTT on"},
                             {&lbl30, "PTT off"}, {&lbl_Rog2, "Roger2"}, {&lbl_Rog1, "Roger1"},
                             {&lbl_CQ, "AutoCQ"}, {&lbl_StartPegel, "Startpegel bei"},
                             {&lbl19, "%"}, {&lbl16, "Aufnahmezeit Minimum"}, {&lbl17, "Sek."},
                             {&lbl18, "Aufnahmezeit Maximum"}, {&lbl20, "Sek."},
                             {&lbl21, "Pause nach Stille von"}, {&lbl22, "Sek."},
                             {&lbl23, "Pause bei Signal"}, {&lbl24, "ms"},
                             {&lbl25, "Autom. Löschen nach"}, {&lbl26, "Tage"},
                             {&lbl28, "Lautst.-Pegel"}, {&lbl15, "%"},
                             {&lbl32, "SK-Input-Abfrage alle"}, {&lbl33, "ms"}, {&lbl2, "Sek."}})
    label->setCaption(text);
  for (auto [box, text] : {std::pair{&chk_StartAuto, "Autom. Record"},
                           {&chk_Sichtbar, "Fenster minimiert"},
                           {&chk_Log_Anz, "log. Pegelanzeige"}, {&chk_AufnDoku, "Doku EIN/AUS"},
                           {&chk_TX, "TX über COM"}, {&chk_Sichtbar2, "Einst. Sichtbar"},
                           {&chkFortlaufend, "Alle Sounds"}, {&chkAutoStart, "Programmstart"},
                           {&chkPapagei, "Auto-TX nach"}})
    box->setCaption(text);
  lbl_TxTimeout.setCaption(std::string(ownText(OwnText::TxTimeoutLabel, Language::German)));
  cmd_Mehr.setCaption(std::string(ownText(OwnText::MoreSettingsOpen, Language::German)));
}

}  // namespace tv
