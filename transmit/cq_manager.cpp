#include "transmit/cq_manager.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/numbers.h"
#include "app/program.h"
#include "platform/files.h"

namespace tv {
namespace {

namespace fs = std::filesystem;
constexpr int kLeft = MouseButton::Left;
// One line of a list box in twips: 13 pixels of the system font.
constexpr int kListLineTwips = 195;

std::string fileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::size_t nameLength(const std::string& name) {
  return static_cast<std::size_t>(std::count_if(name.begin(), name.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool isCqFileName(const std::string& name) {
  if (nameLength(trim(name)) <= 6 || name != trim(name)) return false;
  if (name.front() == '.' || name.find("..") != std::string::npos) return false;
  if (name.size() > 255) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || (static_cast<unsigned char>(c) < 0x20);
  });
}

CqManager::CqManager(Program& program) : p_(program) {
  MainForm& m = p_.frm_DoKu;
  CqForm& q = p_.frm_CQ;
  m.lb_CQVorwahl.mouseMove = [this](int b, int s, int x, int y) {
    lb_CQVorwahl_MouseMove(b, s, x, y);
  };
  q.lb_CQFiles.mouseDown = [this](int b, int s, int x, int y) { lb_CQFiles_MouseDown(b, s, x, y); };
  q.lb_CQFiles.dblClick = [this] { lb_CQFiles_DblClick(); };
  q.cmd_CQOK.mouseDown = [this](int b, int s, int x, int y) { cmd_CQOK_MouseDown(b, s, x, y); };
  q.cmd_CQOK.mouseUp = [this](int b, int s, int x, int y) { cmd_CQOK_MouseUp(b, s, x, y); };
  q.cmd_CQEdit.mouseDown = [this](int b, int s, int x, int y) { cmd_CQEdit_MouseDown(b, s, x, y); };
  q.ed_CQFiles.mouseDown = [this](int b, int s, int x, int y) { ed_CQFiles_MouseDown(b, s, x, y); };
  q.cmd_CQSave.mouseUp = [this](int b, int s, int x, int y) { cmd_CQSave_MouseUp(b, s, x, y); };
  q.cmd_CQLö.mouseDown = [this](int b, int s, int x, int y) { cmd_CQLö_MouseDown(b, s, x, y); };
  q.cmd_CQLö.mouseUp = [this](int b, int s, int x, int y) { cmd_CQLö_MouseUp(b, s, x, y); };
  q.cmd_CQRet.mouseUp = [this](int b, int s, int x, int y) { cmd_CQRet_MouseUp(b, s, x, y); };
}

std::string CqManager::cqFolder() const {
  return findCaseInsensitive(p_.recordingsFolder, "CQFiles");
}

std::string CqManager::currentName() const {
  const ListBox& list = p_.frm_CQ.lb_CQFiles;
  const int index = list.listIndex();
  return index >= 0 && index < list.listCount() ? trim(list.item(index)) : std::string();
}

void CqManager::FillCqList() {
  ListBox& list = p_.frm_CQ.lb_CQFiles;
  list.clear();
  const std::string folder = cqFolder();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    if (nameLength(trim(name)) > 6) names.push_back(std::move(name));
  }
  // The folder gives its entries in no particular order; the user looks for names.
  std::sort(names.begin(), names.end());
  list.setItems(std::move(names));
  p_.frm_DoKu.lb_CQVorwahl.setVisible(false);
  p_.frm_CQ.show();
}

void CqManager::lb_CQVorwahl_Click() {
  ListBox& list = p_.frm_DoKu.lb_CQVorwahl;
  switch (list.listIndex()) {
    case 0:
      saveLoadedAsCq();
      break;
    case 1:
      FillCqList();
      list.setVisible(false);
      break;
    case 2:
      list.setVisible(false);
      break;
    default:
      break;
  }
}

void CqManager::saveLoadedAsCq() {
  ListBox& list = p_.frm_DoKu.lb_CQVorwahl;
  // The whole name of the loaded file, whatever its length, and the file itself as the
  // source: a recording loaded from another folder is found as well.
  const std::string source = p_.frm_Oszi.lblFile.caption();
  const std::string name = fileNameOf(source);
  std::error_code ec;
  if (trim(source).empty() || !fs::is_regular_file(source, ec)) {
    list.setVisible(false);
    p_.tellUser(p_.ownMessage(OwnText::CqNothingLoaded));
    return;
  }
  if (!isCqFileName(name)) {
    list.setVisible(false);
    p_.tellUser(p_.ownMessage(OwnText::CqNameRefused, {name}));
    return;
  }
  const std::string target = cqFolder() + "/" + name;
  if (fs::weakly_canonical(source, ec) != fs::weakly_canonical(target, ec)) {
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec) {
      list.setVisible(false);
      p_.tellUser(p_.ownMessage(OwnText::CqCopyFailed, {source, target, ec.message()}));
      return;
    }
  }
  p_.frm_CQ.ed_CQFiles.setText(name);
  oldCqName = name;
  FillCqList();
  // The copy, not the recording: the recording may be deleted by the clean-up.
  p_.autoTx.autoTxFile = target;
  list.setVisible(false);
}

void CqManager::lb_CQVorwahl_MouseMove(int, int, int, int y) {
  ListBox& list = p_.frm_DoKu.lb_CQVorwahl;
  if (list.listCount() == 0) return;
  const int index = std::clamp(y / kListLineTwips, 0, list.listCount() - 1);
  if (index != list.listIndex()) list.setListIndex(index);
}

void CqManager::lb_CQFiles_MouseDown(int, int, int, int) {
  CqForm& q = p_.frm_CQ;
  q.cmd_CQOK.setEnabled(true);
  q.cmd_CQLö.setEnabled(true);
  q.cmd_CQEdit.setEnabled(true);
}

void CqManager::lb_CQFiles_DblClick() {
  cmd_CQOK_MouseDown(kLeft, 0, 0, 0);
  cmd_CQOK_MouseUp(kLeft, 0, 0, 0);
}

void CqManager::cmd_CQOK_MouseDown(int, int, int, int) {
  p_.frm_DoKu.show();
  p_.frm_Oszi.show();
  p_.soundList.lb_Sounds_MouseDown(kLeft, 0, 0, 0);
}

void CqManager::cmd_CQOK_MouseUp(int, int, int, int) {
  const std::string name = currentName();
  if (!name.empty()) {
    Player& player = p_.player;
    player.selectedFile = cqFolder() + "/" + name;
    player.ReadNormalRate();
    p_.autoTx.autoTxFile = player.selectedFile;
    // A cycle still running ends here, so that the click below starts the new file.
    p_.autoTx.endCycle("new CQ file");
    player.ApplySpeed();
    p_.frm_Oszi.frx1.cls();
    p_.autoTx.lblCQ_MouseDown(kLeft, 0, 0, 0);
  }
  p_.frm_CQ.hide();
}

void CqManager::cmd_CQEdit_MouseDown(int, int, int, int) {
  const ListBox& list = p_.frm_CQ.lb_CQFiles;
  const int index = list.listIndex();
  const std::string entry = index >= 0 && index < list.listCount() ? list.item(index) : "";
  p_.frm_CQ.ed_CQFiles.setText(entry);
  oldCqName = trim(entry);
}

void CqManager::ed_CQFiles_MouseDown(int, int, int, int) {
  if (nameLength(trim(p_.frm_CQ.ed_CQFiles.text())) <= 6) return;
  p_.clickSound();
  p_.frm_CQ.cmd_CQSave.setEnabled(true);
}

void CqManager::cmd_CQSave_MouseUp(int, int, int, int) {
  const std::string name = trim(p_.frm_CQ.ed_CQFiles.text());
  if (!isCqFileName(name)) {
    p_.tellUser(p_.ownMessage(OwnText::CqNameRefused, {name}));
    return;
  }
  if (name == oldCqName) {
    FillCqList();
    return;
  }
  const std::string folder = cqFolder();
  const std::string source = folder + "/" + oldCqName;
  const std::string target = folder + "/" + name;
  std::error_code ec;
  if (!isCqFileName(oldCqName) || !fs::is_regular_file(source, ec)) {
    p_.tellUser(p_.ownMessage(OwnText::CqRenameFailed, {oldCqName, name, "not found"}));
    return;
  }
  // One rename: an existing file of the new name is replaced in the same step, and is
  // kept when the rename fails.
  fs::rename(source, target, ec);
  if (ec) {
    p_.tellUser(p_.ownMessage(OwnText::CqRenameFailed, {oldCqName, name, ec.message()}));
    return;
  }
  if (p_.autoTx.autoTxFile == source) p_.autoTx.autoTxFile = target;
  oldCqName = name;
  FillCqList();
}

void CqManager::cmd_CQLö_MouseDown(int, int, int, int) {
  const std::string name = currentName();
  if (name.empty()) return;
  const std::string path = cqFolder() + "/" + name;
  std::error_code ec;
  if (!isCqFileName(name) || !fs::is_regular_file(path, ec) || !fs::remove(path, ec)) {
    p_.tellUser(p_.ownMessage(OwnText::CqDeleteFailed,
                              {path, ec ? ec.message() : std::string("not found")}));
    return;
  }
  // A deleted file can no longer be sent; the next click on lblCQ offers the choice.
  if (p_.autoTx.autoTxFile == path) p_.autoTx.autoTxFile.clear();
  p_.frm_CQ.lb_CQFiles.clear();
}

void CqManager::cmd_CQLö_MouseUp(int, int, int, int) {
  FillCqList();
}

void CqManager::cmd_CQRet_MouseUp(int, int, int, int) {
  p_.frm_CQ.hide();
}

}  // namespace tv
