// What the Windows files of the platform layer share: the fault seam's way to
// the system's changing calls, the table of Windows errors, native paths,
// attributes and times. Not for use outside src/fs/platform (and its tests);
// what both platforms share is in platform_internal.h.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// The layer's own functions bear the names these macros would turn into
// their wide-character namesakes.
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef FindFirstFileEx
#undef FindNextFile
#undef GetFileAttributes
#undef GetFileAttributesEx
#undef GetFinalPathNameByHandle
#undef GetShortPathName
#undef MoveFile
#undef RemoveDirectory
#undef ReplaceFile
#undef SetFileAttributes

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"

namespace vkt::platform::win32 {

// ---- errors ----------------------------------------------------------------

// The portable number (E*) of the Windows error `error`; EIO for an error the
// table does not know, 0 for 0.
int ErrnoFromWindows(DWORD error);
// The Windows error that stands for the portable number `error` (the first
// of the table's rows that give it), 0 when none does.
DWORD WindowsErrorFromErrno(int error);
// The failure GetLastError() tells, as its portable number and its own code.
Status LastError();
Status WindowsError(DWORD error);

// ---- the one way to the system's changing calls ----------------------------

// True (the thread's last error set to the Windows error that stands for the
// injected one) when the armed test wants this call to fail.
inline bool Injected(FaultKind kind) {
  const int error = internal::InjectedError(kind);
  if (error == 0) return false;
  const DWORD windows = WindowsErrorFromErrno(error);
  ::SetLastError(windows != 0 ? windows : ERROR_IO_DEVICE);
  return true;
}

namespace sys {

inline BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  return Injected(kFaultWrite) ? FALSE : ::WriteFile(file, data, size, written, nullptr);
}
inline BOOL SetEndOfFile(HANDLE file) {
  return Injected(kFaultWrite) ? FALSE : ::SetEndOfFile(file);
}
inline BOOL CopyFileEx(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return Injected(kFaultWrite) ? FALSE : ::CopyFileExW(from, to, nullptr, nullptr, nullptr, flags);
}
inline BOOL MoveFileEx(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return Injected(kFaultRename) ? FALSE : ::MoveFileExW(from, to, flags);
}
inline BOOL ReplaceFile(const wchar_t* target, const wchar_t* replacement, const wchar_t* backup,
                        DWORD flags) {
  return Injected(kFaultRename)
             ? FALSE
             : ::ReplaceFileW(target, replacement, backup, flags, nullptr, nullptr);
}
inline BOOL FlushFileBuffers(HANDLE file) {
  return Injected(kFaultSync) ? FALSE : ::FlushFileBuffers(file);
}
inline BOOL CreateDirectory(const wchar_t* path) {
  return Injected(kFaultMkdir) ? FALSE : ::CreateDirectoryW(path, nullptr);
}
// CreateFileW: a call that may create a file passes the seam as a creation;
// any other is counted as an open.
inline HANDLE CreateFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags) {
  if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
    internal::CountCall(SystemCall::kOpen);
  } else if (Injected(kFaultCreate)) {
    return INVALID_HANDLE_VALUE;
  }
  return ::CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}
inline BOOL DeleteFile(const wchar_t* path) {
  return Injected(kFaultRemove) ? FALSE : ::DeleteFileW(path);
}
inline BOOL RemoveDirectory(const wchar_t* path) {
  return Injected(kFaultRemove) ? FALSE : ::RemoveDirectoryW(path);
}
inline BOOL SetFileAttributes(const wchar_t* path, DWORD attributes) {
  return Injected(kFaultMetadata) ? FALSE : ::SetFileAttributesW(path, attributes);
}
inline BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                        const FILETIME* write) {
  return Injected(kFaultMetadata) ? FALSE : ::SetFileTime(file, creation, access, write);
}
inline BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info,
                                       DWORD size) {
  return Injected(kFaultMetadata) ? FALSE : ::SetFileInformationByHandle(file, kind, info, size);
}

// ---- the calls that only look: counted (call_count.h) -------------------

using internal::CountCall;

inline DWORD GetFileAttributes(const wchar_t* path) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileAttributesW(path);
}
inline BOOL GetFileAttributesEx(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileAttributesExW(path, GetFileExInfoStandard, data);
}
inline BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileInformationByHandle(file, info);
}
inline BOOL GetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info,
                                         DWORD size) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileInformationByHandleEx(file, kind, info, size);
}
inline DWORD GetFileType(HANDLE file) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileType(file);
}
inline BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size) {
  CountCall(SystemCall::kAttributes);
  return ::GetFileSizeEx(file, size);
}
inline BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read) {
  CountCall(SystemCall::kRead);
  return ::ReadFile(file, buffer, size, read, nullptr);
}
inline BOOL CloseHandle(HANDLE handle) {
  CountCall(SystemCall::kClose);
  return ::CloseHandle(handle);
}
inline BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER to, LARGE_INTEGER* at, DWORD method) {
  CountCall(SystemCall::kOther);
  return ::SetFilePointerEx(file, to, at, method);
}
inline DWORD GetFinalPathNameByHandle(HANDLE file, wchar_t* buffer, DWORD size, DWORD flags) {
  CountCall(SystemCall::kResolution);
  return ::GetFinalPathNameByHandleW(file, buffer, size, flags);
}
inline DWORD GetShortPathName(const wchar_t* path, wchar_t* buffer, DWORD size) {
  CountCall(SystemCall::kResolution);
  return ::GetShortPathNameW(path, buffer, size);
}
inline HANDLE FindFirstFileEx(const wchar_t* pattern, WIN32_FIND_DATAW* found, DWORD flags) {
  CountCall(SystemCall::kListing);
  return ::FindFirstFileExW(pattern, FindExInfoBasic, found, FindExSearchNameMatch, nullptr, flags);
}
// FindNextFileW hands out entries from a buffer the system fills many at a
// time: what is counted is the listing's last call, the one that finds the
// end.
inline BOOL FindNextFile(HANDLE search, WIN32_FIND_DATAW* found) {
  const BOOL more = ::FindNextFileW(search, found);
  if (!more) CountCall(SystemCall::kListing);
  return more;
}
inline BOOL FindClose(HANDLE search) {
  CountCall(SystemCall::kClose);
  return ::FindClose(search);
}

}  // namespace sys

// ---- text and paths ----------------------------------------------------------

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// The system's form of a path: each separator a "\", a run of them one, but
// a leading pair (a UNC path, "\\server\share", or "\\?\") kept as a pair; a
// trailing separator kept. False for the empty path.
bool NativeText(std::string_view path, std::string* native);
// The length of the root that starts the native path `path`: "C:\" (3), "C:"
// (2), "\\server\share\" (up to and with the separator after the share, or
// the whole text), "\" (1), or 0 for a relative path.
std::size_t RootLength(std::string_view path);
// Splits a native path into its folder (with its root's separator where the
// folder is a root: "C:\", "\", "\\srv\share\"; "" for the current folder)
// and its last name. A trailing separator is dropped first.
void SplitLast(const std::string& path, std::string* folder, std::string* name);
// `folder` + "\" + `name`, without doubling a separator ("" = current folder).
std::string Join(const std::string& folder, std::string_view name);
// From this length on a plain path stops working: CreateDirectoryW's limit
// (MAX_PATH less room for an 8.3 name); the other calls stop at MAX_PATH.
inline constexpr std::size_t kLongPathFrom = 248;
// `path` made absolute, "." and ".." folded (GetFullPathNameW); `path` itself
// when the system cannot.
std::wstring FullPath(const std::wstring& path);
// The form the system's calls take for the full path `full` (see FullPath):
// from kLongPathFrom characters on, a drive path as "\\?\C:\..." and a UNC
// path "\\server\share\..." as "\\?\UNC\server\share\...". A shorter
// path, one with "\\?\" or "\\.\" already, and a relative one (which the
// prefix cannot take) stay as they are.
std::wstring LongPathForm(std::wstring_view full);
// The wide path the system's calls take for the native path `path`: a long
// or a relative one made absolute (FullPath), in its LongPathForm. Every path the layer gives the
// system goes through here.
std::wstring SystemPath(const std::string& path);
// SystemPath of `path` in the program's form (see NativeText); false when it
// names nothing.
bool ToSystemPath(std::string_view path, std::wstring* wide, std::string* native = nullptr);
// A path as GetFinalPathNameByHandleW gives it, without its "\\?\" (or
// "\\?\UNC\" turned into "\\").
std::string WithoutLongPrefix(std::wstring_view path);

// ---- attributes and times ------------------------------------------------------

// The attribute word the program sees for Windows' attributes `attributes`
// (file_system.h, FileInfo::attributes).
std::uint32_t AttributesFromWindows(DWORD attributes);
// Windows' attributes after giving an entry whose attributes are `current`
// the program's word `wanted` (read-only, hidden, system, archive).
DWORD AttributesToWindows(DWORD current, std::uint32_t wanted);
std::int64_t FileTimeToNs(const FILETIME& time);
FILETIME NsToFileTime(std::int64_t ns);
// True when the attributes are those of a symbolic link or a junction (a
// reparse point of a name-surrogate kind) rather than of a plain entry.
bool IsReparsePoint(DWORD attributes);

// The identity of an open file or folder; false on failure.
bool IdentityOf(HANDLE handle, FileIdentity* id);
// The identity, size and times of the open file `handle`.
bool StampOfHandle(HANDLE handle, FileStamp* stamp);
// Opens `path` (a system path) for reading its attributes only, sharing
// everything, links followed unless `no_follow`; a folder too.
HANDLE OpenForAttributes(const std::wstring& path, bool no_follow);
// The final path of an open file or folder (GetFinalPathNameByHandleW).
Status FinalPath(HANDLE handle, std::string* canonical);

// True when `name` is a valid 8.3 name as the system writes short names.
bool IsShortName(std::string_view name);

// ---- open files ----------------------------------------------------------------

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// How AtomicFile puts its new file in the place of the target: moved over it
// (MoveFileExW: the new file keeps the permissions it was created with, the
// folder's inherited ones), or through ReplaceFileW, which gives it the
// replaced file's attributes and security descriptor. Only an existing file
// of the user running the program hands those on, where the caller gave no
// attributes of its own and the target was not to be missing.
enum class Replacement : std::uint8_t { kMove, kReplaceFile };
Replacement ChooseReplacement(bool exists, bool own_attributes, bool must_be_missing,
                              bool other_owner);

// Opens the existing regular file `path` (a system path) for reading, sharing
// everything; kNotRegularFile for a folder or a device.
Status OpenRegularForReading(const std::wstring& path, DWORD flags, HANDLE* out);
// Opens the file `name` (one name, no separator) of the open folder `folder`
// for reading, sharing everything, relative to the folder as openat does: a
// link at the name fails with ELOOP, a folder with kNotRegularFile. The
// folder must lie on a disk (ListedFolder makes sure of it): what opens is
// then a file of that disk, whose type is not asked again.
Status OpenInFolder(HANDLE folder, std::string_view name, HANDLE* out);
// Writes all `size` bytes.
Status WriteAll(HANDLE handle, const void* data, std::size_t size);

// The console handler of InstallSignalCleanup: for Ctrl+C, Ctrl+Break and
// the console's closing, deletes the temporary files in progress and ends
// the process with 0xC000013A; FALSE (not handled) for other events.
BOOL WINAPI RemoveTemporariesAndExit(DWORD event);

// ---- owners ----------------------------------------------------------------------

// The SIDs a file of this process's making is owned by: the user's, and the
// owner the token gives new objects (the Administrators group for an
// elevated administrator).
class OwnSids {
 public:
  OwnSids();
  bool Owns(PSID sid) const;

 private:
  std::vector<unsigned char> user_, owner_;
};

// Whether the entry at `path` (a system path) belongs to one of `own`; false
// when its owner cannot be read. `*owner_name` (when given) receives the
// name of the owner's account, "" where it has none the system can tell.
bool OwnedBy(const std::wstring& path, const OwnSids& own, std::string* owner_name = nullptr);

// ---- the cache ---------------------------------------------------------------

// Drops the cached listings of the folder of `native_path` and of itself.
void ForgetListingOf(const std::string& native_path);

// A handle closed when it goes out of scope.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE release() {
    HANDLE h = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return h;
  }
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) sys::CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A bit copy, not a cast from integer to pointer: a HANDLE only passes
// through the integer, nothing is computed on it.
inline HANDLE ToHandle(NativeHandle handle) { return std::bit_cast<HANDLE>(handle); }
inline NativeHandle FromHandle(HANDLE handle) { return reinterpret_cast<NativeHandle>(handle); }

}  // namespace vkt::platform::win32
