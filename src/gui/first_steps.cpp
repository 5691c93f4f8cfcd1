#include "gui/first_steps.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "app/config_lookup.h"

#ifndef VKT_INSTALLED_EXAMPLE_DIR
#error "the build defines VKT_INSTALLED_EXAMPLE_DIR (CMakeLists.txt)"
#endif

namespace vkt::gui {

ExamplePlace FindExample(const std::string& executable_folder) {
  if (!executable_folder.empty()) {
    const QFileInfo beside(QDir(QString::fromStdString(executable_folder))
                               .filePath(QStringLiteral("examples/pedidos")));
    if (beside.isDir()) return {beside.canonicalFilePath().toStdString(), false};
  }
  return {VKT_INSTALLED_EXAMPLE_DIR, true};
}

std::string FirstStepsText(const ExamplePlace& example) {
  std::string text =
      "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).\n"
      "Exemplo pronto: " +
      example.folder + "/" + app::kMainConfigName;
  // Users cannot write in the installed copy, and the example writes its
  // package relative to its own folder.
  if (example.installed) {
    text += "\n(pasta só de leitura: copie a pasta " + example.folder +
            " para uma pasta sua e abra a cópia)";
  }
  return text;
}

}  // namespace vkt::gui
