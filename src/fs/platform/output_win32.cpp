// Whole outputs that the user names on Windows: standard output ("-") and the
// devices NUL and CON are written as streams; what else a path names is left
// to AtomicFile.
#include <cerrno>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"
#include "fs/platform/win32_internal.h"
#include "text/letter_case.h"

namespace vkt::platform {

using namespace win32;

namespace {

// The device that `path` names as a whole ("NUL", "CON", in any letter
// case), as the system opens it; null for any other path.
const wchar_t* NamedDevice(std::string_view path) {
  const std::string upper = text::UpperCase(path);
  if (upper == "NUL") return L"\\\\.\\NUL";
  if (upper == "CON") return L"CONOUT$";
  return nullptr;
}

}  // namespace

OutputKind KindOfOutput(std::string_view path) {
  if (path == "-" || NamedDevice(path) != nullptr) return OutputKind::kStream;
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return OutputKind::kFile;
  const DWORD attributes = sys::GetFileAttributes(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
      !IsReparsePoint(attributes)) {
    return OutputKind::kFolder;
  }
  return OutputKind::kFile;
}

Status OpenOutputStream(std::string_view path, File* out, OutputKind* kind) {
  return [&]() -> Status {
    *kind = KindOfOutput(path);
    if (*kind != OutputKind::kStream) return Status::Ok();
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (path == "-") {
      // Standard output as it is: a file keeps its position.
      const HANDLE own = ::GetStdHandle(STD_OUTPUT_HANDLE);
      if (own == nullptr || own == INVALID_HANDLE_VALUE) return Status::Errno(EBADF);
      if (!::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &handle, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
        return LastError();
      }
    } else {
      handle = sys::CreateFile(NamedDevice(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               OPEN_EXISTING, 0);
      if (handle == INVALID_HANDLE_VALUE) return LastError();
    }
    out->Close();
    out->handle_ = FromHandle(handle);
    return Status::Ok();
  }()
                      .About(Operation::kWriteFile, path);
}

Status GetFileIdentity(std::string_view path, FileIdentity* identity, std::uint64_t* links,
                       bool follow_link_at_name) {
  UniqueHandle opened;
  HANDLE handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (path != "-") {
    std::wstring wide;
    if (!ToSystemPath(path, &wide)) return Status::Errno(ENOENT);
    if (!follow_link_at_name && IsReparsePoint(sys::GetFileAttributes(wide.c_str()))) {
      return Status::Errno(kNotRegularFile);
    }
    opened.reset(OpenForAttributes(wide, false));
    if (!opened.valid()) return LastError();
    handle = opened.get();
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      sys::GetFileType(handle) != FILE_TYPE_DISK ||
      !sys::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Status::Errno(kNotRegularFile);
  }
  identity->device = info.dwVolumeSerialNumber;
  identity->inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  *links = info.nNumberOfLinks;
  return Status::Ok();
}

}  // namespace vkt::platform
