// Files and folders of the Windows platform layer: the table of Windows
// errors, native paths, metadata, changes by path, copies and moves, open
// files. Wide-character calls throughout; texts are UTF-8 outside.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"
#include "text/codepage.h"
#include "text/letter_case.h"

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

// ---- text and paths ------------------------------------------------------------

std::wstring Wide(std::string_view utf8) {
  const std::u16string units = text::Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

bool NativeText(std::string_view path, std::string* native) {
  native->clear();
  if (path.empty()) return false;
  native->reserve(path.size());
  std::size_t i = 0;
  // A leading pair (or more) of separators: a UNC path, kept as a pair.
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    native->append("\\\\");
    while (i < path.size() && IsSeparator(path[i])) ++i;
  }
  bool previous_separator = false;
  for (; i < path.size(); ++i) {
    const bool separator = IsSeparator(path[i]);
    if (separator && previous_separator) continue;
    native->push_back(separator ? '\\' : path[i]);
    previous_separator = separator;
  }
  return true;
}

std::size_t RootLength(std::string_view path) {
  if (HasDrivePrefix(path)) return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // "\\server\share\": the server and the share belong to the root.
    std::size_t i = 2;
    for (int part = 0; part < 2 && i < path.size(); ++part) {
      while (i < path.size() && !IsSeparator(path[i])) ++i;
      if (i < path.size()) ++i;
    }
    return i;
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

void SplitLast(const std::string& path, std::string* folder, std::string* name) {
  std::string_view p = path;
  const std::size_t root = RootLength(p);
  while (p.size() > root && IsSeparator(p.back())) p.remove_suffix(1);
  std::size_t i = p.size();
  while (i > root && !IsSeparator(p[i - 1])) --i;
  *name = std::string(p.substr(i));
  std::size_t end = i;
  // The folder keeps no separator of its own, except the root's.
  while (end > root && IsSeparator(p[end - 1])) --end;
  *folder = std::string(p.substr(0, end));
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (IsSeparator(folder.back()) || (folder.size() == 2 && folder[1] == ':')) {
    return folder + std::string(name);
  }
  return folder + "\\" + std::string(name);
}

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = Wide(path);
  // CreateDirectoryW stops at 248 characters, the others at MAX_PATH.
  if (wide.size() < 248 || wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  const DWORD got = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return wide;
  full.resize(got);
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool ToSystemPath(std::string_view path, std::wstring* wide, std::string* native) {
  std::string text;
  if (!NativeText(path, &text)) return false;
  *wide = SystemPath(text);
  if (native != nullptr) *native = std::move(text);
  return true;
}

std::string WithoutLongPrefix(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Narrow(path.substr(8));
  if (path.starts_with(L"\\\\?\\")) return Narrow(path.substr(4));
  return Narrow(path);
}

// ---- attributes and times ---------------------------------------------------------

std::uint32_t AttributesFromWindows(DWORD attributes) {
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                     FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;
  const std::uint32_t word = attributes & kept;
  return word != 0 ? word : kAttrNormal;
}

DWORD AttributesToWindows(DWORD current, std::uint32_t wanted) {
  const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE;
  DWORD result = (current & ~settable) | (wanted & settable);
  // Only the attributes SetFileAttributesW takes; NORMAL stands alone.
  result &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
            FILE_ATTRIBUTE_TEMPORARY;
  return result != 0 ? result : FILE_ATTRIBUTE_NORMAL;
}

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDifference = 116444736000000000LL;

}  // namespace

std::int64_t FileTimeToNs(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  const std::int64_t since_1970 = ticks - kEpochDifference;
  // Nanoseconds in 64 bits reach from about 1678 to 2262.
  constexpr std::int64_t kLimit = INT64_MAX / 100;
  if (since_1970 > kLimit) return INT64_MAX;
  if (since_1970 < -kLimit) return -INT64_MAX;
  return since_1970 * 100;
}

FILETIME NsToFileTime(std::int64_t ns) {
  std::int64_t ticks = ns / 100 + kEpochDifference;
  if (ticks < 0) ticks = 0;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks));
  time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
  return time;
}

bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IdentityOf(HANDLE handle, FileIdentity* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info)) return false;
  id->device = info.dwVolumeSerialNumber;
  id->inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

HANDLE OpenForAttributes(const std::wstring& path, bool no_follow) {
  return ::CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (no_follow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

Status FinalPath(HANDLE handle, std::string* canonical) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return LastError();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  *canonical = WithoutLongPrefix(buffer);
  return Status::Ok();
}

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

// ---- metadata ---------------------------------------------------------------------

namespace {

// What GetInfo tells, from the entry itself or, for a link, from what it
// leads to.
bool ReadInfo(const std::wstring& path, FileInfo* info, DWORD* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    *error = ::GetLastError();
    return false;
  }
  DWORD attributes = data.dwFileAttributes;
  FILETIME creation = data.ftCreationTime, access = data.ftLastAccessTime,
           write = data.ftLastWriteTime;
  std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (IsReparsePoint(attributes)) {
    UniqueHandle handle(OpenForAttributes(path, false));
    BY_HANDLE_FILE_INFORMATION target;
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &target)) {
      *error = ::GetLastError();
      return false;
    }
    attributes = target.dwFileAttributes;
    creation = target.ftCreationTime;
    access = target.ftLastAccessTime;
    write = target.ftLastWriteTime;
    size = (static_cast<std::uint64_t>(target.nFileSizeHigh) << 32) | target.nFileSizeLow;
  }
  FileInfo result;
  result.attributes = AttributesFromWindows(attributes);
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = folder ? 0 : size;
  result.creation_ns = FileTimeToNs(creation);
  result.access_ns = FileTimeToNs(access);
  result.write_ns = FileTimeToNs(write);
  *info = result;
  return true;
}

// Windows' own attributes of `path` (links not followed), INVALID_FILE_ATTRIBUTES
// when it names nothing.
DWORD AttributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

// The attributes of what `path` leads to (links followed).
DWORD FollowedAttributes(const std::wstring& path) {
  DWORD attributes = AttributesOf(path);
  if (!IsReparsePoint(attributes)) return attributes;
  UniqueHandle handle(OpenForAttributes(path, false));
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info)) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return info.dwFileAttributes;
}

bool IsFolderAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool ResolvePath(std::string_view path, std::string* native) {
  if (!NativeText(path, native)) return false;
  // An existing entry keeps the name the system gives it (its own letter
  // case): a file written under that path keeps its name.
  std::string folder, name;
  SplitLast(*native, &folder, &name);
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("*?") != std::string::npos) {
    return true;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW(SystemPath(*native).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return true;
  ::FindClose(search);
  const bool trailing = IsSeparator(native->back());
  *native = Join(folder, Narrow(found.cFileName)) + (trailing ? "\\" : "");
  return true;
}

Status GetInfo(std::string_view path, FileInfo* info) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return Status::Errno(ENOENT);
  DWORD error = 0;
  if (!ReadInfo(wide, info, &error)) return WindowsError(error);
  return Status::Ok();
}

bool IsDirectory(std::string_view path) {
  std::wstring wide;
  return ToSystemPath(path, &wide) && IsFolderAttributes(FollowedAttributes(wide));
}

bool IsRegularFile(std::string_view path) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return false;
  const DWORD attributes = FollowedAttributes(wide);
  return attributes != INVALID_FILE_ATTRIBUTES && !IsFolderAttributes(attributes) &&
         (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
}

bool IsSymbolicLink(std::string_view path) {
  std::string native;
  if (!NativeText(path, &native)) return false;
  std::string folder, name;
  SplitLast(native, &folder, &name);
  if (name.empty()) return false;
  return IsReparsePoint(AttributesOf(SystemPath(Join(folder, name))));
}

// ---- changes by path -------------------------------------------------------------

Status CreateDirectory(std::string_view path) {
  return [&]() -> Status {
    std::wstring wide;
    std::string native;
    if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
    if (!sys::CreateDirectory(wide.c_str())) {
      const DWORD error = ::GetLastError();
      // A root or an existing entry: Windows says "denied" for a drive root.
      if (error == ERROR_ACCESS_DENIED && AttributesOf(wide) != INVALID_FILE_ATTRIBUTES) {
        return Status::System(EEXIST, static_cast<int>(ERROR_ALREADY_EXISTS));
      }
      return WindowsError(error);
    }
    ForgetListingOf(native);
    return Status::Ok();
  }()
                      .About(Operation::kCreateFolder, path);
}

Status RemoveDirectory(std::string_view path) {
  std::wstring wide;
  std::string native;
  if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
  if (!sys::RemoveDirectory(wide.c_str())) return LastError();
  ForgetListingOf(native);
  return Status::Ok();
}

Status DeleteFile(std::string_view path) {
  std::wstring wide;
  std::string native;
  if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
  const DWORD attributes = AttributesOf(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (IsReparsePoint(attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // A linked folder (a directory symbolic link or a junction) goes as a
    // folder does, leaving what it leads to.
    if (!sys::RemoveDirectory(wide.c_str())) return LastError();
  } else {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Status::Errno(EISDIR);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
    }
    if (!sys::DeleteFile(wide.c_str())) return LastError();
  }
  ForgetListingOf(native);
  return Status::Ok();
}

Status CopyFile(std::string_view from, std::string_view to, bool fail_if_exists) {
  std::wstring source, target;
  std::string native_target;
  if (!ToSystemPath(from, &source) || !ToSystemPath(to, &target, &native_target)) {
    return Status::Errno(ENOENT);
  }
  const DWORD source_attributes = FollowedAttributes(source);
  if (source_attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if (IsFolderAttributes(source_attributes)) return Status::Errno(kNotRegularFile);
  const DWORD target_attributes = FollowedAttributes(target);
  if (target_attributes != INVALID_FILE_ATTRIBUTES) {
    if (fail_if_exists) return Status::System(EEXIST, static_cast<int>(ERROR_FILE_EXISTS));
    if (IsFolderAttributes(target_attributes)) return Status::Errno(EISDIR);
    if ((target_attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
    }
    // A file copied onto itself would be emptied first.
    UniqueHandle a(OpenForAttributes(source, false)), b(OpenForAttributes(target, false));
    FileIdentity ida, idb;
    if (a.valid() && b.valid() && IdentityOf(a.get(), &ida) && IdentityOf(b.get(), &idb) &&
        ida == idb) {
      return Status::Errno(EINVAL);
    }
  }
  // Contents, attributes and times, as Windows copies them.
  const BOOL copied = sys::CopyFileEx(source.c_str(), target.c_str(),
                                      fail_if_exists ? COPY_FILE_FAIL_IF_EXISTS : 0);
  const Status result = copied ? Status::Ok() : LastError();
  ForgetListingOf(native_target);
  return result;
}

Status MoveFile(std::string_view from, std::string_view to) {
  std::wstring source, target;
  std::string native_source, native_target;
  if (!ToSystemPath(from, &source, &native_source) || !ToSystemPath(to, &target, &native_target)) {
    return Status::Errno(ENOENT);
  }
  // Never over an existing entry; a file goes to another volume by copy and
  // delete, a folder cannot (EXDEV).
  if (!sys::MoveFileEx(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED)) return LastError();
  ForgetListingOf(native_source);
  ForgetListingOf(native_target);
  return Status::Ok();
}

Status SetReadOnly(std::string_view path, bool read_only) {
  std::wstring wide;
  std::string native;
  if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
  const DWORD attributes = AttributesOf(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  const DWORD wanted = read_only ? attributes | FILE_ATTRIBUTE_READONLY
                                 : attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (wanted == attributes) return Status::Ok();
  if (!sys::SetFileAttributes(wide.c_str(), AttributesToWindows(attributes, wanted))) {
    return LastError();
  }
  ForgetListingOf(native);
  return Status::Ok();
}

Status SetAttributes(std::string_view path, std::uint32_t attributes) {
  std::wstring wide;
  std::string native;
  if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
  const DWORD current = AttributesOf(wide);
  if (current == INVALID_FILE_ATTRIBUTES) return LastError();
  const DWORD wanted = AttributesToWindows(current, attributes);
  // Only a change touches the file.
  const DWORD settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                         FILE_ATTRIBUTE_ARCHIVE;
  if ((current & settable) == (wanted & settable)) return Status::Ok();
  if (!sys::SetFileAttributes(wide.c_str(), wanted)) return LastError();
  // Listings show the hidden attribute, which moves no folder's write time.
  ForgetListingOf(native);
  return Status::Ok();
}

Status SetTimes(std::string_view path, std::int64_t access_ns, std::int64_t write_ns,
                const std::int64_t* creation_ns) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return Status::Errno(ENOENT);
  UniqueHandle handle(::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.valid()) return LastError();
  const FILETIME access = NsToFileTime(access_ns), write = NsToFileTime(write_ns);
  FILETIME creation{};
  if (creation_ns != nullptr) creation = NsToFileTime(*creation_ns);
  if (!sys::SetFileTime(handle.get(), creation_ns != nullptr ? &creation : nullptr, &access,
                        &write)) {
    return LastError();
  }
  return Status::Ok();
}

Status CanonicalPath(std::string_view path, std::string* canonical) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return Status::Errno(ENOENT);
  UniqueHandle handle(OpenForAttributes(wide, false));
  if (!handle.valid()) return LastError();
  return FinalPath(handle.get(), canonical);
}

bool IsSameOrInside(std::string_view canonical, std::string_view folder) {
  if (folder.empty() || canonical.size() < folder.size()) return false;
  // Windows compares names without regard to case.
  if (text::UpperCase(canonical.substr(0, folder.size())) != text::UpperCase(folder)) {
    return false;
  }
  return canonical.size() == folder.size() || IsSeparator(folder.back()) ||
         IsSeparator(canonical[folder.size()]);
}

std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return WithoutLongPrefix(buffer);
    }
    buffer.resize(n);
  }
}

std::string ExecutableFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return CurrentDirectory();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string folder, name;
  SplitLast(WithoutLongPrefix(buffer), &folder, &name);
  return folder.empty() ? CurrentDirectory() : folder;
}

std::string ShortPathName(std::string_view path) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return {};
  const DWORD size = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring buffer(size, L'\0');
  const DWORD n = ::GetShortPathNameW(wide.c_str(), buffer.data(), size);
  if (n == 0 || n >= size) return {};
  buffer.resize(n);
  const std::string result = WithoutLongPrefix(buffer);
  // A volume that keeps no short names gives the long ones back: a component
  // that is no 8.3 name tells.
  std::size_t start = RootLength(result);
  while (start < result.size()) {
    std::size_t end = start;
    while (end < result.size() && !IsSeparator(result[end])) ++end;
    const std::string_view part = std::string_view(result).substr(start, end - start);
    if (!IsShortName(part)) return {};
    start = end + 1;
  }
  return result;
}

bool win32::IsShortName(std::string_view name) {
  if (name == "." || name == "..") return true;
  const std::size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (extension.find('.') != std::string_view::npos) return false;
  if (dot != std::string_view::npos && extension.empty()) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u >= 0x7F || std::strchr("\"*+,/:;<=>?[\\]|", c) != nullptr) return false;
    if (c >= 'a' && c <= 'z') return false;
  }
  return true;
}

// ---- File ------------------------------------------------------------------------

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_), append_(other.append_) {
  other.handle_ = kNoHandle;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    append_ = other.append_;
    other.handle_ = kNoHandle;
  }
  return *this;
}

namespace {

// Opens an existing regular file for reading: kNotRegularFile for a folder.
Status OpenForReading(const std::wstring& path, DWORD share, DWORD flags, HANDLE* out) {
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      ::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return Status::Errno(kNotRegularFile);
  }
  *out = handle;
  return Status::Ok();
}

}  // namespace

namespace win32 {

Status OpenRegularForReading(const std::wstring& path, DWORD flags, HANDLE* out) {
  return OpenForReading(path, kShareAll, flags, out);
}

}  // namespace win32

Status File::Open(std::string_view path, Mode mode, File* out, bool share_read_only) {
  return [&]() -> Status {
    std::wstring wide;
    std::string native;
    if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
    // Without share_read_only others may do anything, as on POSIX; with
    // it, others may read but not write: a reader conflicts with a
    // writer, two readers do not (share modes do what POSIX's advisory
    // locks do there).
    const DWORD share = share_read_only ? FILE_SHARE_READ : kShareAll;
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (mode == Mode::kRead) {
      Status opened = OpenForReading(wide, share, 0, &handle);
      if (!opened.ok()) return opened;
    } else {
      const DWORD attributes = FollowedAttributes(wide);
      if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (IsFolderAttributes(attributes)) return Status::Errno(EISDIR);
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
          return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
        }
      }
      const DWORD access = mode == Mode::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
      // Emptied below, once the open (and with it the sharing check)
      // succeeded, so that a conflicting open leaves the file as it was.
      handle = sys::CreateFile(wide.c_str(), access, share, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
      if (handle == INVALID_HANDLE_VALUE) return LastError();
      if (mode == Mode::kWrite && !sys::SetEndOfFile(handle)) {
        Status s = LastError();
        ::CloseHandle(handle);
        return s;
      }
    }
    if (mode != Mode::kRead) ForgetListingOf(native);
    out->Close();
    out->handle_ = FromHandle(handle);
    out->append_ = mode == Mode::kAppend;
    return Status::Ok();
  }()
                      .About(mode == Mode::kRead ? Operation::kReadFile : Operation::kWriteFile,
                             path);
}

Status File::Read(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD read = 0;
  if (!::ReadFile(ToHandle(handle_), buffer, chunk, &read, nullptr)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE) return Status::Ok();
    return WindowsError(error);
  }
  *got = read;
  return Status::Ok();
}

namespace win32 {

Status WriteAll(HANDLE handle, const void* data, std::size_t size) {
  if (handle == INVALID_HANDLE_VALUE) return Status::Errno(EBADF);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!sys::WriteFile(handle, p, chunk, &written)) return LastError();
    p += written;
    size -= written;
  }
  return Status::Ok();
}

}  // namespace win32

Status File::Write(const void* data, std::size_t size) {
  if (handle_ != kNoHandle && append_) {
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(ToHandle(handle_), zero, nullptr, FILE_END)) return LastError();
  }
  return WriteAll(ToHandle(handle_), data, size);
}

Status File::Seek(std::int64_t offset) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  LARGE_INTEGER to;
  to.QuadPart = offset;
  if (!::SetFilePointerEx(ToHandle(handle_), to, nullptr, FILE_BEGIN)) return LastError();
  return Status::Ok();
}

std::int64_t File::Position() const {
  if (handle_ == kNoHandle) return -1;
  LARGE_INTEGER zero{}, at{};
  if (!::SetFilePointerEx(ToHandle(handle_), zero, &at, FILE_CURRENT)) return -1;
  return at.QuadPart;
}

std::int64_t File::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kNoHandle || !::GetFileSizeEx(ToHandle(handle_), &size)) return -1;
  return size.QuadPart;
}

Status File::Truncate(std::int64_t size) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  if (size < 0) return Status::Errno(EINVAL);
  const std::int64_t position = Position();
  if (Status s = Seek(size); !s.ok()) return s;
  const BOOL cut = sys::SetEndOfFile(ToHandle(handle_));
  const Status result = cut ? Status::Ok() : LastError();
  Seek(position);
  return result;
}

bool File::Identity(FileIdentity* id) const {
  return handle_ != kNoHandle && IdentityOf(ToHandle(handle_), id);
}

bool File::Stamp(FileStamp* stamp) const {
  if (handle_ == kNoHandle) return false;
  FILE_BASIC_INFO basic;
  LARGE_INTEGER size{};
  if (!IdentityOf(ToHandle(handle_), &stamp->identity) ||
      !::GetFileInformationByHandleEx(ToHandle(handle_), FileBasicInfo, &basic, sizeof basic) ||
      !::GetFileSizeEx(ToHandle(handle_), &size)) {
    return false;
  }
  auto ns = [](const LARGE_INTEGER& t) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(t.QuadPart);
    time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t.QuadPart) >> 32);
    return FileTimeToNs(time);
  };
  stamp->size = static_cast<std::uint64_t>(size.QuadPart);
  stamp->write_ns = ns(basic.LastWriteTime);
  stamp->change_ns = ns(basic.ChangeTime);
  return true;
}

Status File::CanonicalPath(std::string* canonical) const {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  return FinalPath(ToHandle(handle_), canonical);
}

Status File::Close() {
  if (handle_ == kNoHandle) return Status::Ok();
  HANDLE handle = ToHandle(handle_);
  handle_ = kNoHandle;
  if (!::CloseHandle(handle)) return LastError();
  return Status::Ok();
}

}  // namespace vkt::platform
