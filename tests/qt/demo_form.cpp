#include "demo_form.h"

#include <QCoreApplication>

namespace tv::qt {

DemoForm::DemoForm(Ui& ui) : Form(ui, "frmDemo", {1500, 1500, 6000, 3300}) {
  setCaption("Demo");
}

QtUi::QtUi() : renderer(std::make_unique<QtRenderer>(ui)) {
  loop.drive(&ui.timers());
}

QtUi::~QtUi() {
  renderer.reset();
  loop.drive(nullptr);
}

void QtUi::settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace tv::qt
