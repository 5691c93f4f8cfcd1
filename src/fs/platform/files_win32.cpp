// Files and folders of the Windows platform layer: attributes and times,
// metadata, changes by path, copies and moves, open files. Wide-character
// calls throughout; texts are UTF-8 outside.
#include <winternl.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {
namespace win32 {

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
  if (!sys::GetFileInformationByHandle(handle, &info)) return false;
  id->device = info.dwVolumeSerialNumber;
  id->inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

HANDLE OpenForAttributes(const std::wstring& path, bool no_follow) {
  return sys::CreateFile(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (no_follow ? FILE_FLAG_OPEN_REPARSE_POINT : 0));
}

namespace {

// The path of the open `handle` from its name on its volume (FileNameInfo:
// "\\folder\\file") and the drive under which that name opens this very
// file; false when none does (a network file among them). Wine's
// GetFinalPathNameByHandleW gives up on names of about MAX_PATH characters (it
// reads the object's name into a buffer of that size); Windows' does not.
bool PathByNameOnVolume(HANDLE handle, std::wstring* path) {
  FileIdentity id;
  if (!IdentityOf(handle, &id)) return false;
  // The longest path the system takes: 32767 characters.
  std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + 32768 * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
  if (!::GetFileInformationByHandleEx(handle, FileNameInfo, info,
                                      static_cast<DWORD>(buffer.size()))) {
    return false;
  }
  const std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
  if (!name.starts_with(L"\\")) return false;
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
    if ((drives & (1U << (letter - L'A'))) == 0) continue;
    std::wstring candidate = std::wstring(L"\\\\?\\") + letter + L":" + name;
    UniqueHandle same(OpenForAttributes(candidate, false));
    FileIdentity found;
    if (same.valid() && IdentityOf(same.get(), &found) && found == id) {
      *path = std::move(candidate);
      return true;
    }
  }
  return false;
}

}  // namespace

Status FinalPath(HANDLE handle, std::string* canonical) {
  if (Injected(kFaultResolve)) return LastError();
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n =
        sys::GetFinalPathNameByHandle(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      Status failed = LastError();
      if (!PathByNameOnVolume(handle, &buffer)) return failed;
      break;
    }
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

// ---- metadata ---------------------------------------------------------------------

namespace {

// What GetInfo tells, from the entry itself or, for a link, from what it
// leads to.
bool ReadInfo(const std::wstring& path, FileInfo* info, DWORD* error) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!sys::GetFileAttributesEx(path.c_str(), &data)) {
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
    if (!handle.valid() || !sys::GetFileInformationByHandle(handle.get(), &target)) {
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
DWORD AttributesOf(const std::wstring& path) { return sys::GetFileAttributes(path.c_str()); }

// The attributes of what `path` leads to (links followed).
DWORD FollowedAttributes(const std::wstring& path) {
  DWORD attributes = AttributesOf(path);
  if (!IsReparsePoint(attributes)) return attributes;
  UniqueHandle handle(OpenForAttributes(path, false));
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle.valid() || !sys::GetFileInformationByHandle(handle.get(), &info)) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return info.dwFileAttributes;
}

bool IsFolderAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

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
  Status result = copied ? Status::Ok() : LastError();
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
  UniqueHandle handle(sys::CreateFile(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
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

// ---- File ------------------------------------------------------------------------

namespace {

// Opens an existing regular file for reading: kNotRegularFile for a folder.
Status OpenForReading(const std::wstring& path, DWORD share, DWORD flags, HANDLE* out) {
  HANDLE handle = sys::CreateFile(path.c_str(), GENERIC_READ, share, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | flags);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  BY_HANDLE_FILE_INFORMATION info;
  if (!sys::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      sys::GetFileType(handle) != FILE_TYPE_DISK) {
    sys::CloseHandle(handle);
    return Status::Errno(kNotRegularFile);
  }
  *out = handle;
  return Status::Ok();
}

// Opens `path` (a system path) for writing in `mode` (not kRead), created
// where missing: not a folder, nor a read-only file.
Status OpenForWriting(const std::wstring& path, File::Mode mode, DWORD share, HANDLE* out) {
  const DWORD attributes = FollowedAttributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (IsFolderAttributes(attributes)) return Status::Errno(EISDIR);
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
    }
  }
  const DWORD access =
      mode == File::Mode::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
  // Emptied once the open (and with it the sharing check) succeeded, so that
  // a conflicting open leaves the file as it was.
  HANDLE handle = sys::CreateFile(path.c_str(), access, share, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  if (mode == File::Mode::kWrite && !sys::SetEndOfFile(handle)) {
    Status s = LastError();
    sys::CloseHandle(handle);
    return s;
  }
  *out = handle;
  return Status::Ok();
}

}  // namespace

namespace win32 {

Status OpenRegularForReading(const std::wstring& path, DWORD flags, HANDLE* out) {
  return OpenForReading(path, kShareAll, flags, out);
}

Status OpenInFolder(HANDLE folder, std::string_view name, HANDLE* out) {
  std::wstring wide = Wide(name);
  if (wide.empty() || wide.size() > 255 || wide.find_first_of(L"\\/") != std::wstring::npos) {
    return Status::Errno(ENOENT);
  }
  UNICODE_STRING object_name;
  object_name.Buffer = wide.data();
  object_name.Length = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE handle = nullptr;
  internal::CountCall(SystemCall::kOpen);
  // The name as it stands in the folder: no DOS device names, no path
  // parsing; a folder fails (FILE_NON_DIRECTORY_FILE), a link is opened as
  // itself (FILE_OPEN_REPARSE_POINT) and rejected below.
  const NTSTATUS status = ::NtCreateFile(
      &handle, FILE_GENERIC_READ, &attributes, &io, nullptr, 0, kShareAll, FILE_OPEN,
      FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
  constexpr NTSTATUS kFileIsADirectory = static_cast<NTSTATUS>(0xC00000BAL);
  if (status == kFileIsADirectory) return Status::Errno(kNotRegularFile);
  if (status < 0) return WindowsError(::RtlNtStatusToDosError(status));
  // The attributes alone: GetFileInformationByHandle would ask the volume
  // too (its serial number), which under Wine is a round trip to its mount
  // manager, three processes, per file.
  FILE_BASIC_INFO info;
  if (!sys::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info) ||
      (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    sys::CloseHandle(handle);
    return Status::Errno(kNotRegularFile);
  }
  if (IsReparsePoint(info.FileAttributes)) {
    sys::CloseHandle(handle);
    return Status::Errno(ELOOP);
  }
  *out = handle;
  return Status::Ok();
}

}  // namespace win32

Status File::Open(std::string_view path, Mode mode, File* out, bool share_read_only) {
  return
      [&]() -> Status {
        std::wstring wide;
        std::string native;
        if (!ToSystemPath(path, &wide, &native)) return Status::Errno(ENOENT);
        // Without share_read_only others may do anything, as on POSIX; with
        // it, others may read but not write: a reader conflicts with a
        // writer, two readers do not (share modes do what POSIX's advisory
        // locks do there).
        const DWORD share = share_read_only ? FILE_SHARE_READ : kShareAll;
        HANDLE handle = INVALID_HANDLE_VALUE;
        Status opened = mode == Mode::kRead ? OpenForReading(wide, share, 0, &handle)
                                            : OpenForWriting(wide, mode, share, &handle);
        if (!opened.ok()) return opened;
        if (mode != Mode::kRead) ForgetListingOf(native);
        out->Close();
        out->handle_ = FromHandle(handle);
        out->append_ = mode == Mode::kAppend;
        return Status::Ok();
      }()
                   .About(mode == Mode::kRead ? Operation::kReadFile : Operation::kWriteFile, path);
}

// Windows: every symbolic link is followed for kFollowTrusted (making one
// takes a privilege of its own).
Status File::OpenAsReplaced(std::string_view path, LinkAtTarget links, File* out) {
  if (links == LinkAtTarget::kFollowTrusted) return Open(path, Mode::kRead, out);
  return [&]() -> Status {
    std::wstring wide;
    if (!ToSystemPath(path, &wide)) return Status::Errno(ENOENT);
    // A link at the name is no file of this name: a replacement puts its own there.
    if (IsReparsePoint(sys::GetFileAttributes(wide.c_str()))) return Status::Errno(ENOENT);
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (Status s = OpenRegularForReading(wide, FILE_FLAG_OPEN_REPARSE_POINT, &handle); !s.ok()) {
      return s;
    }
    out->Close();
    out->handle_ = FromHandle(handle);
    return Status::Ok();
  }()
                      .About(Operation::kReadFile, path);
}

Status File::Read(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD read = 0;
  if (!sys::ReadFile(ToHandle(handle_), buffer, chunk, &read)) {
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
    if (!sys::SetFilePointerEx(ToHandle(handle_), zero, nullptr, FILE_END)) return LastError();
  }
  return WriteAll(ToHandle(handle_), data, size);
}

Status File::Seek(std::int64_t offset) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  LARGE_INTEGER to;
  to.QuadPart = offset;
  if (!sys::SetFilePointerEx(ToHandle(handle_), to, nullptr, FILE_BEGIN)) return LastError();
  return Status::Ok();
}

std::int64_t File::Position() const {
  if (handle_ == kNoHandle) return -1;
  LARGE_INTEGER zero{}, at{};
  if (!sys::SetFilePointerEx(ToHandle(handle_), zero, &at, FILE_CURRENT)) return -1;
  return at.QuadPart;
}

std::int64_t File::Size() const {
  LARGE_INTEGER size{};
  if (handle_ == kNoHandle || !sys::GetFileSizeEx(ToHandle(handle_), &size)) return -1;
  return size.QuadPart;
}

Status File::Truncate(std::int64_t size) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  if (size < 0) return Status::Errno(EINVAL);
  const std::int64_t position = Position();
  if (Status s = Seek(size); !s.ok()) return s;
  const BOOL cut = sys::SetEndOfFile(ToHandle(handle_));
  Status result = cut ? Status::Ok() : LastError();
  Seek(position);
  return result;
}

bool File::Identity(FileIdentity* id) const {
  return handle_ != kNoHandle && IdentityOf(ToHandle(handle_), id);
}

bool win32::StampOfHandle(HANDLE handle, FileStamp* stamp) {
  FILE_BASIC_INFO basic;
  LARGE_INTEGER size{};
  if (!IdentityOf(handle, &stamp->identity) ||
      !sys::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
      !sys::GetFileSizeEx(handle, &size)) {
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

bool File::Stamp(FileStamp* stamp) const {
  return handle_ != kNoHandle && StampOfHandle(ToHandle(handle_), stamp);
}

Status File::CanonicalPath(std::string* canonical) const {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  return FinalPath(ToHandle(handle_), canonical);
}

Status File::Close() {
  if (handle_ == kNoHandle) return Status::Ok();
  HANDLE handle = ToHandle(handle_);
  handle_ = kNoHandle;
  if (!sys::CloseHandle(handle)) return LastError();
  return Status::Ok();
}

}  // namespace vkt::platform
