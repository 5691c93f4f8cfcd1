// What the POSIX files of the platform layer share: the fault seam's way to
// the system's writing calls, path helpers, name resolution, and reaching a
// folder without hostile links. Not for use outside src/fs/platform; what
// both platforms share is in platform_internal.h.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"

namespace vkt::platform::posix {

using internal::CountCall;

// ---- the one way to the system's writing calls ----------------------------

// True (errno set) when the armed test wants this call to fail. A test that
// acts at this point (ArmAction) does so before the call.
inline bool Injected(FaultKind kind) {
  const int error = internal::InjectedError(kind);
  if (error == 0) return false;
  errno = error;
  return true;
}

namespace sys {

inline ssize_t Write(int fd, const void* data, size_t size) {
  return Injected(kFaultWrite) ? -1 : ::write(fd, data, size);
}
inline int Ftruncate(int fd, off_t size) {
  return Injected(kFaultWrite) ? -1 : ::ftruncate(fd, size);
}
inline ssize_t CopyFileRange(int in, int out, size_t size) {
  return Injected(kFaultWrite) ? -1 : ::copy_file_range(in, nullptr, out, nullptr, size, 0);
}
inline int Rename(const char* from, const char* to, unsigned flags = 0) {
  return Injected(kFaultRename) ? -1 : ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}
inline int Link(const char* from, const char* to) {
  return Injected(kFaultRename) ? -1 : ::link(from, to);
}
inline int Fsync(int fd) { return Injected(kFaultSync) ? -1 : ::fsync(fd); }
// An open that may create a file passes the fault seam as a creation; any
// other is counted as an open.
inline int Open(const char* path, int flags, mode_t mode = 0) {
  if ((flags & O_CREAT) == 0) {
    CountCall(SystemCall::kOpen);
  } else if (Injected(kFaultCreate)) {
    return -1;
  }
  return ::open(path, flags, mode);
}
inline int OpenAt(int folder, const char* name, int flags, mode_t mode = 0) {
  if ((flags & O_CREAT) == 0) {
    CountCall(SystemCall::kOpen);
  } else if (Injected(kFaultCreate)) {
    return -1;
  }
  return ::openat(folder, name, flags, mode);
}
inline int RenameAt(int folder, const char* from, const char* to, unsigned flags = 0) {
  return Injected(kFaultRename) ? -1 : ::renameat2(folder, from, folder, to, flags);
}
inline int UnlinkAt(int folder, const char* name, int flags = 0) {
  return Injected(kFaultRemove) ? -1 : ::unlinkat(folder, name, flags);
}
inline int MkdirAt(int folder, const char* name) {
  return Injected(kFaultMkdir) ? -1 : ::mkdirat(folder, name, 0777);
}
inline int Unlink(const char* path) { return Injected(kFaultRemove) ? -1 : ::unlink(path); }
inline int Chmod(const char* path, mode_t mode) {
  return Injected(kFaultMetadata) ? -1 : ::chmod(path, mode);
}
inline int Fchmod(int fd, mode_t mode) {
  return Injected(kFaultMetadata) ? -1 : ::fchmod(fd, mode);
}
inline int Fchown(int fd, uid_t uid, gid_t gid) {
  return Injected(kFaultMetadata) ? -1 : ::fchown(fd, uid, gid);
}
inline int Futimens(int fd, const timespec times[2]) {
  return Injected(kFaultMetadata) ? -1 : ::futimens(fd, times);
}
inline int Utimensat(const char* path, const timespec times[2]) {
  return Injected(kFaultMetadata) ? -1 : ::utimensat(AT_FDCWD, path, times, 0);
}

// ---- the calls that only look: counted (call_count.h) -------------------

inline int Fstat(int fd, struct stat* st) {
  CountCall(SystemCall::kAttributes);
  return ::fstat(fd, st);
}
inline int Fstatat(int folder, const char* name, struct stat* st, int flags) {
  CountCall(SystemCall::kAttributes);
  return ::fstatat(folder, name, st, flags);
}
inline int Stat(const char* path, struct stat* st) {
  CountCall(SystemCall::kAttributes);
  return ::stat(path, st);
}
inline int Lstat(const char* path, struct stat* st) {
  CountCall(SystemCall::kAttributes);
  return ::lstat(path, st);
}
inline int Statx(int folder, const char* path, int flags, unsigned mask, struct statx* st) {
  CountCall(SystemCall::kAttributes);
  return ::statx(folder, path, flags, mask, st);
}
inline ssize_t Read(int fd, void* buffer, size_t size) {
  CountCall(SystemCall::kRead);
  return ::read(fd, buffer, size);
}
inline int Close(int fd) {
  CountCall(SystemCall::kClose);
  return ::close(fd);
}
inline off_t Lseek(int fd, off_t offset, int whence) {
  CountCall(SystemCall::kOther);
  return ::lseek(fd, offset, whence);
}
inline int Flock(int fd, int operation) {
  CountCall(SystemCall::kOther);
  return ::flock(fd, operation);
}
inline int DupCloseOnExec(int fd) {
  CountCall(SystemCall::kOther);
  return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}
inline ssize_t Readlink(const char* path, char* buffer, size_t size) {
  CountCall(SystemCall::kResolution);
  return ::readlink(path, buffer, size);
}
inline ssize_t Readlinkat(int folder, const char* name, char* buffer, size_t size) {
  CountCall(SystemCall::kResolution);
  return ::readlinkat(folder, name, buffer, size);
}
inline char* Realpath(const char* path) {
  CountCall(SystemCall::kResolution);
  return ::realpath(path, nullptr);
}
inline char* Getcwd(char* buffer, size_t size) {
  CountCall(SystemCall::kResolution);
  return ::getcwd(buffer, size);
}
inline DIR* Opendir(const char* path) {
  CountCall(SystemCall::kOpen);
  return ::opendir(path);
}
inline DIR* Fdopendir(int fd) { return ::fdopendir(fd); }
// readdir hands out entries from a buffer the system fills many at a time:
// what is counted is the listing's last call, the one that finds the end
// (a folder of some hundreds of names is read by one call and that one).
inline dirent* Readdir(DIR* folder) {
  dirent* entry = ::readdir(folder);
  if (entry == nullptr) CountCall(SystemCall::kListing);
  return entry;
}
inline int Closedir(DIR* folder) {
  CountCall(SystemCall::kClose);
  return ::closedir(folder);
}

}  // namespace sys

// ---- paths and times -------------------------------------------------------

bool IsSeparator(char c);
// A drive prefix ("C:") names nothing here.
bool HasDrivePrefix(std::string_view path);
// The non-empty components of a path ("\" and "/" both separate).
std::vector<std::string_view> SplitComponents(std::string_view path);
std::string Join(const std::string& dir, std::string_view name);
// "." for the current folder "".
const std::string& DirOrDot(const std::string& dir);
using internal::NowNs;
std::int64_t ToNs(const timespec& ts);
timespec ToTimespec(std::int64_t ns);

// ---- name resolution -------------------------------------------------------

// Maps a Windows-form path onto the POSIX file system (see ResolvePath).
bool Resolve(std::string_view path, std::string* posix);
// The same for the folder part of a search expression ("" = current folder;
// separators only = the root), without a trailing "/".
bool ResolveFolder(std::string_view folder, std::string* posix);
// Drops the cached listings of the folder of `posix_path` and of itself, and
// every folder resolved: the layer changed something there.
void ForgetListingOf(const std::string& posix_path);

// ---- files -------------------------------------------------------------------

// The failure errno tells, as errno and as its own code.
Status FromErrno();
// Writes all `size` bytes to `fd`, going on after interrupted or short writes.
Status WriteAll(int fd, const void* data, std::size_t size);
// Copies the regular file `in`, from its start, to the empty file `out`,
// keeping its holes: only its data regions (SEEK_DATA, SEEK_HOLE) are copied,
// by the file system where it can (copy_file_range), else by reading and
// writing, and the copy takes the file's size; a sparse document is not
// copied as gigabytes of zeros. Where the file system cannot tell holes from
// data, the whole file is data. A failure to read is told with the operation
// kReadFile, any other without one (no path in either).
Status CopyFileData(int in, int out);
// The open descriptor `fd` if it is a regular file; else it is closed and
// the result is minus the error (kNotRegularFile for anything else).
int KeepIfRegular(int fd);
// Opens the POSIX path `posix` for reading if it is a regular file: the
// descriptor, or minus the error (kNotRegularFile for anything else).
int OpenRegularForReading(const std::string& posix);
bool OwnerCannotWrite(const struct stat& st);
mode_t CurrentUmask();
// The account name of `uid` as the user database (NSS) tells it, or its
// number where it has none.
std::string AccountName(uid_t uid);
// Where the open file or folder `fd` lies on disk (see File::CanonicalPath).
Status CanonicalPathOf(int fd, std::string* canonical);

// ---- reaching a folder without hostile links ------------------------------

// A descriptor closed when it goes out of scope.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// What a walk to a folder is for. A write run as root passes only folders
// of root (see AtomicFile); reading passes any.
enum class WalkFor : std::uint8_t { kReading, kWriting };

// Opens the folder `path` (POSIX; relative to `start`, a folder's descriptor
// or AT_FDCWD; an absolute path starts at the root) one component at a time,
// following only the symbolic links the kernel's protected_symlinks rule
// would follow (the link belongs to the effective user or to the owner of
// the folder it sits in), into `*folder` (O_PATH). Fails with kForeignLink
// for a link it would not follow; for kWriting as root, with kForeignFolder
// (naming the folder and its owner) at the first folder it opens, `start`
// included, that belongs to another user and is not sticky. `*links_left` is
// the budget of links, shared by the walks of one path.
Status WalkToFolder(int start, std::string_view path, int* links_left, WalkFor purpose,
                    UniqueFd* folder);
// Drops the folders that walks from the current folder or the root keep for
// the run (WalkToFolder): a new run, or a folder removed or renamed through
// this layer.
void ForgetWalkedFolders();
// Splits a POSIX path into its folder ("" = current folder) and last name.
void SplitLast(const std::string& path, std::string* folder, std::string* name);
// Where a file of a run goes (or is read from, as it would be written): the
// descriptor of its folder, reached as WalkToFolder reaches it, and its name
// there. With kFollowTrusted, links at the name are followed under the same
// rule, and `*name` is the name of the file they lead to. `*posix` is the
// file's POSIX path, for the listing cache.
Status OpenTarget(std::string_view target, LinkAtTarget links, WalkFor purpose, UniqueFd* folder,
                  std::string* name, std::string* posix);
// Opens the folder of `path` for a change of the entry `*name` in it (links
// at the name are never followed; see OpenTarget with kWriting).
Status OpenEntryFolder(std::string_view path, UniqueFd* folder, std::string* name,
                       std::string* posix);

}  // namespace vkt::platform::posix
