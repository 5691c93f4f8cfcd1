#include "gui/first_steps.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#ifndef VKT_INSTALLED_EXAMPLE_DIR
#error "the build defines VKT_INSTALLED_EXAMPLE_DIR (CMakeLists.txt)"
#endif

namespace vkt::gui {

app::ExamplePlace FindExample(const std::string& executable_folder) {
  if (!executable_folder.empty()) {
    const QFileInfo beside(QDir(QString::fromStdString(executable_folder))
                               .filePath(QStringLiteral("examples/pedidos")));
    if (beside.isDir()) return {beside.canonicalFilePath().toStdString(), false};
  }
  return {VKT_INSTALLED_EXAMPLE_DIR, true};
}

}  // namespace vkt::gui
