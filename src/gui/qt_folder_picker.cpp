#include "gui/qt_folder_picker.h"

#include <QApplication>
#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "fs/platform/file_system.h"

namespace vkt::gui {

std::string QtFolderPicker::PickFolder(std::string_view title, std::string_view initial_folder) {
  QWidget* parent = parent_ ? parent_.data() : QApplication::activeWindow();
  QFileDialog dialog(parent, QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Qt's own dialog behaves the same on every desktop: confirming at once
  // returns the folder it was opened on, as the original's preselection did.
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  std::string posix;
  if (!initial_folder.empty() && platform::ResolvePath(initial_folder, &posix) &&
      platform::IsDirectory(initial_folder)) {
    dialog.setDirectory(QString::fromStdString(posix));
  }
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  return chosen.first().toStdString();
}

}  // namespace vkt::gui
