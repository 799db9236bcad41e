#include "tests/support/test_program.h"

namespace tv::test {

TestProgram::TestProgram(LocalDateTime start) : clock(start) {}

TestProgram::~TestProgram() = default;

Program& TestProgram::build() {
  Platform platform{clock, loop, services, shell, &serial, serialPorts, sound};
  program = std::make_unique<Program>(platform, ProgramOptions{temp.path(), temp.path() + "/tonvogel"});
  loop.attach(program->ui().timers());
  return *program;
}

}  // namespace tv::test
