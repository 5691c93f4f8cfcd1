// The writers' lock of the Windows platform layer: a lock file opened without
// sharing and deleted on close.
#include <algorithm>
#include <cerrno>
#include <string>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {

using namespace win32;

namespace {

// kForeignLockFile when what stands at the lock file's system path `wide`
// is not the user's own lock file: a reparse point (a link placed there), a
// folder, or a file of another account; Ok when nothing stands there.
Status CheckLockFile(const std::wstring& wide, LockHolder* holder) {
  const DWORD attributes = sys::GetFileAttributes(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Status::Ok();
  LockHolder found;
  found.found = IsReparsePoint(attributes)                     ? LockHolder::Found::kLink
                : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? LockHolder::Found::kFolder
                                                               : LockHolder::Found::kFile;
  // The owner can be read while another run holds the file: reading it
  // takes no access that sharing governs.
  if (OwnedBy(wide, OwnSids(), &found.user) && found.found == LockHolder::Found::kFile) {
    return Status::Ok();
  }
  if (holder != nullptr) *holder = found;
  return Status::Errno(kForeignLockFile);
}

}  // namespace

FolderLock::~FolderLock() { Release(); }

Status FolderLock::Acquire(std::string_view folder, LockHolder* holder, std::int64_t wait_ms) {
  Release();
  if (holder != nullptr) *holder = LockHolder();
  std::string native;
  if (!NativeText(folder, &native)) return Status::Errno(ENOENT);
  const std::wstring wide_folder = SystemPath(native);
  const DWORD attributes = sys::GetFileAttributes(wide_folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Status::Errno(ENOTDIR);
  const std::string lock = Join(native, kLockFileName);
  const std::wstring wide = SystemPath(lock);
  const ULONGLONG deadline =
      ::GetTickCount64() + static_cast<ULONGLONG>(std::max<std::int64_t>(wait_ms, 0));
  for (;;) {
    if (Status s = CheckLockFile(wide, holder); !s.ok()) return s;
    // No sharing at all: a second opener fails, on this machine or, through
    // the file server, on another. Deleted when the last handle goes, also
    // when the process dies. A link is not followed.
    HANDLE handle = sys::CreateFile(
        wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, OPEN_ALWAYS,
        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle != INVALID_HANDLE_VALUE) {
      ForgetListingOf(lock);
      handle_ = FromHandle(handle);
      return Status::Ok();
    }
    Status failed = LastError();
    // Windows cannot wait for a file that another holds without sharing:
    // the open is tried again until the time is up.
    const ULONGLONG now = ::GetTickCount64();
    if (failed.code != EWOULDBLOCK || now >= deadline) return failed;
    ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 100)));
  }
}

void FolderLock::Release() {
  if (handle_ == kNoHandle) return;
  sys::CloseHandle(ToHandle(handle_));
  handle_ = kNoHandle;
  // The lock file went with the handle: cached listings no longer hold.
  internal::ForgetAllCachedListings();
}

}  // namespace vkt::platform
