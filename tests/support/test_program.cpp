#include "tests/support/test_program.h"

namespace tv::test {

TestProgram::TestProgram(LocalDateTime start) : clock(start) {}

TestProgram::~TestProgram() = default;

Program& TestProgram::build() {
  Services& asked = dialogs ? *dialogs : services;
  Platform platform{clock,  loop,        asked,
                    shell,  serialPort ? serialPort : &serial, serialPorts,
                    sound ? sound : &quietReceiver};
  platform.fileSync = &fileSync;
  platform.takeFiles = takeFiles ? takeFiles : &posixTakeFiles;
  platform.takeWriterThreads = takeWriterThreads;
  platform.makeWorker = makeWorker;
  platform.archiveWriter = &archiveWriter;
  platform.commands = &commands;
  platform.diskSpace = diskSpace;
  platform.makeKeyer = makeKeyer;
  platform.returnFreedMemory = returnFreedMemory;
  ProgramOptions options;
  options.programFolder = temp.path();
  options.executablePath = temp.path() + "/tonvogel";
  options.holdsFolderLock = holdsFolderLock;
  options.commandLimitMs = commandLimitMs;
  options.headless = headless;
  options.showOnlyFile = showOnlyFile;
  program = std::make_unique<Program>(platform, std::move(options));
  loop.attach(program->ui().timers());
  loop.whileWaiting = [this] {
    if (autoInstall) answerInstallation();
  };
  return *program;
}

void TestProgram::answerInstallation() {
  Program& p = *program;
  InstallForm& f = p.frm_inst;
  if (!f.visible() || f.tmr_Inst.enabled()) return;
  if (p.languageCode.empty()) p.installation.lbl_Inst_DE_Click();
  if (f.chk_Inst.value() != 1) f.chk_Inst.userToggle(MouseButton::Left, 0, 0, 0);
  p.installation.cmd_Inst_Ein_MouseUp(MouseButton::Left, 0, 0, 0);
  // The timer's two ticks, at once.
  while (p.installTicks < 2) p.installation.tmr_Inst_Timer();
}

bool TestProgram::noticed(std::string_view fragment) const {
  return noticeCount(fragment) > 0;
}

int TestProgram::noticeCount(std::string_view fragment) const {
  if (!program) return 0;
  int count = 0;
  for (const auto& n : program->notices.history())
    count += n.text.find(fragment) != std::string::npos;
  return count;
}

}  // namespace tv::test
