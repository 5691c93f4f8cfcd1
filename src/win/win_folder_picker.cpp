#include "win/win_folder_picker.h"

#include "fs/platform/file_system.h"
#include "win/wide_text.h"

namespace vkt::win {
namespace {

// Releases a COM interface when it goes.
template <typename T>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  T** Out() { return &pointer_; }
  T* operator->() const { return pointer_; }
  T* get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

// Opens the dialog on `folder` when it is an existing folder.
void StartIn(IFileOpenDialog* dialog, std::string_view folder) {
  if (folder.empty() || !platform::IsDirectory(folder)) return;
  ComPointer<IShellItem> item;
  if (SUCCEEDED(SHCreateItemFromParsingName(Wide(folder).c_str(), nullptr, IID_IShellItem,
                                            reinterpret_cast<void**>(item.Out())))) {
    dialog->SetFolder(item.get());
  }
}

// Shows `dialog` and returns the chosen item's file-system path.
std::string ShowAndTake(IFileOpenDialog* dialog, HWND owner) {
  if (FAILED(dialog->Show(owner))) return {};  // cancelled, or no dialog
  ComPointer<IShellItem> item;
  if (FAILED(dialog->GetResult(item.Out()))) return {};
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return {};
  std::string chosen = Utf8(path);
  CoTaskMemFree(path);
  return chosen;
}

// A new file dialog titled `title` with the system's options plus `options`
// (only file-system items, existing paths); false when COM cannot make one.
bool MakeDialog(ComPointer<IFileOpenDialog>* dialog, std::string_view title,
                FILEOPENDIALOGOPTIONS options) {
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(dialog->Out())))) {
    return false;
  }
  FILEOPENDIALOGOPTIONS defaults = 0;
  (*dialog)->GetOptions(&defaults);
  (*dialog)->SetOptions(defaults | options | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  (*dialog)->SetTitle(Wide(title).c_str());
  return true;
}

}  // namespace

std::string WinFolderPicker::PickFolder(std::string_view title, std::string_view initial_folder) {
  ComPointer<IFileOpenDialog> dialog;
  if (!MakeDialog(&dialog, title, FOS_PICKFOLDERS)) return {};
  StartIn(dialog.get(), initial_folder);
  return ShowAndTake(dialog.get(), owner_);
}

std::string PickFile(HWND owner, std::string_view title, std::string_view initial_folder,
                     std::string_view filter_name, std::string_view pattern) {
  ComPointer<IFileOpenDialog> dialog;
  if (!MakeDialog(&dialog, title, FOS_FILEMUSTEXIST)) return {};
  const std::wstring name = Wide(filter_name);
  const std::wstring wide_pattern = Wide(pattern);
  const COMDLG_FILTERSPEC filters[] = {{name.c_str(), wide_pattern.c_str()},
                                       {L"Todos os arquivos", L"*.*"}};
  dialog->SetFileTypes(2, filters);
  StartIn(dialog.get(), initial_folder);
  return ShowAndTake(dialog.get(), owner);
}

}  // namespace vkt::win
