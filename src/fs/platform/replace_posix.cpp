// Durable replacement of the POSIX platform layer: AtomicFile and what builds
// on it, the temporaries a killed run leaves and their clean-up, the signal
// handler that deletes the temporary in progress.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/posix_internal.h"
#include "text/letter_case.h"

namespace vkt::platform {

using namespace posix;

namespace {

// A fixed table the handler reads without locks or allocation: a slot is
// written (state 2) before it counts (state 1). A temporary file is named by
// its folder's descriptor and its name, so the handler deletes it where it
// was made, whatever happened to the path since.
struct TempSlot {
  std::atomic<int> state{0};
  int folder = -1;
  char name[NAME_MAX + 1];
};
static_assert(std::atomic<int>::is_always_lock_free);
constexpr int kTempSlots = 16;
TempSlot g_temp_slots[kTempSlots];

int RegisterTemporary(int folder, const std::string& name) {
  if (name.size() > NAME_MAX) return -1;
  for (int i = 0; i < kTempSlots; ++i) {
    int expected = 0;
    if (!g_temp_slots[i].state.compare_exchange_strong(expected, 2)) continue;
    g_temp_slots[i].folder = folder;
    std::memcpy(g_temp_slots[i].name, name.c_str(), name.size() + 1);
    g_temp_slots[i].state.store(1);
    return i;
  }
  return -1;  // more at once than the table holds: left to the next run
}

void UnregisterTemporary(int* slot) {
  if (*slot >= 0) g_temp_slots[*slot].state.store(0);
  *slot = -1;
}

// The bytes the handler writes on stderr after the clean-up: the terminal
// line's clearing and the notice (SetInterruptNotice); none while `size` is 0.
constexpr std::string_view kClearLine = "\r\033[K";
struct InterruptNotice {
  char bytes[kClearLine.size() + kInterruptNoticeMax + 1];
  std::atomic<std::size_t> size{0};
};
static_assert(std::atomic<std::size_t>::is_always_lock_free);
InterruptNotice g_notice;

extern "C" void RemoveTemporariesAndExit(int signal_number) {
  for (TempSlot& slot : g_temp_slots) {
    if (slot.state.load() == 1) ::unlinkat(slot.folder, slot.name, 0);
  }
  std::size_t done = 0;
  const std::size_t size = g_notice.size.load();
  while (done < size) {
    const ssize_t written = ::write(STDERR_FILENO, g_notice.bytes + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  ::_exit(128 + signal_number);
}

// Blocks the signals the clean-up handles while it lives, so that a file is
// known to the handler from the moment it exists.
class TerminatingSignalsBlocked {
 public:
  TerminatingSignalsBlocked() {
    sigset_t terminating;
    sigemptyset(&terminating);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&terminating, signal_number);
    ::pthread_sigmask(SIG_BLOCK, &terminating, &previous_);
  }
  ~TerminatingSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  TerminatingSignalsBlocked(const TerminatingSignalsBlocked&) = delete;
  TerminatingSignalsBlocked& operator=(const TerminatingSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace

namespace internal {

bool SystemRandom(unsigned char* bytes, std::size_t size) {
  return ::getrandom(bytes, size, GRND_NONBLOCK) == static_cast<ssize_t>(size);
}

}  // namespace internal

namespace {

using internal::RandomLetters;

// The descriptor of an open file or folder, -1 for none.
int Fd(NativeHandle handle) { return static_cast<int>(handle); }

Status SyncFolder(int folder) {
  UniqueFd fd(sys::OpenAt(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return FromErrno();
  return sys::Fsync(fd.get()) == 0 ? Status::Ok() : FromErrno();
}

// Whether `st` is the file of `stamp`. A rename changes a file's change time,
// so after one only the identity, the size and the write time can tell.
bool IsStampedFile(const struct stat& st, const FileStamp& stamp, bool renamed_since) {
  return st.st_dev == stamp.identity.device && st.st_ino == stamp.identity.inode &&
         static_cast<std::uint64_t>(st.st_size) == stamp.size &&
         ToNs(st.st_mtim) == stamp.write_ns &&
         (renamed_since || ToNs(st.st_ctim) == stamp.change_ns);
}

// Renames `temp` to `target` in `folder` when nothing stands at `target`:
// the file was missing when it was read, and it must be still.
Status RenameIfStillMissing(int folder, const std::string& temp, const std::string& target) {
  if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_NOREPLACE) == 0) {
    return Status::Ok();
  }
  if (errno == EEXIST) return Status::Errno(kChangedMeanwhile);
  if (errno != EINVAL && errno != ENOSYS) return FromErrno();
  struct stat st {};
  if (sys::Fstatat(folder, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    return Status::Errno(kChangedMeanwhile);
  }
  return sys::RenameAt(folder, temp.c_str(), target.c_str()) == 0 ? Status::Ok() : FromErrno();
}

// Another program's save came between the test and the exchange, so `temp`
// holds it: it goes back in place, and the new file (identity `own`) back to
// its temporary name. kChangedMeanwhile when that is done.
Status PutBackAnotherSave(int folder, const std::string& temp, const std::string& target,
                          const FileIdentity& own) {
  struct stat st {};
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_EXCHANGE) != 0) break;
    if (sys::Fstatat(folder, temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        st.st_dev == own.device && st.st_ino == own.inode) {
      return Status::Errno(kChangedMeanwhile);
    }
  }
  return Status::Errno(EAGAIN);  // the temporary name holds another program's file: kept
}

// Renames `temp` over `target` in `folder` when `target` is still the file of
// `stamp` (see AtomicFile::Commit). `own` is the identity of the temporary
// file. On success `*exchanged` tells whether `temp` now holds the replaced
// file, which the caller deletes; on kChangedMeanwhile it holds the new one
// again.
Status ExchangeIfUnchanged(int folder, const std::string& temp, const std::string& target,
                           const FileStamp& stamp, const FileIdentity& own, bool* exchanged) {
  *exchanged = false;
  if (stamp.identity == FileIdentity{}) return RenameIfStillMissing(folder, temp, target);
  struct stat st {};
  if (sys::Fstatat(folder, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Status::Errno(kChangedMeanwhile) : FromErrno();
  }
  if (!IsStampedFile(st, stamp, false)) return Status::Errno(kChangedMeanwhile);
  if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return FromErrno();
    // No exchange on this file system: the test above came right before.
    if (sys::RenameAt(folder, temp.c_str(), target.c_str()) != 0) return FromErrno();
    return Status::Ok();
  }
  if (sys::Fstatat(folder, temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      IsStampedFile(st, stamp, true)) {
    *exchanged = true;
    return Status::Ok();
  }
  return PutBackAnotherSave(folder, temp, target, own);
}

}  // namespace

// ---- AtomicFile -------------------------------------------------------------

namespace {

// The target's folder and name (OpenTarget) and what stands at the name:
// `*exists` with its lstat in `*st`, or nothing (a link at the name, never
// followed here, counts as nothing: it is replaced like a missing file).
// Fails as AtomicFile::Create fails before it creates anything: only a
// regular file is replaced, since a device, FIFO or socket that another user
// placed at an output's name is his way into the package.
Status OpenReplaceable(std::string_view target, LinkAtTarget links, UniqueFd* folder,
                       std::string* name, std::string* posix, struct stat* st, bool* exists) {
  Status status = OpenTarget(target, links, WalkFor::kWriting, folder, name, posix);
  if (!status.ok()) return status;
  *exists = sys::Fstatat(folder->get(), name->c_str(), st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISLNK(st->st_mode);
  if (*exists && S_ISDIR(st->st_mode)) return Status::Errno(EISDIR);
  if (*exists && !S_ISREG(st->st_mode)) return Status::Errno(kNotRegularFile);
  if (*exists && OwnerCannotWrite(*st)) return Status::Errno(EACCES);
  return Status::Ok();
}

}  // namespace

Status CheckReplaceable(std::string_view target, LinkAtTarget links) {
  return [&]() -> Status {
    UniqueFd folder;
    std::string name, posix;
    struct stat st {};
    bool exists = false;
    return OpenReplaceable(target, links, &folder, &name, &posix, &st, &exists);
  }()
                      .About(Operation::kWriteFile, target);
}

AtomicFile::~AtomicFile() { Abort(); }

Status AtomicFile::Create(std::string_view target, LinkAtTarget links) {
  return [&]() -> Status {
    Abort();
    target_ = std::string(target);
    other_links_ = replaced_other_links_ = false;
    other_owner_.clear();
    replaced_other_owner_.clear();
    UniqueFd folder;
    struct stat st {};
    bool exists = false;
    Status status =
        OpenReplaceable(target, links, &folder, &target_name_, &target_path_, &st, &exists);
    if (!status.ok()) return status;
    mode_t mode = 0666 & ~CurrentUmask();
    // Only the runner's own file hands on its bits, owner and group: another
    // user's would make the new file his (or set-user-ID as he chose).
    const bool own = exists && st.st_uid == ::geteuid();
    if (exists) other_links_ = st.st_nlink > 1;
    if (own) mode = st.st_mode & 0777;
    if (exists && !own) other_owner_ = AccountName(st.st_uid);
    int creation_error = EEXIST;
    {
      // A signal that comes during the creation is handled once the file is known.
      TerminatingSignalsBlocked blocked;
      for (int attempt = 0; attempt < 100 && creation_error == EEXIST; ++attempt) {
        std::string name = TemporaryName(target_name_, RandomLetters());
        const int fd = sys::OpenAt(folder.get(), name.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
          creation_error = errno;
          continue;
        }
        handle_ = fd;
        folder_ = folder.release();
        temp_name_ = std::move(name);
        slot_ = RegisterTemporary(Fd(folder_), temp_name_);
        creation_error = 0;
      }
    }
    if (creation_error != 0) return Status::Errno(creation_error);
    // The group only as far as the process may give it.
    if (own) (void)sys::Fchown(Fd(handle_), st.st_uid, st.st_gid);
    if (sys::Fchmod(Fd(handle_), mode) != 0) {
      Status s = FromErrno();
      Abort();
      return s;
    }
    return Status::Ok();
  }()
                      .About(Operation::kWriteFile, target);
}

Status AtomicFile::Write(const void* data, std::size_t size) {
  return WriteAll(Fd(handle_), data, size).About(Operation::kWriteFile, target_);
}

Status AtomicFile::SetMode(std::uint32_t mode) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  return sys::Fchmod(Fd(handle_), static_cast<mode_t>(mode & 07777)) == 0 ? Status::Ok()
                                                                          : FromErrno();
}

Status AtomicFile::SetAttributes(std::uint32_t attributes) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  if ((attributes & kAttrReadOnly) == 0) return Status::Ok();
  struct stat st {};
  if (sys::Fstat(Fd(handle_), &st) != 0) return FromErrno();
  const mode_t mode = st.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  return sys::Fchmod(Fd(handle_), mode) == 0 ? Status::Ok() : FromErrno();
}

Status AtomicFile::SetTimes(std::int64_t access_ns, std::int64_t write_ns) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  timespec times[2] = {ToTimespec(access_ns), ToTimespec(write_ns)};
  return sys::Futimens(Fd(handle_), times) == 0 ? Status::Ok() : FromErrno();
}

Status AtomicFile::Commit(bool durable, const FileStamp* unchanged_since) {
  const std::string target = target_;
  return [&]() -> Status {
    if (handle_ == kNoHandle) return Status::Errno(EBADF);
    Status s;
    if (durable && sys::Fsync(Fd(handle_)) != 0) s = FromErrno();
    FileIdentity own;
    {
      struct stat st {};
      if (sys::Fstat(Fd(handle_), &st) == 0) own = {st.st_dev, st.st_ino};
    }
    const int fd = Fd(handle_);
    handle_ = kNoHandle;
    if (sys::Close(fd) != 0 && s.ok()) s = FromErrno();
    const char* temp = temp_name_.c_str();
    const char* target = target_name_.c_str();
    bool temp_holds_replaced = false;
    if (s.ok() && unchanged_since != nullptr) {
      s = ExchangeIfUnchanged(Fd(folder_), temp_name_, target_name_, *unchanged_since, own,
                              &temp_holds_replaced);
    } else if (s.ok() && sys::RenameAt(Fd(folder_), temp, target) != 0) {
      s = FromErrno();
    }
    // What is left under the temporary name is the new file (a failure) or the
    // replaced one; another program's file (EAGAIN) stays.
    if ((!s.ok() && s.code != EAGAIN) || temp_holds_replaced) {
      (void)sys::UnlinkAt(Fd(folder_), temp);
    }
    UnregisterTemporary(&slot_);
    temp_name_.clear();
    if (s.ok()) {
      replaced_other_links_ = other_links_;
      replaced_other_owner_ = other_owner_;
      ForgetListingOf(target_path_);
      if (durable) s = SyncFolder(Fd(folder_));
    }
    sys::Close(Fd(folder_));
    folder_ = kNoHandle;
    return s;
  }()
                      .About(Operation::kWriteFile, target);
}

void AtomicFile::Abort() {
  if (handle_ != kNoHandle) {
    sys::Close(Fd(handle_));
    handle_ = kNoHandle;
  }
  if (!temp_name_.empty()) {
    (void)sys::UnlinkAt(Fd(folder_), temp_name_.c_str());
    temp_name_.clear();
  }
  UnregisterTemporary(&slot_);
  if (folder_ != kNoHandle) sys::Close(Fd(folder_));
  folder_ = kNoHandle;
}

Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced) {
  File source;
  Status status = File::Open(from, File::Mode::kRead, &source);
  if (!status.ok()) return status;
  auto read_failed = [&](Status failed) { return failed.About(Operation::kReadFile, from); };
  struct stat st {};
  if (sys::Fstat(Fd(source.handle_), &st) != 0) return read_failed(FromErrno());
  if (!S_ISREG(st.st_mode))
    return read_failed(Status::Errno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL));
  AtomicFile copy;
  status = copy.Create(to);
  if (!status.ok()) return status;
  // A sparse document stays sparse: its holes are not written out as zeros.
  status = CopyFileData(Fd(source.handle_), Fd(copy.handle_));
  if (status.operation == Operation::kReadFile) return read_failed(status);
  if (status.ok()) status = copy.SetMode(st.st_mode & 07777);
  if (status.ok()) status = copy.SetTimes(ToNs(st.st_atim), ToNs(st.st_mtim));
  // Not flushed: a copy carries no history, and a flush costs as much as a
  // small package.
  if (status.ok()) status = copy.Commit();
  if (replaced != nullptr) *replaced = {copy.replaced_other_links(), copy.replaced_other_owner()};
  return status.About(Operation::kWriteFile, to);
}

Status RemoveLeftoverTemporaries(std::string_view path, LinkAtTarget links) {
  UniqueFd folder;
  std::string name, posix;
  Status status = OpenTarget(path, links, WalkFor::kWriting, &folder, &name, &posix);
  if (status.code == ENOENT || status.code == ENOTDIR) return Status::Ok();
  if (!status.ok()) return status;
  const std::string prefix = text::UpperCase(TemporaryName(name, ""));
  constexpr std::size_t kTempRandom = internal::kTempRandom;
  UniqueFd listing(sys::OpenAt(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* d = listing.get() < 0 ? nullptr : sys::Fdopendir(listing.get());
  if (d == nullptr) return FromErrno();
  listing.release();  // closedir closes it
  const uid_t me = ::geteuid();
  bool removed = false;
  while (dirent* e = sys::Readdir(d)) {
    const std::string_view entry = e->d_name;
    if (entry.size() != prefix.size() + kTempRandom || !IsTemporaryName(entry) ||
        text::UpperCase(entry.substr(0, prefix.size())) != prefix) {
      continue;
    }
    struct stat st {};
    // Only a file of this user's making: another user's file of that name,
    // or a link, stays where it is.
    if (sys::Fstatat(folder.get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_uid != me) {
      continue;
    }
    if (sys::UnlinkAt(folder.get(), e->d_name) != 0) {
      if (status.ok()) status = FromErrno();
      continue;
    }
    removed = true;
  }
  sys::Closedir(d);
  if (removed) ForgetListingOf(posix);
  return status;
}

void InstallSignalCleanup() {
  struct sigaction action {};
  action.sa_handler = RemoveTemporariesAndExit;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&action.sa_mask, signal_number);
  }
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    ::sigaction(signal_number, &action, nullptr);
  }
}

void SetInterruptNotice(std::string_view notice) {
  // The handler never sees a notice half written.
  TerminatingSignalsBlocked blocked;
  g_notice.size.store(0);
  if (notice.empty()) return;
  notice = notice.substr(0, kInterruptNoticeMax);
  char* end = std::copy(kClearLine.begin(), kClearLine.end(), g_notice.bytes);
  end = std::copy(notice.begin(), notice.end(), end);
  *end++ = '\n';
  g_notice.size.store(static_cast<std::size_t>(end - g_notice.bytes));
}

void IgnoreBrokenPipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

void IgnoreFileSizeLimit() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGXFSZ, &action, nullptr);
}

}  // namespace vkt::platform
