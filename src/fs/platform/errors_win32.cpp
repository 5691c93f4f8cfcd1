// Windows' errors in the Windows platform layer: the table that maps them to
// the portable numbers the program compares, and their text in the system's
// language.
#include <cerrno>
#include <cstring>
#include <string>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {
namespace win32 {

// ---- errors ------------------------------------------------------------------

namespace {

struct ErrorRow {
  DWORD windows;
  int portable;
};

// Windows' errors and the portable numbers the program compares. The first
// row of each number stands for it where a number must become a Windows
// error (an injected failure, the words of a failure the layer found).
constexpr ErrorRow kErrors[] = {
    {ERROR_FILE_NOT_FOUND, ENOENT},
    {ERROR_PATH_NOT_FOUND, ENOENT},
    {ERROR_INVALID_DRIVE, ENOENT},
    {ERROR_BAD_NETPATH, ENOENT},
    {ERROR_BAD_NET_NAME, ENOENT},
    {ERROR_BAD_PATHNAME, ENOENT},
    {ERROR_INVALID_NAME, ENOENT},
    {ERROR_ACCESS_DENIED, EACCES},
    {ERROR_NETWORK_ACCESS_DENIED, EACCES},
    {ERROR_CANNOT_MAKE, EACCES},
    {ERROR_DELETE_PENDING, EACCES},
    {ERROR_LOGON_FAILURE, EACCES},
    {ERROR_PRIVILEGE_NOT_HELD, EPERM},
    {ERROR_FILE_EXISTS, EEXIST},
    {ERROR_ALREADY_EXISTS, EEXIST},
    {ERROR_SHARING_VIOLATION, EWOULDBLOCK},
    {ERROR_LOCK_VIOLATION, EWOULDBLOCK},
    {ERROR_DISK_FULL, ENOSPC},
    {ERROR_HANDLE_DISK_FULL, ENOSPC},
    {ERROR_DIRECTORY, ENOTDIR},
    // ERROR_DIRECTORY_NOT_SUPPORTED, which the headers lack.
    {336, EISDIR},
    {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
    {ERROR_NOT_SAME_DEVICE, EXDEV},
    {ERROR_INVALID_HANDLE, EBADF},
    {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
    {ERROR_OUTOFMEMORY, ENOMEM},
    {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
    {ERROR_INVALID_PARAMETER, EINVAL},
    {ERROR_NEGATIVE_SEEK, EINVAL},
    {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
    {ERROR_BROKEN_PIPE, EPIPE},
    {ERROR_NO_DATA, EPIPE},
    {ERROR_CALL_NOT_IMPLEMENTED, ENOSYS},
    {ERROR_NOT_SUPPORTED, EOPNOTSUPP},
    {ERROR_CANT_RESOLVE_FILENAME, ELOOP},
    {ERROR_IO_DEVICE, EIO},
    {ERROR_GEN_FAILURE, EIO},
    {ERROR_WRITE_FAULT, EIO},
    {ERROR_READ_FAULT, EIO},
    {ERROR_CRC, EIO},
    {ERROR_NOT_READY, EIO},
    {ERROR_FILE_TOO_LARGE, EFBIG},
    {ERROR_BUSY, EBUSY},
    {ERROR_WRITE_PROTECT, EROFS},
    {ERROR_NO_UNICODE_TRANSLATION, EILSEQ},
    {ERROR_RETRY, EAGAIN},
};

}  // namespace

int ErrnoFromWindows(DWORD error) {
  if (error == ERROR_SUCCESS) return 0;
  for (const ErrorRow& row : kErrors) {
    if (row.windows == error) return row.portable;
  }
  return EIO;
}

DWORD WindowsErrorFromErrno(int error) {
  for (const ErrorRow& row : kErrors) {
    if (row.portable == error) return row.windows;
  }
  return 0;
}

Status WindowsError(DWORD error) {
  return Status::System(ErrnoFromWindows(error), static_cast<int>(error));
}

Status LastError() { return WindowsError(::GetLastError()); }

}  // namespace win32

using namespace win32;

namespace internal {

std::string SystemErrorText(int native, int code) {
  const DWORD error = native != 0 ? static_cast<DWORD>(native) : WindowsErrorFromErrno(code);
  if (error != 0) {
    wchar_t* buffer = nullptr;
    // Language 0: the system's own language, as the user's messages are.
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (n != 0 && buffer != nullptr) {
      std::wstring text(buffer, n);
      ::LocalFree(buffer);
      while (!text.empty() &&
             (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
      }
      if (!text.empty()) return Narrow(text);
    }
  }
  return std::strerror(code);
}

}  // namespace internal

}  // namespace vkt::platform
