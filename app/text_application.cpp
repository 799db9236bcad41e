#include "app/text_application.h"

#include "app/numbers.h"
#include "app/program.h"
#include "texts/utf8_text.h"

namespace tv {

namespace {
constexpr bool C = true;   // the caption column goes to the control's caption
constexpr bool T = true;   // the tooltip column goes to its tooltip
constexpr bool N = false;  // that column is not used
}  // namespace

void TextApplication::add(int entry, Control& control, bool caption, bool tooltip) {
  targets_[static_cast<size_t>(entry)].push_back({&control, nullptr, caption, tooltip});
}

void TextApplication::add(int entry, Form& form, bool caption, bool tooltip) {
  targets_[static_cast<size_t>(entry)].push_back({nullptr, &form, caption, tooltip});
}

TextApplication::TextApplication(Program& program) : p_(program) {
  InstallForm& in = p_.frm_inst;
  add(1, in, C, T);
  add(3, in.chk_Start, C, T);
  add(4, in.chk_Inst, C, T);
  add(5, in.cmd_Inst_NEIN, C, T);
  add(6, in.cmd_Inst_Ein, C, T);
  add(7, in.lbl_Inst_Mail, N, T);

  MainForm& m = p_.frm_DoKu;
  add(8, m, C, N);
  add(9, m.lbl_Menue, C, T);
  add(10, m.lbl_LoadWave, C, T);
  add(11, m.lblrsp, N, T);
  add(12, m.lblCQ, C, T);
  add(17, m.lbl_ROTL, C, N);
  add(19, m.cmd_file_neu, C, T);
  add(20, m.lbl_PegelAnzeige, N, T);
  add(21, m.lbl_Schwelle, N, T);
  add(22, m.lbl_Start, C, T);
  add(23, m.lbl_Record, N, T);
  add(24, m.Progressbar1, N, T);
  add(25, m.progressbar3, N, T);
  add(26, m.progressbar4, N, T);
  add(27, m.lb_Sounds, N, T);
  add(29, m.cmd_File_lö, C, T);
  add(30, m.cmd_zur, C, T);

  SettingsForm& s = p_.frm_Einstellungen;
  add(38, s, C, N);
  add(39, s.cb_Device, N, T);
  add(40, s.cb_Sample, N, T);
  add(41, s.cmd_SK, C, T);
  add(42, s.ed_PfadDoku, N, T);
  add(43, s.cmdPfad, C, T);
  add(44, s.cb_Lang, N, T);
  add(45, s.lbl_Pfad, C, T);
  add(46, s.lbl_Lang, N, T);
  add(47, s.lbl13, C, N);
  add(48, s.lbl_FK, C, N);
  add(49, s.lbl14, C, N);
  add(50, s.lbl_Rog1, C, N);
  add(51, s.lbl_Rog2, C, N);
  add(52, s.lbl_CQ, C, N);
  add(53, s.lbl30, C, N);
  add(54, s.lbl29, C, N);
  add(55, s.ed_FK, N, T);
  add(56, s.ed_FunkName, N, T);
  add(57, s.cb_Com, N, T);
  add(58, s.cb_Rog1, N, T);
  add(59, s.cb_Rog2, N, T);
  add(60, s.cb_CQ, N, T);
  add(61, s.cb_TX_off, N, T);
  add(62, s.cb_TX, N, T);
  add(63, s.lbl16, C, N);
  add(64, s.lbl18, C, N);
  add(65, s.lbl21, C, N);
  add(66, s.lbl23, C, N);
  add(67, s.lbl17, C, N);
  add(68, s.lbl20, C, N);
  add(69, s.lbl22, C, N);
  add(70, s.lbl24, C, N);
  add(71, s.lbl25, C, N);
  add(72, s.lbl26, C, N);
  add(73, s.lbl28, C, N);
  add(74, s.lbl15, C, N);
  add(75, s.lbl32, C, N);
  add(77, s.lbl33, C, N);
  add(78, s.lbl19, C, N);
  add(79, s.ed_AufnZeitMin, N, T);
  add(80, s.ed_AufnZeitMax, N, T);
  add(81, s.ed_PauseStille, N, T);
  add(82, s.ed_PauseSignal, N, T);
  add(83, s.ed_FilesLöschen, N, T);
  add(86, s.ed_StartPegel, N, T);
  add(87, s.chk_StartAuto, C, T);
  add(88, s.chk_Sichtbar, C, T);
  add(89, s.chk_Log_Anz, C, T);
  add(90, s.chk_AufnDoku, C, T);
  add(91, s.chk_Sichtbar2, C, T);
  add(92, s.chk_TX, C, T);
  add(93, s.chkFortlaufend, C, T);
  add(94, s.chkAutoStart, C, T);
  add(95, s.chkPapagei, C, N);
  add(96, s.ed_CQ, N, T);
  add(97, s.lbl2, C, N);
  add(98, s.lbl3, C, N);
  add(99, s.lbl5, C, N);
  add(100, s.cmd_Zurück, C, T);
  add(101, s.cmd_Speichern, C, T);

  CqForm& q = p_.frm_CQ;
  add(102, q.fr_CQFiles, C, T);
  add(103, q.lb_CQFiles, N, T);
  add(104, q.cmd_CQOK, C, T);
  add(105, q.cmd_CQEdit, C, T);
  add(106, q.cmd_CQRet, C, T);
  add(107, q.cmd_CQLö, C, T);
  add(108, q.ed_CQFiles, N, T);
  add(109, q.cmd_CQSave, C, T);

  PlaybackForm& o = p_.frm_Oszi;
  add(110, o, C, T);
  add(111, o.lblpos, C, T);
  add(112, o.lbl_sek, C, T);
  add(113, o.frx1, N, T);
  add(114, o.pro1, N, T);
  add(115, o.sli_Lautst, N, T);
  add(116, o.slider, N, T);
  add(117, o.lbl_TX, C, T);
  add(118, o.lblFreqNorm, C, T);
  add(119, o.sli_Speed, N, T);
  add(120, o.lbl_sp2, C, N);
  add(121, o.lbl_gn, N, T);
  add(122, o.cmd_Os_Zurück, C, T);
  add(123, o.cmd_Unterbrechen, C, T);
  add(124, o.cmdStop, C, T);
  add(125, o.lblFile, C, T);
  add(126, o.lblSpeed, C, T);
}

void TextApplication::applyRange(const TextTable& table, int first, int last) {
  for (int k = first; k <= last; ++k) {
    if (k < kFirstTextEntry || k > kLastTextEntry) continue;
    p_.textIndex = static_cast<std::int16_t>(k);
    const std::string& entry = table.entries[static_cast<size_t>(k)];
    ApplyTextEntry(captionText(entry), tooltipText(entry));
  }
  p_.textIndex = 0;
}

void TextApplication::ApplyTextEntry(const std::string& captionText,
                                     const std::string& tooltipText) {
  const int k = p_.textIndex;
  if (k < kFirstTextEntry || k > kLastTextEntry) return;
  MainForm& m = p_.frm_DoKu;

  for (const Target& t : targets_[static_cast<size_t>(k)]) {
    if (t.control) {
      if (t.caption) t.control->setCaption(captionText);
      if (t.tooltip) t.control->setToolTip(tooltipText);
    } else if (t.form) {
      if (t.caption) t.form->setCaption(captionText);
      if (t.tooltip) t.form->setToolTip(tooltipText);
    }
  }

  switch (k) {
    case 10:
      // The label grows with its text.
      m.lbl_LoadWave.setWidth(90 * static_cast<int>(characterCount(trim(captionText))) + 45);
      break;
    case 13:
    case 14:
    case 15:
      preselectionTexts[static_cast<size_t>(k - 12)] = captionText;
      break;
    case 16:
      recorderOnText = captionText;
      recorderOffText = tooltipText;
      m.fr2.setCaption(m.lbl_Start.borderStyle() == Look::On ? captionText : tooltipText);
      break;
    case 18:
      m.fr3.setCaption(captionText + " " + p_.frm_Einstellungen.ed_FilesLöschen.text() + " " +
                       tooltipText);
      break;
    case 21:
      // A threshold already shown is kept; the entry only fills an empty label.
      if (trim(m.lbl_Schwelle.caption()).empty()) m.lbl_Schwelle.setCaption(captionText);
      break;
    case 127:
      p_.menuTexts[1] = captionText;
      p_.menuTexts[2] = tooltipText;
      break;
    case 128:
      p_.menuTexts[3] = captionText;
      p_.menuTexts[4] = tooltipText;
      break;
    default:
      if (k >= 31 && k <= 37) m.sb.setPanelToolTip(k - 30, tooltipText);
      if (k >= 130) p_.messageTexts.items[static_cast<size_t>(k - 130)] = tooltipText;
      break;
  }
}

}  // namespace tv
