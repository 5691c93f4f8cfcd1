// Reaching a folder of the POSIX platform layer one component at a time,
// never through a symbolic link that another user placed in a folder that
// is not theirs (the rule of the kernel's protected_symlinks), and for a
// write by root never through a folder that another user owns.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"

namespace vkt::platform::posix {
namespace {

// As many symbolic links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

std::deque<std::string> PosixComponents(std::string_view path) {
  std::deque<std::string> parts;
  for (std::string_view part : SplitComponents(path)) parts.emplace_back(part);
  return parts;
}

// The rule of the kernel's protected_symlinks, here for every folder: a
// symbolic link is followed when it belongs to the effective user, or to the
// owner of the folder it sits in (who could have put anything there anyway).
// A link that another user left in a shared folder is not.
bool MayFollow(int folder, const struct stat& link) {
  if (link.st_uid == ::geteuid()) return true;
  struct stat st {};
  return sys::Fstat(folder, &st) == 0 && st.st_uid == link.st_uid;
}

// What the symbolic link `name` of `folder` (its lstat in `link`) holds, when
// it may be followed and the budget of links allows: 0, or the error.
int ReadTrustedLink(int folder, const std::string& name, const struct stat& link, int* links_left,
                    std::string* target) {
  if (!MayFollow(folder, link)) return kForeignLink;
  if (--*links_left < 0) return ELOOP;
  std::vector<char> buffer(static_cast<size_t>(link.st_size > 0 ? link.st_size : PATH_MAX) + 1);
  const ssize_t n = sys::Readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
  if (n < 0) return errno;
  target->assign(buffer.data(), static_cast<size_t>(n));
  return 0;
}

// A descriptor (O_PATH) of the folder `start` names ("" = current folder; a
// descriptor of a folder otherwise), taken afresh.
int OpenStart(int start, bool absolute) {
  if (absolute) return sys::Open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (start == AT_FDCWD) return sys::Open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  return sys::OpenAt(start, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Whether root may write below the open folder `fd`: it belongs to root
// (shared folders such as /tmp are root's and sticky, which keeps others'
// files and links there from being inherited or followed). In a folder of
// another user, sticky or not, that user may rename or replace any entry,
// and his links there are followed (MayFollow): he decides what every name
// below means. kForeignFolder names the folder and its owner.
Status CheckRootMayWriteIn(int fd) {
  struct stat st {};
  if (sys::Fstat(fd, &st) != 0) return FromErrno();
  if (st.st_uid == 0) return Status::Ok();
  Status refused = Status::Errno(kForeignFolder);
  std::vector<char> where(PATH_MAX + 1);
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = sys::Readlink(link.c_str(), where.data(), where.size() - 1);
  refused.folder = n > 0 ? std::string(where.data(), static_cast<size_t>(n)) : "?";
  refused.owner = AccountName(st.st_uid);
  return refused;
}

// Takes the open folder `next` as the walk's current one, where the walk
// may go on (see CheckRootMayWriteIn).
Status Enter(int next, bool root_writes, UniqueFd* fd) {
  if (next < 0) return FromErrno();
  fd->reset(next);
  return root_writes ? CheckRootMayWriteIn(fd->get()) : Status::Ok();
}

// The folders one run reached from the current folder or the root, each
// kept open as the walk found it: a run writes dozens of files into a few
// folders, and each file's walk would open and check every component again.
// A folder kept is the one the walk checked (a component swapped since
// changes nothing, as within one walk). Only walks that succeeded are kept,
// by the user they were made for (CopyFileAS switches users), their purpose
// and their path; ForgetWalkedFolders drops them all.
class WalkedFolders {
 public:
  using Key = std::tuple<uid_t, WalkFor, std::string>;
  // A new descriptor of the folder kept for `key`, or -1.
  int Find(const Key& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = folders_.find(key);
    return it == folders_.end() ? -1 : sys::DupCloseOnExec(it->second.get());
  }
  void Keep(Key key, int fd) {
    const int kept = sys::DupCloseOnExec(fd);
    if (kept < 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    // A run writes into a few folders; the bound only keeps descriptors in check.
    if (folders_.size() >= kMaxFolders) folders_.clear();
    folders_[std::move(key)].reset(kept);
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.clear();
  }

 private:
  static constexpr std::size_t kMaxFolders = 64;
  std::mutex mutex_;
  std::map<Key, UniqueFd> folders_;
};

WalkedFolders& Walked() {
  static WalkedFolders walked;
  return walked;
}

// The walk itself (see WalkToFolder).
Status Walk(int start, std::string_view path, int* links_left, bool root_writes, UniqueFd* folder);

}  // namespace

void ForgetWalkedFolders() { Walked().Clear(); }

Status WalkToFolder(int start, std::string_view path, int* links_left, WalkFor purpose,
                    UniqueFd* folder) {
  const uid_t user = ::geteuid();
  const bool root_writes = purpose == WalkFor::kWriting && user == 0;
  // Walks from the current folder or the root are kept for the run; those
  // from a folder (a link's target) are made each time.
  if (start != AT_FDCWD) return Walk(start, path, links_left, root_writes, folder);
  WalkedFolders::Key key{user, purpose, std::string(path)};
  if (const int kept = Walked().Find(key); kept >= 0) {
    folder->reset(kept);
    return Status::Ok();
  }
  Status status = Walk(start, path, links_left, root_writes, folder);
  if (status.ok()) Walked().Keep(std::move(key), folder->get());
  return status;
}

namespace {

Status Walk(int start, std::string_view path, int* links_left, bool root_writes, UniqueFd* folder) {
  UniqueFd fd;
  Status status = Enter(OpenStart(start, !path.empty() && path.front() == '/'), root_writes, &fd);
  std::deque<std::string> parts = PosixComponents(path);
  while (status.ok() && !parts.empty()) {
    const std::string part = std::move(parts.front());
    parts.pop_front();
    if (part == ".") continue;
    const int next =
        sys::OpenAt(fd.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next >= 0) {
      status = Enter(next, root_writes, &fd);
      continue;
    }
    const int error = errno;
    struct stat st {};
    if (sys::Fstatat(fd.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode)) {
      return Status::System(error, error);
    }
    std::string target;
    if (int e = ReadTrustedLink(fd.get(), part, st, links_left, &target); e != 0) {
      return e == kForeignLink ? Status::Errno(e) : Status::System(e, e);
    }
    // The link stands for its target, read from the folder the link is in.
    std::deque<std::string> more = PosixComponents(target);
    parts.insert(parts.begin(), more.begin(), more.end());
    if (!target.empty() && target.front() == '/') {
      status = Enter(OpenStart(AT_FDCWD, true), root_writes, &fd);
    }
  }
  if (status.ok()) *folder = std::move(fd);
  return status;
}

}  // namespace

// Splits a POSIX path into its folder ("" = current folder) and last name.
void SplitLast(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder->clear();
    *name = path;
    return;
  }
  *folder = path.substr(0, slash == 0 ? 1 : slash);
  *name = path.substr(slash + 1);
}

// Where a file of a run goes: the descriptor of its folder, reached as
// WalkToFolder reaches it, and its name there. With kFollowTrusted, links at
// the name are followed as MayFollow allows, and `*name` is the name of the
// file they lead to. `*posix` is the file's POSIX path, for the listing cache.
Status OpenTarget(std::string_view target, LinkAtTarget links, WalkFor purpose, UniqueFd* folder,
                  std::string* name, std::string* posix) {
  if (!Resolve(target, posix)) return Status::Errno(ENOENT);
  while (posix->size() > 1 && posix->back() == '/') posix->pop_back();
  std::string dir;
  SplitLast(*posix, &dir, name);
  if (name->empty() || *name == "." || *name == "..") return Status::Errno(EISDIR);
  int links_left = kMaxLinks;
  if (Status s = WalkToFolder(AT_FDCWD, dir, &links_left, purpose, folder); !s.ok()) return s;
  while (links == LinkAtTarget::kFollowTrusted) {
    struct stat st {};
    if (sys::Fstatat(folder->get(), name->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode)) {
      break;
    }
    std::string link;
    if (int e = ReadTrustedLink(folder->get(), *name, st, &links_left, &link); e != 0) {
      return Status::Errno(e);
    }
    std::string link_dir, link_name;
    SplitLast(link, &link_dir, &link_name);
    if (link_name.empty() || link_name == "." || link_name == "..") return Status::Errno(EISDIR);
    UniqueFd next;
    if (Status s = WalkToFolder(folder->get(), link_dir, &links_left, purpose, &next); !s.ok()) {
      return s;
    }
    *folder = std::move(next);
    dir = link.front() == '/' ? link_dir : Join(dir, link_dir);
    *name = std::move(link_name);
  }
  *posix = Join(dir, *name);
  return Status::Ok();
}

// Opens the folder of `path` for a change of the entry `*name` in it (see
// OpenTarget: links at the name are never followed).
Status OpenEntryFolder(std::string_view path, UniqueFd* folder, std::string* name,
                       std::string* posix) {
  return OpenTarget(path, LinkAtTarget::kReplace, WalkFor::kWriting, folder, name, posix);
}

}  // namespace vkt::platform::posix
