// The window's folder picker: the system's folder dialog (IFileOpenDialog
// with FOS_PICKFOLDERS), modal to the window. The thread has COM initialised
// as a single-threaded apartment (the program's main does it).
#pragma once

#include "win/windows_api.h"

#include <string>
#include <string_view>

#include "services/desktop.h"

namespace vkt::win {

class WinFolderPicker final : public FolderPicker {
 public:
  explicit WinFolderPicker(HWND owner = nullptr) : owner_(owner) {}

  // Shows the dialog titled `title`, opened on `initial_folder` when that is
  // an existing folder. Returns the chosen folder's path in UTF-8, or "" when
  // the user cancelled or the dialog could not be shown.
  std::string PickFolder(std::string_view title, std::string_view initial_folder) override;

 private:
  HWND owner_;
};

// The system's file dialog for one existing file, opened in `initial_folder`
// and showing `filter_name` (files matching `pattern`, e.g. "*.ini") or all
// files. "" when cancelled.
std::string PickFile(HWND owner, std::string_view title, std::string_view initial_folder,
                     std::string_view filter_name, std::string_view pattern);

}  // namespace vkt::win
