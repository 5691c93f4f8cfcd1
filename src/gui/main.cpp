// The window program: the main configuration and `docs` are looked up in the
// folder of the executable.
#include <QApplication>

#include "fs/platform/file_system.h"
#include "gui/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  vkt::gui::Form1 form(vkt::platform::ExecutableFolder());
  form.show();
  return app.exec();
}
