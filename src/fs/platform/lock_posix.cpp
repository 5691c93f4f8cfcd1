// The writers' lock of the POSIX platform layer: a lock file that only its
// owner can open, locked with flock, and who holds it as Linux tells.
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"

namespace vkt::platform {

using namespace posix;

namespace {

int Fd(NativeHandle handle) { return static_cast<int>(handle); }

// Now on a clock that does not jump, in nanoseconds.
std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A lock file a run may take: a regular file of one name (no hard link of
// another file) that belongs to the effective user or to root. Anything else
// at the name was put there by someone else, and is left alone.
bool IsOwnLockFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && (st.st_uid == ::geteuid() || st.st_uid == 0);
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name of the account `uid`, or its number where it has none.
std::string AccountName(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return std::to_string(uid);
}

LockHolder::Found KindOf(const struct stat& st) {
  if (S_ISREG(st.st_mode)) return LockHolder::Found::kFile;
  if (S_ISLNK(st.st_mode)) return LockHolder::Found::kLink;
  if (S_ISDIR(st.st_mode)) return LockHolder::Found::kFolder;
  if (S_ISFIFO(st.st_mode)) return LockHolder::Found::kFifo;
  return LockHolder::Found::kOther;
}

Status Foreign(const struct stat& st, LockHolder* holder) {
  if (holder != nullptr) {
    holder->found = KindOf(st);
    holder->user = AccountName(st.st_uid);
  }
  return Status::Errno(kForeignLockFile);
}

// The process holding the flock of the open file `st` as Linux lists it in
// /proc/locks ("1: FLOCK  ADVISORY  WRITE PID MAJOR:MINOR:INODE 0 EOF", the
// device in hexadecimal; a waiter's line has "->" before FLOCK), and its
// user, the owner of /proc/PID. Left empty where the system does not tell
// (no /proc, a holder in another PID namespace, a file system that shows
// other inode numbers there).
void FindHolder(const struct stat& st, LockHolder* holder) {
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", ::major(st.st_dev), ::minor(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, type, mode, access, file;
    long pid = 0;
    if (!(fields >> number >> type >> mode >> access >> pid >> file)) continue;
    if (type != "FLOCK" || file != wanted || pid <= 0) continue;
    holder->process = std::to_string(pid);
    struct stat process {};
    const std::string proc = "/proc/" + holder->process;
    if (sys::Stat(proc.c_str(), &process) == 0) holder->user = AccountName(process.st_uid);
    return;
  }
}

extern "C" void InterruptWait(int /*signal_number*/) {}

// flock(LOCK_EX) on `fd` that gives up at `deadline_ns` (SteadyNs):
// a timer's SIGALRM interrupts the wait. The timer repeats, so that a signal
// that comes before the wait begins is followed by another.
int LockWaiting(int fd, std::int64_t deadline_ns) {
  struct sigaction quiet {
  }, previous{};
  quiet.sa_handler = InterruptWait;  // no SA_RESTART: flock returns EINTR
  sigemptyset(&quiet.sa_mask);
  ::sigaction(SIGALRM, &quiet, &previous);
  int result = -1;
  int error = EWOULDBLOCK;
  for (;;) {
    const std::int64_t left = deadline_ns - SteadyNs();
    if (left <= 0) break;
    const std::int64_t left_us = left / 1000 + 1;
    itimerval timer{};
    timer.it_value = {static_cast<time_t>(left_us / 1000000),
                      static_cast<suseconds_t>(left_us % 1000000)};
    timer.it_interval = {0, 100000};
    ::setitimer(ITIMER_REAL, &timer, nullptr);
    result = sys::Flock(fd, LOCK_EX);
    error = errno;
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    if (result == 0 || error != EINTR) break;
    error = EWOULDBLOCK;
  }
  ::sigaction(SIGALRM, &previous, nullptr);
  errno = error;
  return result;
}

// Opens (creating it, mode 0600) the lock file `name` of `folder` when it is
// the user's own; kForeignLockFile (and what stands there in `*holder`)
// otherwise.
Status OpenLockFile(int folder, const std::string& name, LockHolder* holder, UniqueFd* out) {
  struct stat st {};
  if (sys::Fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !IsOwnLockFile(st)) {
    return Foreign(st, holder);
  }
  // No link followed, no wait for a FIFO's other end: what the name holds
  // now is checked again once open.
  UniqueFd fd(sys::OpenAt(folder, name.c_str(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  if (fd.get() < 0) {
    // Root's lock file, which a user cannot open, is as good as another's.
    Status failed = FromErrno();
    if (sys::Fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        (!IsOwnLockFile(st) || st.st_uid != ::geteuid())) {
      return Foreign(st, holder);
    }
    return failed;
  }
  if (sys::Fstat(fd.get(), &st) != 0) return FromErrno();
  if (!IsOwnLockFile(st)) return Foreign(st, holder);
  // A lock file others may open is one they may lock.
  if ((st.st_mode & 077) != 0) (void)sys::Fchmod(fd.get(), 0600);
  *out = std::move(fd);
  return Status::Ok();
}

// Locks the open lock file `fd`, waiting until `deadline_ns` when it is
// later than now.
Status LockFile(int fd, std::int64_t deadline_ns, LockHolder* holder) {
  if (sys::Flock(fd, LOCK_EX | LOCK_NB) == 0) return Status::Ok();
  if (errno == EWOULDBLOCK && deadline_ns > SteadyNs() && LockWaiting(fd, deadline_ns) == 0) {
    return Status::Ok();
  }
  Status failed = FromErrno();
  struct stat st {};
  if (failed.code == EWOULDBLOCK && holder != nullptr && sys::Fstat(fd, &st) == 0) {
    FindHolder(st, holder);
  }
  return failed;
}

}  // namespace

FolderLock::~FolderLock() { Release(); }

Status FolderLock::Acquire(std::string_view folder, LockHolder* holder, std::int64_t wait_ms) {
  Release();
  if (holder != nullptr) *holder = LockHolder();
  std::string lock(folder.empty() ? "." : folder);
  if (lock.back() != '\\' && lock.back() != '/') lock += '\\';
  lock += kLockFileName;
  UniqueFd dir;
  std::string name, posix;
  if (Status s = OpenEntryFolder(lock, &dir, &name, &posix); !s.ok()) return s;
  const std::int64_t deadline_ns = SteadyNs() + wait_ms * 1000000;
  // The holder deletes the file as it lets go: a lock taken on a file that
  // no longer has the name is no lock, and the name is tried again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    UniqueFd fd;
    if (Status s = OpenLockFile(dir.get(), name, holder, &fd); !s.ok()) return s;
    if (Status s = LockFile(fd.get(), deadline_ns, holder); !s.ok()) return s;
    struct stat locked {
    }, named{};
    if (sys::Fstat(fd.get(), &locked) != 0) return FromErrno();
    if (sys::Fstatat(dir.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !SameFile(locked, named)) {
      continue;
    }
    ForgetListingOf(posix);
    handle_ = fd.release();
    folder_ = dir.release();
    lock_path_ = std::move(posix);
    return Status::Ok();
  }
  return Status::Errno(EWOULDBLOCK);
}

void FolderLock::Release() {
  if (handle_ == kNoHandle) return;
  // Deleted while still held, and only while the name is still the file's:
  // the next run creates it afresh.
  const std::string name = lock_path_.substr(lock_path_.rfind('/') + 1);
  struct stat locked {
  }, named{};
  if (sys::Fstat(Fd(handle_), &locked) == 0 &&
      sys::Fstatat(Fd(folder_), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      SameFile(locked, named)) {
    (void)sys::UnlinkAt(Fd(folder_), name.c_str());
  }
  sys::Close(Fd(handle_));
  sys::Close(Fd(folder_));
  handle_ = folder_ = kNoHandle;
  ForgetListingOf(lock_path_);
  lock_path_.clear();
}

}  // namespace vkt::platform
