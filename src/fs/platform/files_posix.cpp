// Files and folders of the POSIX platform layer: metadata, changes by path,
// copies and moves, open files.
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"

namespace vkt::platform {
namespace posix {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::vector<std::string_view> SplitComponents(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    size_t start = i;
    while (i < path.size() && !IsSeparator(path[i])) ++i;
    if (i > start) parts.push_back(path.substr(start, i - start));
  }
  return parts;
}

std::string Join(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  if (dir.back() == '/') return dir + std::string(name);
  return dir + "/" + std::string(name);
}

const std::string& DirOrDot(const std::string& dir) {
  static const std::string dot = ".";
  return dir.empty() ? dot : dir;
}

std::int64_t ToNs(const timespec& ts) {
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

timespec ToTimespec(std::int64_t ns) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns / 1000000000);
  ts.tv_nsec = static_cast<long>(ns % 1000000000);
  if (ts.tv_nsec < 0) {
    ts.tv_nsec += 1000000000;
    --ts.tv_sec;
  }
  return ts;
}

Status FromErrno() {
  const int error = errno;
  return Status::System(error, error);
}

// Writes all `size` bytes to `fd`, going on after interrupted or short writes.
Status WriteAll(int fd, const void* data, std::size_t size) {
  if (fd < 0) return Status::Errno(EBADF);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = sys::Write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno();
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

// The open descriptor `fd` if it is a regular file; else it is closed and
// the result is minus the error (kNotRegularFile for anything else).
int KeepIfRegular(int fd) {
  struct stat st {};
  int e = sys::Fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : kNotRegularFile;
  if (e == 0) return fd;
  sys::Close(fd);
  return -e;
}

// Opens the POSIX path `posix` for reading if it is a regular file: the
// descriptor, or minus the error (kNotRegularFile for anything else). The
// open does not wait for a FIFO's writer (O_NONBLOCK, which changes nothing
// for a regular file), and the type comes from the fstat of the open file,
// so the check costs one call.
int OpenRegularForReading(const std::string& posix) {
  int fd = sys::Open(posix.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int e = errno;
    struct stat st {};
    // A socket cannot be opened at all (ENXIO).
    if (e == ENXIO && sys::Stat(posix.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      e = kNotRegularFile;
    }
    return -e;
  }
  return KeepIfRegular(fd);
}

bool OwnerCannotWrite(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

mode_t CurrentUmask() {
  static const mode_t mask = [] {
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return mask;
}

std::string AccountName(uid_t uid) {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return std::to_string(uid);
}

// Where the open file or folder `fd` lies on disk (see File::CanonicalPath).
Status CanonicalPathOf(int fd, std::string* canonical) {
  if (fd < 0) return Status::Errno(EBADF);
  if (Injected(kFaultResolve)) return FromErrno();
  std::vector<char> buffer(PATH_MAX + 1);
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = sys::Readlink(link.c_str(), buffer.data(), buffer.size());
  if (n < 0) return FromErrno();
  if (static_cast<size_t>(n) >= buffer.size()) return Status::Errno(ENAMETOOLONG);
  canonical->assign(buffer.data(), static_cast<size_t>(n));
  // The name must still lead to this very file (one deleted since it was
  // opened lies nowhere).
  struct stat by_name {
  }, open_file{};
  if (canonical->empty() || canonical->front() != '/' ||
      sys::Stat(canonical->c_str(), &by_name) != 0 || sys::Fstat(fd, &open_file) != 0 ||
      by_name.st_dev != open_file.st_dev || by_name.st_ino != open_file.st_ino) {
    return Status::Errno(ENOENT);
  }
  return Status::Ok();
}

}  // namespace posix

using namespace posix;

namespace internal {

// The portable number is errno itself.
std::string SystemErrorText(int native, int code) {
  return std::strerror(native != 0 ? native : code);
}

}  // namespace internal

Status GetInfo(std::string_view path, FileInfo* info) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  struct statx sx {};
  if (sys::Statx(AT_FDCWD, posix.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    return FromErrno();
  }
  FileInfo result;
  const bool dir = S_ISDIR(sx.stx_mode);
  result.attributes = dir ? kAttrDirectory : kAttrArchive;
  if ((sx.stx_mode & S_IWUSR) == 0) result.attributes |= kAttrReadOnly;
  std::string_view name = posix;
  while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
  size_t slash = name.rfind('/');
  std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
  if (!base.empty() && base.front() == '.' && base != "." && base != "..") {
    result.attributes |= kAttrHidden;
  }
  result.size = dir ? 0 : sx.stx_size;
  auto ns = [](const statx_timestamp& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  };
  result.write_ns = ns(sx.stx_mtime);
  result.access_ns = ns(sx.stx_atime);
  result.creation_ns = (sx.stx_mask & STATX_BTIME) ? ns(sx.stx_btime) : ns(sx.stx_ctime);
  *info = result;
  return Status::Ok();
}

bool IsDirectory(std::string_view path) {
  std::string posix;
  struct stat st {};
  return Resolve(path, &posix) && sys::Stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path) {
  std::string posix;
  struct stat st {};
  return Resolve(path, &posix) && sys::Stat(posix.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSymbolicLink(std::string_view path) {
  std::string posix;
  if (!Resolve(path, &posix)) return false;
  while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
  struct stat st {};
  return sys::Lstat(posix.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

Status CreateDirectory(std::string_view path) {
  return [&]() -> Status {
    UniqueFd folder;
    std::string name, posix;
    Status status = OpenEntryFolder(path, &folder, &name, &posix);
    if (status.code == EISDIR) return Status::Errno(EEXIST);  // the root, "." or ".."
    if (!status.ok()) return status;
    if (sys::MkdirAt(folder.get(), name.c_str()) != 0) return FromErrno();
    ForgetListingOf(posix);
    return Status::Ok();
  }()
                      .About(Operation::kCreateFolder, path);
}

Status RemoveDirectory(std::string_view path) {
  UniqueFd folder;
  std::string name, posix;
  if (Status s = OpenEntryFolder(path, &folder, &name, &posix); !s.ok()) return s;
  if (sys::UnlinkAt(folder.get(), name.c_str(), AT_REMOVEDIR) != 0) return FromErrno();
  ForgetListingOf(posix);
  ForgetWalkedFolders();  // a walk kept may have passed through it
  return Status::Ok();
}

Status DeleteFile(std::string_view path) {
  UniqueFd folder;
  std::string name, posix;
  if (Status s = OpenEntryFolder(path, &folder, &name, &posix); !s.ok()) return s;
  struct stat st {};
  if (sys::Fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FromErrno();
  if (S_ISDIR(st.st_mode)) return Status::Errno(EISDIR);
  // A read-only file cannot be deleted, as on Windows (also for root).
  if (!S_ISLNK(st.st_mode) && OwnerCannotWrite(st)) return Status::Errno(EACCES);
  const bool trailing = IsSeparator(path.back());
  if (trailing && !S_ISDIR(st.st_mode)) return Status::Errno(ENOTDIR);
  if (sys::UnlinkAt(folder.get(), name.c_str()) != 0) return FromErrno();
  ForgetListingOf(posix);
  if (S_ISLNK(st.st_mode)) ForgetWalkedFolders();  // a walk kept may have followed it
  return Status::Ok();
}

namespace {

// Why the file whose metadata is `source` cannot be copied to `dst`, or Ok.
Status CheckCopyTarget(const std::string& dst, const struct stat& source, bool fail_if_exists) {
  struct stat dst_st {};
  if (sys::Stat(dst.c_str(), &dst_st) != 0) return Status::Ok();
  if (fail_if_exists) return Status::Errno(EEXIST);
  if (S_ISDIR(dst_st.st_mode) || OwnerCannotWrite(dst_st)) {
    return Status::Errno(S_ISDIR(dst_st.st_mode) ? EISDIR : EACCES);
  }
  if (dst_st.st_dev == source.st_dev && dst_st.st_ino == source.st_ino) {
    return Status::Errno(EINVAL);
  }
  return Status::Ok();
}

// Gives the copy `out` the permission bits and times of its source.
Status GiveSourceModeAndTimes(int out, const struct stat& source) {
  if (sys::Fchmod(out, source.st_mode & 07777) != 0) return FromErrno();
  timespec times[2] = {source.st_atim, source.st_mtim};
  if (sys::Futimens(out, times) != 0) return FromErrno();
  return Status::Ok();
}

// Copies the open regular file `in` to the POSIX path `dst`; a copy that
// fails on the way is deleted.
Status CopyOpenFile(int in, const std::string& dst, bool fail_if_exists) {
  struct stat sst {};
  if (sys::Fstat(in, &sst) != 0) return Status::Errno(errno);
  if (Status s = CheckCopyTarget(dst, sst, fail_if_exists); !s.ok()) return s;
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (fail_if_exists ? O_EXCL : O_TRUNC);
  const int out = sys::Open(dst.c_str(), flags, sst.st_mode & 07777);
  if (out < 0) return Status::Errno(errno);
  Status result = CopyFileData(in, out);
  if (result.ok()) result = GiveSourceModeAndTimes(out, sst);
  if (sys::Close(out) != 0 && result.ok()) result = FromErrno();
  if (!result.ok()) sys::Unlink(dst.c_str());
  ForgetListingOf(dst);
  return result;
}

}  // namespace

Status CopyFile(std::string_view from, std::string_view to, bool fail_if_exists) {
  std::string src, dst;
  if (!Resolve(from, &src) || !Resolve(to, &dst)) return Status::Errno(ENOENT);
  const int in = OpenRegularForReading(src);
  if (in < 0) return Status::Errno(-in);
  Status result = CopyOpenFile(in, dst, fail_if_exists);
  sys::Close(in);
  return result;
}

namespace {

// Windows' MoveFile carries a file (not a folder) to another volume by copying
// it and deleting the original; the copy goes again when the original cannot
// be deleted.
Status MoveAcrossFileSystems(const std::string& src, const std::string& dst) {
  struct stat st {};
  if (sys::Lstat(src.c_str(), &st) != 0) return FromErrno();
  if (S_ISDIR(st.st_mode)) return Status::Errno(EXDEV);
  Status copied = CopyFile(src, dst, /*fail_if_exists=*/true);
  if (!copied.ok()) return copied;
  if (sys::Unlink(src.c_str()) != 0) {
    Status failed = FromErrno();
    sys::Unlink(dst.c_str());
    ForgetListingOf(dst);
    return failed;
  }
  ForgetListingOf(src);
  return Status::Ok();
}

}  // namespace

Status MoveFile(std::string_view from, std::string_view to) {
  std::string src, dst;
  if (!Resolve(from, &src) || !Resolve(to, &dst)) return Status::Errno(ENOENT);
  while (dst.size() > 1 && dst.back() == '/') dst.pop_back();
  if (sys::Rename(src.c_str(), dst.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno == EXDEV) return MoveAcrossFileSystems(src, dst);
    if (errno != EINVAL && errno != ENOSYS) return FromErrno();
    // No RENAME_NOREPLACE on this file system: a hard link fails on an
    // existing destination just the same.
    struct stat st {};
    if (sys::Lstat(dst.c_str(), &st) == 0) return Status::Errno(EEXIST);
    if (sys::Link(src.c_str(), dst.c_str()) != 0) {
      if (errno == EXDEV) return MoveAcrossFileSystems(src, dst);
      return FromErrno();
    }
    if (sys::Unlink(src.c_str()) != 0) return FromErrno();
  }
  ForgetListingOf(src);
  ForgetListingOf(dst);
  ForgetWalkedFolders();  // a folder renamed: walks kept through it lead elsewhere now
  return Status::Ok();
}

Status SetReadOnly(std::string_view path, bool read_only) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  struct stat st {};
  if (sys::Stat(posix.c_str(), &st) != 0) return FromErrno();
  mode_t mode = st.st_mode & 07777;
  if (read_only) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR | ((S_IWGRP | S_IWOTH) & ~CurrentUmask() & ((mode & (S_IRGRP | S_IROTH)) >> 1));
  }
  if (sys::Chmod(posix.c_str(), mode) != 0) return FromErrno();
  return Status::Ok();
}

Status SetAttributes(std::string_view path, std::uint32_t attributes) {
  FileInfo info;
  if (Status s = GetInfo(path, &info); !s.ok()) return s;
  // Only a change of state touches the permission bits: clearing the mark of
  // a writable file must not widen its group or other permissions. Hidden
  // and system would mean renaming the file: accepted, nothing changes.
  const bool read_only = (attributes & kAttrReadOnly) != 0;
  if (read_only == ((info.attributes & kAttrReadOnly) != 0)) return Status::Ok();
  return SetReadOnly(path, read_only);
}

// POSIX keeps no settable creation time: `creation_ns` is ignored.
Status SetTimes(std::string_view path, std::int64_t access_ns, std::int64_t write_ns,
                const std::int64_t* /*creation_ns*/) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  timespec times[2] = {ToTimespec(access_ns), ToTimespec(write_ns)};
  if (sys::Utimensat(posix.c_str(), times) != 0) return FromErrno();
  return Status::Ok();
}

Status CanonicalPath(std::string_view path, std::string* canonical) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  if (Injected(kFaultResolve)) return FromErrno();
  char* real = sys::Realpath(posix.c_str());
  if (real == nullptr) return FromErrno();
  *canonical = real;
  std::free(real);
  return Status::Ok();
}

bool IsSameOrInside(std::string_view canonical, std::string_view folder) {
  if (folder.empty() || !canonical.starts_with(folder)) return false;
  return canonical.size() == folder.size() || folder.back() == '/' ||
         canonical[folder.size()] == '/';
}

// POSIX file systems keep no 8.3 names.
std::string ShortPathName(std::string_view /*path*/) { return {}; }

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  while (sys::Getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  ssize_t n = sys::Readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return CurrentDirectory();
  std::string exe(buf.data(), static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? CurrentDirectory() : exe.substr(0, slash == 0 ? 1 : slash);
}

// ---- File -----------------------------------------------------------------

namespace {

// The descriptor of an open file or folder, -1 for none.
int Fd(NativeHandle handle) { return static_cast<int>(handle); }

// The flags of open() for `mode`.
int OpenFlags(File::Mode mode, bool share_read_only) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case File::Mode::kRead:
      flags |= O_RDONLY;
      break;
    // Emptied once the lock (if asked for) is held: see TakeSharingLock.
    case File::Mode::kWrite:
      flags |= O_WRONLY | O_CREAT | (share_read_only ? 0 : O_TRUNC);
      break;
    case File::Mode::kAppend:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    case File::Mode::kReadWrite:
      flags |= O_RDWR | O_CREAT;
      break;
    case File::Mode::kWriteKeep:
      flags |= O_WRONLY | O_CREAT;
      break;
  }
  return flags;
}

// Opens (creating where `flags` say so) the POSIX path `posix` for writing:
// not a folder, nor a file its owner may not write.
Status OpenForWriting(const std::string& posix, int flags, int* fd) {
  struct stat st {};
  if (sys::Stat(posix.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Status::Errno(EISDIR);
    if (OwnerCannotWrite(st)) return Status::Errno(EACCES);
  }
  *fd = sys::Open(posix.c_str(), flags, 0666);
  if (*fd < 0) return FromErrno();
  if (sys::Fstat(*fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    sys::Close(*fd);
    return Status::Errno(EISDIR);
  }
  return Status::Ok();
}

// The lock that stands for sharing for reading only: shared for a reader,
// exclusive for a writer; a file opened for kWrite is emptied once it is
// held. On failure `fd` is closed.
Status TakeSharingLock(int fd, File::Mode mode) {
  const int op = (mode == File::Mode::kRead ? LOCK_SH : LOCK_EX) | LOCK_NB;
  if (sys::Flock(fd, op) != 0 || (mode == File::Mode::kWrite && sys::Ftruncate(fd, 0) != 0)) {
    const int e = errno;
    sys::Close(fd);
    return Status::Errno(e);
  }
  return Status::Ok();
}

}  // namespace

Status File::Open(std::string_view path, Mode mode, File* out, bool share_read_only) {
  return [&]() -> Status {
    std::string posix;
    if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
    int fd = -1;
    if (mode == Mode::kRead) {
      fd = OpenRegularForReading(posix);
      if (fd < 0) return Status::Errno(-fd);
    } else if (Status s = OpenForWriting(posix, OpenFlags(mode, share_read_only), &fd); !s.ok()) {
      return s;
    }
    if (share_read_only) {
      if (Status s = TakeSharingLock(fd, mode); !s.ok()) return s;
    }
    if (mode != Mode::kRead) ForgetListingOf(posix);
    out->Close();
    out->handle_ = fd;
    return Status::Ok();
  }()
                      .About(mode == Mode::kRead ? Operation::kReadFile : Operation::kWriteFile,
                             path);
}

Status File::OpenAsReplaced(std::string_view path, LinkAtTarget links, File* out) {
  return [&]() -> Status {
    UniqueFd folder;
    std::string name, posix;
    if (Status s = OpenTarget(path, links, WalkFor::kReading, &folder, &name, &posix); !s.ok()) {
      return s;
    }
    // Not following a link here: one at the name was followed by OpenTarget
    // as `links` allows, or is no file of this name (kReplace).
    int fd =
        sys::OpenAt(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      int e = errno;
      struct stat st {};
      if (e == ELOOP && links == LinkAtTarget::kReplace) e = ENOENT;
      // A socket cannot be opened at all (ENXIO).
      if (e == ENXIO && sys::Fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          !S_ISREG(st.st_mode)) {
        e = kNotRegularFile;
      }
      return Status::Errno(e);
    }
    fd = KeepIfRegular(fd);
    if (fd < 0) return Status::Errno(-fd);
    out->Close();
    out->handle_ = fd;
    return Status::Ok();
  }()
                      .About(Operation::kReadFile, path);
}

Status File::Read(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  for (;;) {
    ssize_t n = sys::Read(Fd(handle_), buffer, size);
    if (n >= 0) {
      *got = static_cast<std::size_t>(n);
      return Status::Ok();
    }
    if (errno != EINTR) return FromErrno();
  }
}

Status File::Write(const void* data, std::size_t size) { return WriteAll(Fd(handle_), data, size); }

Status File::Seek(std::int64_t offset) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  if (sys::Lseek(Fd(handle_), offset, SEEK_SET) < 0) return FromErrno();
  return Status::Ok();
}

std::int64_t File::Position() const {
  return handle_ == kNoHandle ? -1 : sys::Lseek(Fd(handle_), 0, SEEK_CUR);
}

std::int64_t File::Size() const {
  struct stat st {};
  return handle_ != kNoHandle && sys::Fstat(Fd(handle_), &st) == 0
             ? static_cast<std::int64_t>(st.st_size)
             : -1;
}

Status File::Truncate(std::int64_t size) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  if (size < 0) return Status::Errno(EINVAL);
  if (sys::Ftruncate(Fd(handle_), static_cast<off_t>(size)) != 0) return FromErrno();
  return Status::Ok();
}

bool File::Identity(FileIdentity* id) const {
  struct stat st {};
  if (handle_ == kNoHandle || sys::Fstat(Fd(handle_), &st) != 0) return false;
  id->device = static_cast<std::uint64_t>(st.st_dev);
  id->inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

bool File::Stamp(FileStamp* stamp) const {
  struct stat st {};
  if (handle_ == kNoHandle || sys::Fstat(Fd(handle_), &st) != 0) return false;
  stamp->identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  stamp->size = static_cast<std::uint64_t>(st.st_size);
  stamp->write_ns = ToNs(st.st_mtim);
  stamp->change_ns = ToNs(st.st_ctim);
  return true;
}

Status File::CanonicalPath(std::string* canonical) const {
  return CanonicalPathOf(Fd(handle_), canonical);
}

Status File::Close() {
  if (handle_ == kNoHandle) return Status::Ok();
  int fd = Fd(handle_);
  handle_ = kNoHandle;
  if (sys::Close(fd) != 0) return FromErrno();
  return Status::Ok();
}

}  // namespace vkt::platform
