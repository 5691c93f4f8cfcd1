// The window's folder picker: Qt's folder dialog, modal to the active window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <string_view>

#include "services/desktop.h"

namespace vkt::gui {

class QtFolderPicker final : public FolderPicker {
 public:
  // `parent` owns the dialog's modality; when null (or gone), the window that
  // is active when the dialog opens does.
  explicit QtFolderPicker(QWidget* parent = nullptr) : parent_(parent) {}

  // Shows the folder dialog titled `title`, opened on `initial_folder` (a
  // Windows-form path, resolved without regard to case; ignored when empty or
  // not an existing folder). Returns the confirmed folder as an absolute POSIX
  // path in UTF-8, or "" when the user cancelled.
  std::string PickFolder(std::string_view title, std::string_view initial_folder) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace vkt::gui
