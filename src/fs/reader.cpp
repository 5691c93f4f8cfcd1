// The sequential text reader (numbered files) and the folder browser.
#include "fs/file_system_object.h"
#include "fs/open_files.h"

namespace vkt::fs {

std::int16_t FileSystemObject::OpenFile(const std::string& Filename, const std::int16_t& Mode) {
  if (Mode == 1 && !FileExists(Filename)) return 0;
  const FileAccess access = Mode == 1 ? FileAccess::kLineInput : FileAccess::kTextOutput;
  return static_cast<std::int16_t>(open_files::Open(Filename, access));
}

std::int16_t FileSystemObject::CloseFile(std::int16_t iFile) {
  open_files::Close(iFile);
  return 0;
}

std::optional<std::string> FileSystemObject::MoveNext(std::int16_t iFile) {
  return open_files::ReadLine(iFile);
}

std::int32_t FileSystemObject::RecordCount(const std::string& Filename) {
  if (!FileExists(Filename)) return 0;
  const int number = open_files::Open(Filename, FileAccess::kLineInput);
  if (number == 0) return 0;
  std::int32_t count = 0;
  while (!open_files::AtEnd(number)) {
    if (!open_files::ReadLine(number)) {
      open_files::Close(number);
      return 0;
    }
    ++count;
    desktop_.loop->Yield();
  }
  open_files::Close(number);
  return count;
}

std::string FileSystemObject::FolderBrowse(std::int32_t /*hwnd*/, const std::string& Title,
                                           const std::string& InitialDirectory) {
  // The desktop's picker is modal to the window that is active; it preselects
  // the initial folder and returns "" when the user cancels.
  const std::string picked = desktop_.picker->PickFolder(Title, InitialDirectory);
  if (picked.empty()) return {};
  std::string absolute = GetAbsolutePathname(picked);
  return CleanPath(absolute);
}

}  // namespace vkt::fs
