#include "app/more_settings_form.h"

#include <string>

#include "app/settings_values.h"
#include "texts/own_texts.h"

namespace tv {

MoreSettingsForm::MoreSettingsForm(Ui& ui) : Form(ui, "frm_Mehr", {465, 7210, 7800, 4140}) {
  std::vector<std::string> methods;
  for (KeyingMethod method :
       {KeyingMethod::Serial, KeyingMethod::Rigctld, KeyingMethod::Cm108, KeyingMethod::None})
    methods.emplace_back(keyingMethodName(method));
  cb_Keying.setItems(methods);
  cb_PttCommand.setItems({pttCommandName(1), pttCommandName(3)});
  std::vector<std::string> formats;
  for (ArchiveFormat format :
       {ArchiveFormat::Wav, ArchiveFormat::Flac, ArchiveFormat::Opus, ArchiveFormat::Mp3})
    formats.emplace_back(archiveFormatName(format));
  cb_ArchiveFormat.setItems(formats);
  lbl_TxDelayUnit.setCaption("ms");
  lbl_ArchiveCapUnit.setCaption("MB");
  // Words before any language is applied, as the first page has them.
  applyTexts(Language::German);
}

void MoreSettingsForm::applyTexts(Language language) {
  auto text = [language](OwnText id) { return std::string(ownText(id, language)); };
  setCaption(text(OwnText::MoreSettingsTitle));
  struct Row {
    Label& label;
    OwnText caption;
    Control& field;
    OwnText tip;
  };
  for (const Row& row :
       {Row{lbl_TxOutput, OwnText::TxOutputLabel, cb_TxOutput, OwnText::TxOutputTip},
        Row{lbl_Keying, OwnText::KeyingLabel, cb_Keying, OwnText::KeyingTip},
        Row{lbl_TxDelay, OwnText::TxDelayLabel, ed_TxDelay, OwnText::TxDelayTip},
        Row{lbl_PttCommand, OwnText::PttCommandLabel, cb_PttCommand, OwnText::PttCommandTip},
        Row{lbl_Rigctld, OwnText::RigctldAddressLabel, ed_Rigctld, OwnText::RigctldAddressTip},
        Row{lbl_Cm108, OwnText::Cm108Label, ed_Cm108, OwnText::Cm108Tip},
        Row{lbl_BusyWait, OwnText::BusyWaitLabel, ed_BusyWait, OwnText::BusyWaitTip},
        Row{lbl_ArchiveFormat, OwnText::ArchiveFormatLabel, cb_ArchiveFormat,
            OwnText::ArchiveFormatTip},
        Row{lbl_AfterRecording, OwnText::AfterRecordingLabel, ed_AfterRecording,
            OwnText::AfterRecordingTip},
        Row{lbl_ArchiveCap, OwnText::ArchiveCapLabel, ed_ArchiveCap, OwnText::ArchiveCapTip}}) {
    row.label.setCaption(text(row.caption));
    // The label says what the field does too, for a pointer that rests on the words.
    row.label.setToolTip(text(row.tip));
    row.field.setToolTip(text(row.tip));
  }
  lbl_BusyWaitUnit.setCaption(text(OwnText::SecondsUnit));
  cmd_Speichern.setCaption(text(OwnText::MoreSettingsAccept));
  cmd_Speichern.setToolTip(text(OwnText::MoreSettingsAcceptTip));
  cmd_Zurück.setCaption(text(OwnText::MoreSettingsClose));
  cmd_Zurück.setToolTip(text(OwnText::MoreSettingsCloseTip));
}

}  // namespace tv
