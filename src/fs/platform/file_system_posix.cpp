// POSIX implementation of the platform layer (see file_system.h).
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "fs/platform/file_system.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::platform {

// One folder's listing.
struct detail::Listing {
  std::vector<Entry> entries;      // in listing order, without "." and ".."; names as shown
  std::vector<std::string> upper;  // upper-cased names, same order
  // The names on disk where they differ from the shown ones (not UTF-8), same
  // order, "" where they do not; empty when no name differs.
  std::vector<std::string> on_disk;
  std::unordered_map<std::string, size_t> first_by_upper;
  dev_t dev = 0;
  ino_t ino = 0;
  std::int64_t mtime_ns = 0;
  std::int64_t loaded_ns = 0;
};

namespace {

// ---- the one way to the system's writing calls ----------------------------

struct FaultState {
  std::atomic<bool> armed{false};
  std::mutex mutex;
  std::uint32_t kinds = 0;
  int nth = 0;
  int error = 0;
  bool sticky = false;
  void (*action)() = nullptr;  // ArmAction: a step instead of a failure
  int count = 0;
};

FaultState& Faults() {
  static FaultState state;
  return state;
}

// True (errno set) when the armed test wants this call to fail. A test that
// stops the process here gets its signal before the call.
bool Injected(FaultKind kind) {
  FaultState& f = Faults();
  if (!f.armed.load(std::memory_order_relaxed)) return false;
  void (*action)() = nullptr;
  {
    std::lock_guard<std::mutex> lock(f.mutex);
    if ((f.kinds & kind) == 0) return false;
    ++f.count;
    const bool due = f.nth > 0 && (f.count == f.nth || (f.sticky && f.count > f.nth));
    if (due && f.action != nullptr) {
      action = f.action;
    } else if (due) {
      errno = f.error;
      return true;
    }
  }
  // Outside the lock: the action may end the process.
  if (action != nullptr) action();
  return false;
}

namespace sys {

ssize_t Write(int fd, const void* data, size_t size) {
  return Injected(kFaultWrite) ? -1 : ::write(fd, data, size);
}
int Ftruncate(int fd, off_t size) { return Injected(kFaultWrite) ? -1 : ::ftruncate(fd, size); }
ssize_t CopyFileRange(int in, int out, size_t size) {
  return Injected(kFaultWrite) ? -1 : ::copy_file_range(in, nullptr, out, nullptr, size, 0);
}
int Rename(const char* from, const char* to, unsigned flags = 0) {
  return Injected(kFaultRename) ? -1 : ::renameat2(AT_FDCWD, from, AT_FDCWD, to, flags);
}
int Link(const char* from, const char* to) {
  return Injected(kFaultRename) ? -1 : ::link(from, to);
}
int Fsync(int fd) { return Injected(kFaultSync) ? -1 : ::fsync(fd); }
int Open(const char* path, int flags, mode_t mode = 0) {
  if ((flags & O_CREAT) != 0 && Injected(kFaultCreate)) return -1;
  return ::open(path, flags, mode);
}
int OpenAt(int folder, const char* name, int flags, mode_t mode = 0) {
  if ((flags & O_CREAT) != 0 && Injected(kFaultCreate)) return -1;
  return ::openat(folder, name, flags, mode);
}
int RenameAt(int folder, const char* from, const char* to, unsigned flags = 0) {
  return Injected(kFaultRename) ? -1 : ::renameat2(folder, from, folder, to, flags);
}
int UnlinkAt(int folder, const char* name, int flags = 0) {
  return Injected(kFaultRemove) ? -1 : ::unlinkat(folder, name, flags);
}
int MkdirAt(int folder, const char* name) {
  return Injected(kFaultMkdir) ? -1 : ::mkdirat(folder, name, 0777);
}
int Unlink(const char* path) { return Injected(kFaultRemove) ? -1 : ::unlink(path); }
int Chmod(const char* path, mode_t mode) {
  return Injected(kFaultMetadata) ? -1 : ::chmod(path, mode);
}
int Fchmod(int fd, mode_t mode) { return Injected(kFaultMetadata) ? -1 : ::fchmod(fd, mode); }
int Fchown(int fd, uid_t uid, gid_t gid) {
  return Injected(kFaultMetadata) ? -1 : ::fchown(fd, uid, gid);
}
int Futimens(int fd, const timespec times[2]) {
  return Injected(kFaultMetadata) ? -1 : ::futimens(fd, times);
}
int Utimensat(const char* path, const timespec times[2]) {
  return Injected(kFaultMetadata) ? -1 : ::utimensat(AT_FDCWD, path, times, 0);
}

}  // namespace sys

using detail::Listing;

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

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
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

// NTFS order: upper-cased names compared ordinally by their UTF-16 code
// units, ties by the names themselves.
struct SortKey {
  std::string upper;
  size_t index;
};

// Compares two UTF-8 texts by their UTF-16 code units. UTF-8 bytes order texts
// by code point, which agrees with UTF-16 except where a character above
// U+FFFF (a surrogate pair, D800-DBFF) meets one in U+E000-U+FFFF at the first
// difference; only that case is turned round. The texts agree up to the first
// differing byte, so it is either a lead byte on both sides or on neither.
int CompareUtf16(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < common && a[i] == b[i]) ++i;
  if (i == common) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  const auto ca = static_cast<unsigned char>(a[i]);
  const auto cb = static_cast<unsigned char>(b[i]);
  const bool a_pair = ca >= 0xF0, b_pair = cb >= 0xF0;
  const bool a_high = ca == 0xEE || ca == 0xEF, b_high = cb == 0xEE || cb == 0xEF;
  if ((a_pair && b_high) || (a_high && b_pair)) return a_pair ? -1 : 1;
  return ca < cb ? -1 : 1;
}

// ---- listing cache --------------------------------------------------------

// A folder changed less than this before its listing was read may change
// again within the same tick of the file-system clock, unseen by its mtime:
// such a listing is read again on every use.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

std::unordered_map<std::string, std::shared_ptr<const Listing>>& Cache() {
  static std::unordered_map<std::string, std::shared_ptr<const Listing>> cache;
  return cache;
}

std::shared_ptr<const Listing> ReadListing(const std::string& dir, const struct stat& st) {
  DIR* d = opendir(DirOrDot(dir).c_str());
  if (!d) return nullptr;
  auto listing = std::make_shared<Listing>();
  listing->dev = st.st_dev;
  listing->ino = st.st_ino;
  listing->mtime_ns = ToNs(st.st_mtim);
  listing->loaded_ns = NowNs();
  std::vector<Entry> raw;
  std::vector<std::string> on_disk;  // by index into `raw`, only when needed
  while (dirent* e = readdir(d)) {
    std::string_view name = e->d_name;
    if (name == "." || name == "..") continue;
    Entry entry;
    if (text::IsValidUtf8(name)) {
      entry.name = std::string(name);
    } else {
      entry.name = text::FileNameText(name);
      on_disk.resize(raw.size() + 1);
      on_disk.back() = std::string(name);
    }
    if (e->d_type == DT_DIR) {
      entry.type = EntryType::kDirectory;
    } else if (e->d_type == DT_REG) {
      entry.type = EntryType::kRegular;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat est {};
      std::string full = Join(dir, name);
      entry.is_link =
          e->d_type == DT_LNK || (::lstat(full.c_str(), &est) == 0 && S_ISLNK(est.st_mode));
      if (::stat(DirOrDot(full).c_str(), &est) == 0) {
        entry.type = S_ISDIR(est.st_mode)   ? EntryType::kDirectory
                     : S_ISREG(est.st_mode) ? EntryType::kRegular
                                            : EntryType::kOther;
      }
    }
    entry.is_directory = entry.type == EntryType::kDirectory;
    raw.push_back(std::move(entry));
  }
  closedir(d);
  std::vector<SortKey> keys(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) keys[i] = {text::UpperCase(raw[i].name), i};
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    int order = CompareUtf16(a.upper, b.upper);
    return order != 0 ? order < 0 : CompareUtf16(raw[a.index].name, raw[b.index].name) < 0;
  });
  listing->entries.reserve(raw.size());
  listing->upper.reserve(raw.size());
  listing->first_by_upper.reserve(raw.size());
  if (!on_disk.empty()) {
    on_disk.resize(raw.size());
    listing->on_disk.reserve(raw.size());
  }
  for (auto& k : keys) {
    listing->first_by_upper.emplace(k.upper, listing->entries.size());
    listing->entries.push_back(std::move(raw[k.index]));
    listing->upper.push_back(std::move(k.upper));
    if (!on_disk.empty()) listing->on_disk.push_back(std::move(on_disk[k.index]));
  }
  return listing;
}

// The listing of the POSIX folder `dir` ("" = current folder), from the cache
// when it is still valid.
std::shared_ptr<const Listing> GetListing(const std::string& dir) {
  struct stat st {};
  if (::stat(DirOrDot(dir).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto& cache = Cache();
  auto it = cache.find(dir);
  if (it != cache.end()) {
    const Listing& l = *it->second;
    bool same = l.dev == st.st_dev && l.ino == st.st_ino && l.mtime_ns == ToNs(st.st_mtim);
    bool racy = l.loaded_ns - l.mtime_ns < kRacyWindowNs;
    if (same && !racy) return it->second;
  }
  auto listing = ReadListing(dir, st);
  if (listing) cache[dir] = listing;
  return listing;
}

// Folders already resolved without regard to case, by their path as written
// (separators made "/"). Any change made through this layer empties it; an
// entry is used only while its folder still exists.
std::unordered_map<std::string, std::string>& ResolvedFolders() {
  static std::unordered_map<std::string, std::string> folders;
  return folders;
}

void ForgetListingOf(const std::string& posix_path) {
  std::string dir = posix_path;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  size_t slash = dir.rfind('/');
  std::string parent = slash == std::string::npos ? "" : dir.substr(0, slash == 0 ? 1 : slash);
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache().erase(parent);
  Cache().erase(dir);
  ResolvedFolders().clear();
}

// Finds `name` in POSIX folder `dir`: the exact name when it exists, else the
// first entry in listing order whose upper-cased shown name is equal (so a
// name that is not UTF-8 is found by its Windows-1252 reading). `actual` gets
// the name on disk, `shown` (when given) the name as listings show it.
bool FindComponent(const std::string& dir, std::string_view name, std::string* actual,
                   std::string* shown = nullptr) {
  struct stat st {};
  std::string exact = Join(dir, name);
  if (::lstat(exact.c_str(), &st) == 0) {
    *actual = std::string(name);
    if (shown) *shown = text::FileNameText(name);
    return true;
  }
  auto listing = GetListing(dir);
  if (!listing) return false;
  auto it = listing->first_by_upper.find(text::UpperCase(name));
  if (it == listing->first_by_upper.end()) return false;
  const size_t i = it->second;
  const bool differs = !listing->on_disk.empty() && !listing->on_disk[i].empty();
  *actual = differs ? listing->on_disk[i] : listing->entries[i].name;
  if (shown) *shown = listing->entries[i].name;
  return true;
}

// Resolves every component; `dir_only` leaves the last one out of the search
// (it is returned separately in `last`).
bool Resolve(std::string_view path, std::string* posix) {
  posix->clear();
  if (path.empty() || HasDrivePrefix(path)) return false;
  const bool absolute = IsSeparator(path.front());
  const bool trailing = IsSeparator(path.back());
  std::string direct;
  direct.reserve(path.size());
  bool previous_separator = false;
  for (char c : path) {
    bool sep = IsSeparator(c);
    if (sep && previous_separator) continue;
    direct.push_back(sep ? '/' : c);
    previous_separator = sep;
  }
  std::vector<std::string_view> parts = SplitComponents(path);
  // Folders already resolved by their written form: every script of one
  // object-type folder shares its folder part.
  std::string key = direct;
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  std::string folder_key;
  if (parts.size() > 1 && parts.back() != "." && parts.back() != "..") {
    folder_key = key.substr(0, key.size() - parts.back().size());
    while (folder_key.size() > 1 && folder_key.back() == '/') folder_key.pop_back();
  }
  struct stat st {};
  {
    std::string cached_self, cached_folder;
    {
      std::lock_guard<std::mutex> lock(CacheMutex());
      auto& folders = ResolvedFolders();
      if (auto it = folders.find(key); it != folders.end()) cached_self = it->second;
      if (auto it = folders.find(folder_key); it != folders.end()) cached_folder = it->second;
    }
    if (!cached_self.empty()) {
      *posix = std::move(cached_self);
      if (trailing && posix->back() != '/') *posix += '/';
      return true;
    }
    if (!cached_folder.empty()) {
      std::string candidate = Join(cached_folder, parts.back());
      if (::lstat(candidate.c_str(), &st) == 0) {
        if (trailing) candidate += '/';
        *posix = std::move(candidate);
        return true;
      }
    }
  }
  // Most paths exist exactly as written: one system call settles them.
  if (::lstat(direct.c_str(), &st) == 0) {
    *posix = std::move(direct);
    return true;
  }
  std::string current = absolute ? "/" : "";
  bool found = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string_view part = parts[i];
    if (found && i == parts.size() - 1 && !folder_key.empty()) {
      // Every folder of the path was found: remember it for the next lookup.
      std::lock_guard<std::mutex> lock(CacheMutex());
      ResolvedFolders()[folder_key] = current.empty() ? "." : current;
    }
    if (found && part != "." && part != "..") {
      std::string actual;
      if (FindComponent(current, part, &actual)) {
        current = Join(current, actual);
        continue;
      }
      found = false;
    }
    current = Join(current, part);
  }
  if (found && trailing && !current.empty()) {
    std::lock_guard<std::mutex> lock(CacheMutex());
    ResolvedFolders()[key] = current;
  }
  if (current.empty()) current.push_back(absolute ? '/' : '.');
  if (trailing && current.back() != '/') current += '/';
  *posix = std::move(current);
  return true;
}

bool ContainsWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

// Splits a search expression into its folder part and its last component.
void SplitSearch(std::string_view expr, std::string_view* folder, std::string_view* last) {
  size_t i = expr.size();
  while (i > 0 && !IsSeparator(expr[i - 1])) --i;
  *last = expr.substr(i);
  *folder = expr.substr(0, i);
}

bool ResolveFolder(std::string_view folder, std::string* posix) {
  if (folder.empty()) {
    posix->clear();
    return true;
  }
  // A folder part made of separators only is the root.
  bool only_separators = std::all_of(folder.begin(), folder.end(), IsSeparator);
  if (only_separators) {
    *posix = "/";
    return true;
  }
  if (!Resolve(folder, posix)) return false;
  while (posix->size() > 1 && posix->back() == '/') posix->pop_back();
  return true;
}

std::u32string ToUpperCodePoints(std::string_view utf8) {
  std::u16string units = text::Utf8ToUtf16(text::UpperCase(utf8));
  std::u32string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

template <typename Text>
bool WildcardMatch(const Text& name, const Text& pattern) {
  size_t n = 0, p = 0, star = Text::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != Text::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A wildcard pattern, matched against upper-cased names.
class PatternMatcher {
 public:
  explicit PatternMatcher(std::string_view pattern)
      : every_(pattern == "*" || pattern == "*.*"),
        pattern_(every_ ? std::u32string() : ToUpperCodePoints(pattern)),
        ascii_pattern_(every_ || !IsAscii(pattern) ? std::string() : text::UpperCase(pattern)),
        ascii_suffix_(ascii_pattern_.size() > 1 && ascii_pattern_.front() == '*' &&
                      !ContainsWildcard(std::string_view(ascii_pattern_).substr(1))) {}

  bool operator()(const std::string& upper) const {
    if (every_) return true;
    // "*.EXT", the common search, is an ending.
    if (ascii_suffix_ && IsAscii(upper)) {
      return upper.size() + 1 >= ascii_pattern_.size() &&
             upper.compare(upper.size() + 1 - ascii_pattern_.size(), std::string::npos,
                           ascii_pattern_, 1) == 0;
    }
    // Upper-cased ASCII names match an ASCII pattern byte by byte; only other
    // names need code points (a folder may hold 100,000 of them).
    if (!ascii_pattern_.empty() && IsAscii(upper)) return WildcardMatch(upper, ascii_pattern_);
    return WildcardMatch(ToUpperCodePoints(upper), pattern_);
  }

 private:
  bool every_;
  std::u32string pattern_;
  std::string ascii_pattern_;
  bool ascii_suffix_;  // "*" and then no wildcard
};

Status FromErrno() { return Status::Errno(errno); }

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
  int e = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : kNotRegularFile;
  if (e == 0) return fd;
  ::close(fd);
  return -e;
}

// Opens the POSIX path `posix` for reading if it is a regular file: the
// descriptor, or minus the error (kNotRegularFile for anything else). The
// open does not wait for a FIFO's writer (O_NONBLOCK, which changes nothing
// for a regular file), and the type comes from the fstat of the open file,
// so the check costs one call.
int OpenRegularForReading(const std::string& posix) {
  int fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    int e = errno;
    struct stat st {};
    // A socket cannot be opened at all (ENXIO).
    if (e == ENXIO && ::stat(posix.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
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

// Where the open file or folder `fd` lies on disk (see File::CanonicalPath).
Status CanonicalPathOf(int fd, std::string* canonical) {
  if (fd < 0) return Status::Errno(EBADF);
  std::vector<char> buffer(PATH_MAX + 1);
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n < 0) return FromErrno();
  if (static_cast<size_t>(n) >= buffer.size()) return Status::Errno(ENAMETOOLONG);
  canonical->assign(buffer.data(), static_cast<size_t>(n));
  // The name must still lead to this very file (one deleted since it was
  // opened lies nowhere).
  struct stat by_name {
  }, open_file{};
  if (canonical->empty() || canonical->front() != '/' ||
      ::stat(canonical->c_str(), &by_name) != 0 || ::fstat(fd, &open_file) != 0 ||
      by_name.st_dev != open_file.st_dev || by_name.st_ino != open_file.st_ino) {
    return Status::Errno(ENOENT);
  }
  return Status::Ok();
}

// ---- reaching a folder without hostile links ------------------------------

// As many symbolic links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

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
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

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
  return ::fstat(folder, &st) == 0 && st.st_uid == link.st_uid;
}

// What the symbolic link `name` of `folder` (its lstat in `link`) holds, when
// it may be followed and the budget of links allows: 0, or the error.
int ReadTrustedLink(int folder, const std::string& name, const struct stat& link, int* links_left,
                    std::string* target) {
  if (!MayFollow(folder, link)) return kForeignLink;
  if (--*links_left < 0) return ELOOP;
  std::vector<char> buffer(static_cast<size_t>(link.st_size > 0 ? link.st_size : PATH_MAX) + 1);
  const ssize_t n = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
  if (n < 0) return errno;
  target->assign(buffer.data(), static_cast<size_t>(n));
  return 0;
}

// A descriptor (O_PATH) of the folder `start` names ("" = current folder; a
// descriptor of a folder otherwise), taken afresh.
int OpenStart(int start, bool absolute) {
  if (absolute) return ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (start == AT_FDCWD) return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  return ::openat(start, ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
}

// Opens the folder `path` (POSIX; relative to `start`, a folder's descriptor
// or AT_FDCWD; an absolute path starts at the root) one component at a time,
// following only the symbolic links MayFollow allows. Returns a descriptor
// (O_PATH), or minus the error (kForeignLink for a link it would not follow).
int WalkToFolder(int start, std::string_view path, int* links_left) {
  UniqueFd fd(OpenStart(start, !path.empty() && path.front() == '/'));
  if (fd.get() < 0) return -errno;
  std::deque<std::string> parts = PosixComponents(path);
  while (!parts.empty()) {
    const std::string part = std::move(parts.front());
    parts.pop_front();
    if (part == ".") continue;
    const int next =
        ::openat(fd.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next >= 0) {
      fd.reset(next);
      continue;
    }
    const int error = errno;
    struct stat st {};
    if (::fstatat(fd.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)) {
      return -error;
    }
    std::string target;
    if (int e = ReadTrustedLink(fd.get(), part, st, links_left, &target); e != 0) return -e;
    // The link stands for its target, read from the folder the link is in.
    std::deque<std::string> more = PosixComponents(target);
    parts.insert(parts.begin(), more.begin(), more.end());
    if (!target.empty() && target.front() == '/') {
      fd.reset(OpenStart(AT_FDCWD, true));
      if (fd.get() < 0) return -errno;
    }
  }
  return fd.release();
}

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
Status OpenTarget(std::string_view target, LinkAtTarget links, UniqueFd* folder, std::string* name,
                  std::string* posix) {
  if (!Resolve(target, posix)) return Status::Errno(ENOENT);
  while (posix->size() > 1 && posix->back() == '/') posix->pop_back();
  std::string dir;
  SplitLast(*posix, &dir, name);
  if (name->empty() || *name == "." || *name == "..") return Status::Errno(EISDIR);
  int links_left = kMaxLinks;
  const int fd = WalkToFolder(AT_FDCWD, dir, &links_left);
  if (fd < 0) return Status::Errno(-fd);
  folder->reset(fd);
  while (links == LinkAtTarget::kFollowTrusted) {
    struct stat st {};
    if (::fstatat(folder->get(), name->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
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
    const int next = WalkToFolder(folder->get(), link_dir, &links_left);
    if (next < 0) return Status::Errno(-next);
    folder->reset(next);
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
  return OpenTarget(path, LinkAtTarget::kReplace, folder, name, posix);
}

}  // namespace

std::string Status::Text() const {
  if (code == kNotRegularFile) return "não é um arquivo comum";
  if (code == kForeignLink) return "link simbólico de outro usuário";
  if (code == kChangedMeanwhile) return "alterado por outro programa durante a gravação";
  return code == 0 ? std::string() : std::strerror(code);
}

bool ResolvePath(std::string_view path, std::string* posix) { return Resolve(path, posix); }

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  return WildcardMatch(ToUpperCodePoints(name), ToUpperCodePoints(pattern));
}

std::vector<Entry> FindEntries(std::string_view search_expression) {
  std::vector<Entry> out;
  std::string_view folder, last;
  SplitSearch(search_expression, &folder, &last);
  if (last.empty() || HasDrivePrefix(search_expression)) return out;
  std::string dir;
  if (!ResolveFolder(folder, &dir)) return out;
  if (!ContainsWildcard(last)) {
    if (last == "." || last == "..") {
      if (dir != "/" && IsDirectory(folder.empty() ? std::string_view(".") : folder)) {
        out.push_back({std::string(last), true});
      }
      return out;
    }
    std::string actual, shown;
    if (!FindComponent(dir, last, &actual, &shown)) return out;
    struct stat st {};
    std::string full = Join(dir, actual);
    if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) return out;
    out.push_back({std::move(shown), S_ISDIR(st.st_mode)});
    return out;
  }
  auto listing = GetListing(dir);
  if (!listing) return out;
  const PatternMatcher matches(last);
  if (dir != "/") {
    // Windows yields the folder's own "." and ".." first.
    if (matches(".")) out.push_back({".", true});
    if (matches("..")) out.push_back({"..", true});
  }
  for (size_t i = 0; i < listing->entries.size(); ++i) {
    if (matches(listing->upper[i])) out.push_back(listing->entries[i]);
  }
  return out;
}

Status CheckFolderReadable(std::string_view path) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  DIR* d = ::opendir(posix.c_str());
  if (d == nullptr) return FromErrno();
  ::closedir(d);
  return Status::Ok();
}

Status GetInfo(std::string_view path, FileInfo* info) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  struct statx sx {};
  if (::statx(AT_FDCWD, posix.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
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
  return Resolve(path, &posix) && ::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::string_view path) {
  std::string posix;
  struct stat st {};
  return Resolve(path, &posix) && ::stat(posix.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSymbolicLink(std::string_view path) {
  std::string posix;
  if (!Resolve(path, &posix)) return false;
  while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
  struct stat st {};
  return ::lstat(posix.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

Status CreateDirectory(std::string_view path) {
  UniqueFd folder;
  std::string name, posix;
  Status status = OpenEntryFolder(path, &folder, &name, &posix);
  if (status.code == EISDIR) return Status::Errno(EEXIST);  // the root, "." or ".."
  if (!status.ok()) return status;
  if (sys::MkdirAt(folder.get(), name.c_str()) != 0) return FromErrno();
  ForgetListingOf(posix);
  return Status::Ok();
}

Status RemoveDirectory(std::string_view path) {
  UniqueFd folder;
  std::string name, posix;
  if (Status s = OpenEntryFolder(path, &folder, &name, &posix); !s.ok()) return s;
  if (sys::UnlinkAt(folder.get(), name.c_str(), AT_REMOVEDIR) != 0) return FromErrno();
  ForgetListingOf(posix);
  return Status::Ok();
}

Status DeleteFile(std::string_view path) {
  UniqueFd folder;
  std::string name, posix;
  if (Status s = OpenEntryFolder(path, &folder, &name, &posix); !s.ok()) return s;
  struct stat st {};
  if (::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FromErrno();
  if (S_ISDIR(st.st_mode)) return Status::Errno(EISDIR);
  // A read-only file cannot be deleted, as on Windows (also for root).
  if (!S_ISLNK(st.st_mode) && OwnerCannotWrite(st)) return Status::Errno(EACCES);
  const bool trailing = IsSeparator(path.back());
  if (trailing && !S_ISDIR(st.st_mode)) return Status::Errno(ENOTDIR);
  if (sys::UnlinkAt(folder.get(), name.c_str()) != 0) return FromErrno();
  ForgetListingOf(posix);
  return Status::Ok();
}

Status CopyFile(std::string_view from, std::string_view to, bool fail_if_exists) {
  std::string src, dst;
  if (!Resolve(from, &src) || !Resolve(to, &dst)) return Status::Errno(ENOENT);
  int in = OpenRegularForReading(src);
  if (in < 0) return Status::Errno(-in);
  struct stat sst {};
  if (::fstat(in, &sst) != 0) {
    int e = errno;
    ::close(in);
    return Status::Errno(e);
  }
  struct stat dst_st {};
  if (::stat(dst.c_str(), &dst_st) == 0) {
    if (fail_if_exists) {
      ::close(in);
      return Status::Errno(EEXIST);
    }
    if (S_ISDIR(dst_st.st_mode) || OwnerCannotWrite(dst_st)) {
      ::close(in);
      return Status::Errno(S_ISDIR(dst_st.st_mode) ? EISDIR : EACCES);
    }
    if (dst_st.st_dev == sst.st_dev && dst_st.st_ino == sst.st_ino) {
      ::close(in);
      return Status::Errno(EINVAL);
    }
  }
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (fail_if_exists ? O_EXCL : O_TRUNC);
  int out = sys::Open(dst.c_str(), flags, sst.st_mode & 07777);
  if (out < 0) {
    int e = errno;
    ::close(in);
    return Status::Errno(e);
  }
  Status result;
  std::vector<char> buffer;
  for (;;) {
    ssize_t n = sys::CopyFileRange(in, out, 1 << 30);
    if (n == 0) break;
    if (n > 0) continue;
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
      result = FromErrno();
      break;
    }
    // The file system cannot copy by itself: fall back to reading and writing.
    buffer.resize(1 << 20);
    for (;;) {
      ssize_t r = ::read(in, buffer.data(), buffer.size());
      if (r == 0) break;
      if (r < 0) {
        if (errno == EINTR) continue;
        result = FromErrno();
        break;
      }
      for (ssize_t done = 0; done < r;) {
        ssize_t w = sys::Write(out, buffer.data() + done, static_cast<size_t>(r - done));
        if (w < 0) {
          if (errno == EINTR) continue;
          result = FromErrno();
          break;
        }
        done += w;
      }
      if (!result.ok()) break;
    }
    break;
  }
  if (result.ok() && sys::Fchmod(out, sst.st_mode & 07777) != 0) result = FromErrno();
  if (result.ok()) {
    timespec times[2] = {sst.st_atim, sst.st_mtim};
    if (sys::Futimens(out, times) != 0) result = FromErrno();
  }
  if (::close(out) != 0 && result.ok()) result = FromErrno();
  ::close(in);
  if (!result.ok()) sys::Unlink(dst.c_str());
  ForgetListingOf(dst);
  return result;
}

namespace {

// Windows' MoveFile carries a file (not a folder) to another volume by copying
// it and deleting the original; the copy goes again when the original cannot
// be deleted.
Status MoveAcrossFileSystems(const std::string& src, const std::string& dst) {
  struct stat st {};
  if (::lstat(src.c_str(), &st) != 0) return FromErrno();
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
    if (::lstat(dst.c_str(), &st) == 0) return Status::Errno(EEXIST);
    if (sys::Link(src.c_str(), dst.c_str()) != 0) {
      if (errno == EXDEV) return MoveAcrossFileSystems(src, dst);
      return FromErrno();
    }
    if (sys::Unlink(src.c_str()) != 0) return FromErrno();
  }
  ForgetListingOf(src);
  ForgetListingOf(dst);
  return Status::Ok();
}

Status SetReadOnly(std::string_view path, bool read_only) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  struct stat st {};
  if (::stat(posix.c_str(), &st) != 0) return FromErrno();
  mode_t mode = st.st_mode & 07777;
  if (read_only) {
    mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
  } else {
    mode |= S_IWUSR | ((S_IWGRP | S_IWOTH) & ~CurrentUmask() & ((mode & (S_IRGRP | S_IROTH)) >> 1));
  }
  if (sys::Chmod(posix.c_str(), mode) != 0) return FromErrno();
  return Status::Ok();
}

Status SetTimes(std::string_view path, std::int64_t access_ns, std::int64_t write_ns) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  timespec times[2] = {ToTimespec(access_ns), ToTimespec(write_ns)};
  if (sys::Utimensat(posix.c_str(), times) != 0) return FromErrno();
  return Status::Ok();
}

Status CanonicalPath(std::string_view path, std::string* canonical) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  char* real = ::realpath(posix.c_str(), nullptr);
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

std::string CurrentDirectory() {
  std::vector<char> buf(4096);
  while (::getcwd(buf.data(), buf.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
  return std::string(buf.data());
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return CurrentDirectory();
  std::string exe(buf.data(), static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? CurrentDirectory() : exe.substr(0, slash == 0 ? 1 : slash);
}

void ForgetListings() {
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache().clear();
  ResolvedFolders().clear();
}

// ---- ListedFolder -----------------------------------------------------------

ListedFolder::~ListedFolder() {
  if (fd_ >= 0) ::close(fd_);
}

Status ListedFolder::Open(std::string_view path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  listing_.reset();
  std::string dir;
  if (HasDrivePrefix(path) || !ResolveFolder(path, &dir)) return Status::Errno(ENOENT);
  const int fd = ::open(DirOrDot(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FromErrno();
  // The listing must be the one of the folder the descriptor holds.
  struct stat st {};
  auto listing = GetListing(dir);
  if (!listing || ::fstat(fd, &st) != 0 || st.st_dev != listing->dev || st.st_ino != listing->ino) {
    ::close(fd);
    return Status::Errno(ENOENT);
  }
  fd_ = fd;
  listing_ = std::move(listing);
  return Status::Ok();
}

Status ListedFolder::CanonicalPath(std::string* canonical) const {
  return CanonicalPathOf(fd_, canonical);
}

std::size_t ListedFolder::size() const { return listing_ ? listing_->entries.size() : 0; }

const Entry& ListedFolder::entry(std::size_t i) const { return listing_->entries[i]; }

const std::string& ListedFolder::upper(std::size_t i) const { return listing_->upper[i]; }

std::size_t ListedFolder::FindUpper(const std::string& upper_name) const {
  if (!listing_) return kNone;
  auto it = listing_->first_by_upper.find(upper_name);
  return it == listing_->first_by_upper.end() ? kNone : it->second;
}

std::size_t ListedFolder::Find(std::string_view name, const std::string& upper_name) const {
  const std::size_t first = FindUpper(upper_name);
  if (first == kNone) return kNone;
  for (std::size_t i = first; i < size() && listing_->upper[i] == upper_name; ++i) {
    if (listing_->entries[i].name == name) return i;
  }
  return first;
}

std::vector<std::size_t> ListedFolder::Matching(std::string_view pattern) const {
  std::vector<std::size_t> out;
  if (!listing_) return out;
  const PatternMatcher matches(pattern);
  for (std::size_t i = 0; i < listing_->entries.size(); ++i) {
    if (matches(listing_->upper[i])) out.push_back(i);
  }
  return out;
}

Status ListedFolder::OpenEntry(std::size_t i, File* out) const {
  if (fd_ < 0 || i >= size()) return Status::Errno(EBADF);
  const std::string& name = i < listing_->on_disk.size() && !listing_->on_disk[i].empty()
                                ? listing_->on_disk[i]
                                : listing_->entries[i].name;
  // Only regular files are read. O_NONBLOCK keeps a FIFO from blocking the
  // open; an entry the listing saw as a regular file needs no further test,
  // any other (a FIFO, a device, a link) is tested on the open file.
  const int no_link = listing_->entries[i].is_link ? 0 : O_NOFOLLOW;
  int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | no_link);
  if (fd < 0) return FromErrno();
  if (listing_->entries[i].type != EntryType::kRegular) {
    fd = KeepIfRegular(fd);
    if (fd < 0) return Status::Errno(-fd);
  }
  out->Close();
  out->fd_ = fd;
  return Status::Ok();
}

// ---- File -----------------------------------------------------------------

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

Status File::Open(std::string_view path, Mode mode, File* out, bool share_read_only) {
  std::string posix;
  if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::kRead:
      flags |= O_RDONLY;
      break;
    // Emptied below, once the lock (if asked for) is held.
    case Mode::kWrite:
      flags |= O_WRONLY | O_CREAT | (share_read_only ? 0 : O_TRUNC);
      break;
    case Mode::kAppend:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      break;
    case Mode::kReadWrite:
      flags |= O_RDWR | O_CREAT;
      break;
    case Mode::kWriteKeep:
      flags |= O_WRONLY | O_CREAT;
      break;
  }
  int fd = -1;
  if (mode == Mode::kRead) {
    fd = OpenRegularForReading(posix);
    if (fd < 0) return Status::Errno(-fd);
  } else {
    struct stat st {};
    if (::stat(posix.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) return Status::Errno(EISDIR);
      if (OwnerCannotWrite(st)) return Status::Errno(EACCES);
    }
    fd = sys::Open(posix.c_str(), flags, 0666);
    if (fd < 0) return FromErrno();
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      return Status::Errno(EISDIR);
    }
  }
  if (share_read_only) {
    int op = (mode == Mode::kRead ? LOCK_SH : LOCK_EX) | LOCK_NB;
    if (::flock(fd, op) != 0) {
      int e = errno;
      ::close(fd);
      return Status::Errno(e);
    }
    if (mode == Mode::kWrite && sys::Ftruncate(fd, 0) != 0) {
      int e = errno;
      ::close(fd);
      return Status::Errno(e);
    }
  }
  if (mode != Mode::kRead) ForgetListingOf(posix);
  out->Close();
  out->fd_ = fd;
  return Status::Ok();
}

Status File::Read(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  if (fd_ < 0) return Status::Errno(EBADF);
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) {
      *got = static_cast<std::size_t>(n);
      return Status::Ok();
    }
    if (errno != EINTR) return FromErrno();
  }
}

Status File::Write(const void* data, std::size_t size) { return WriteAll(fd_, data, size); }

Status File::Seek(std::int64_t offset) {
  if (fd_ < 0) return Status::Errno(EBADF);
  if (::lseek(fd_, offset, SEEK_SET) < 0) return FromErrno();
  return Status::Ok();
}

std::int64_t File::Position() const { return fd_ < 0 ? -1 : ::lseek(fd_, 0, SEEK_CUR); }

std::int64_t File::Size() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

Status File::Truncate(std::int64_t size) {
  if (fd_ < 0) return Status::Errno(EBADF);
  if (size < 0) return Status::Errno(EINVAL);
  if (sys::Ftruncate(fd_, static_cast<off_t>(size)) != 0) return FromErrno();
  return Status::Ok();
}

bool File::Identity(FileIdentity* id) const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  id->device = static_cast<std::uint64_t>(st.st_dev);
  id->inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

bool File::Stamp(FileStamp* stamp) const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return false;
  stamp->identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  stamp->size = static_cast<std::uint64_t>(st.st_size);
  stamp->write_ns = ToNs(st.st_mtim);
  stamp->change_ns = ToNs(st.st_ctim);
  return true;
}

Status File::CanonicalPath(std::string* canonical) const { return CanonicalPathOf(fd_, canonical); }

Status File::Close() {
  if (fd_ < 0) return Status::Ok();
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return FromErrno();
  return Status::Ok();
}

// ---- temporary files known to the signal handler ---------------------------

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

extern "C" void RemoveTemporariesAndExit(int signal_number) {
  for (TempSlot& slot : g_temp_slots) {
    if (slot.state.load() == 1) ::unlinkat(slot.folder, slot.name, 0);
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

constexpr std::string_view kTempMark = ".tmp-";
constexpr std::size_t kTempRandom = 6;
constexpr std::size_t kNameMax = 255;  // bytes of one name, on every Linux file system

bool IsTempRandomChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Six letters or digits, for a temporary file's name.
std::string RandomLetters() {
  static constexpr char kLetters[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kTempRandom] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet (early boot): the clock and a counter differ enough,
    // and the exclusive creation settles any clash.
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = static_cast<std::uint64_t>(NowNs()) ^ (counter.fetch_add(1) << 40) ^
                      static_cast<std::uint64_t>(::getpid());
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(x);
      x = x * 6364136223846793005ULL + 1442695040888963407ULL;
      x ^= x >> 29;
    }
  }
  std::string out;
  for (unsigned char b : bytes) out.push_back(kLetters[b % (sizeof kLetters - 1)]);
  return out;
}

Status SyncFolder(int folder) {
  UniqueFd fd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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

// Renames `temp` over `target` in `folder` when `target` is still the file of
// `stamp` (see AtomicFile::Commit). `own` is the identity of the temporary
// file. On success `*exchanged` tells whether `temp` now holds the replaced
// file, which the caller deletes; on kChangedMeanwhile it holds the new one
// again.
Status ExchangeIfUnchanged(int folder, const std::string& temp, const std::string& target,
                           const FileStamp& stamp, const FileIdentity& own, bool* exchanged) {
  *exchanged = false;
  struct stat st {};
  if (stamp.identity == FileIdentity{}) {
    // The file was missing when it was read: it must be still.
    if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_NOREPLACE) == 0) {
      return Status::Ok();
    }
    if (errno == EEXIST) return Status::Errno(kChangedMeanwhile);
    if (errno != EINVAL && errno != ENOSYS) return FromErrno();
    if (::fstatat(folder, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      return Status::Errno(kChangedMeanwhile);
    }
    return sys::RenameAt(folder, temp.c_str(), target.c_str()) == 0 ? Status::Ok() : FromErrno();
  }
  if (::fstatat(folder, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Status::Errno(kChangedMeanwhile) : FromErrno();
  }
  if (!IsStampedFile(st, stamp, false)) return Status::Errno(kChangedMeanwhile);
  if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_EXCHANGE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) return FromErrno();
    // No exchange on this file system: the test above came right before.
    if (sys::RenameAt(folder, temp.c_str(), target.c_str()) != 0) return FromErrno();
    return Status::Ok();
  }
  if (::fstatat(folder, temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      IsStampedFile(st, stamp, true)) {
    *exchanged = true;
    return Status::Ok();
  }
  // Another program's save came between the test and the exchange: it goes
  // back in place, and the new file back to its temporary name.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (sys::RenameAt(folder, temp.c_str(), target.c_str(), RENAME_EXCHANGE) != 0) break;
    if (::fstatat(folder, temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev == own.device &&
        st.st_ino == own.inode) {
      return Status::Errno(kChangedMeanwhile);
    }
  }
  return Status::Errno(EAGAIN);  // the temporary name holds another program's file: kept
}

}  // namespace

// ---- AtomicFile -------------------------------------------------------------

namespace {

// The target's folder and name (OpenTarget) and what stands at the name:
// `*exists` with its lstat in `*st`, or nothing (a link at the name, never
// followed here, counts as nothing: it is replaced like a missing file).
// Fails as AtomicFile::Create fails before it creates anything.
Status OpenReplaceable(std::string_view target, LinkAtTarget links, UniqueFd* folder,
                       std::string* name, std::string* posix, struct stat* st, bool* exists) {
  Status status = OpenTarget(target, links, folder, name, posix);
  if (!status.ok()) return status;
  *exists = ::fstatat(folder->get(), name->c_str(), st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISLNK(st->st_mode);
  if (*exists && S_ISDIR(st->st_mode)) return Status::Errno(EISDIR);
  if (*exists && OwnerCannotWrite(*st)) return Status::Errno(EACCES);
  return Status::Ok();
}

}  // namespace

Status CheckReplaceable(std::string_view target, LinkAtTarget links) {
  UniqueFd folder;
  std::string name, posix;
  struct stat st {};
  bool exists = false;
  return OpenReplaceable(target, links, &folder, &name, &posix, &st, &exists);
}

AtomicFile::~AtomicFile() { Abort(); }

Status AtomicFile::Create(std::string_view target, LinkAtTarget links) {
  Abort();
  other_links_ = replaced_other_links_ = false;
  UniqueFd folder;
  struct stat st {};
  bool exists = false;
  Status status =
      OpenReplaceable(target, links, &folder, &target_name_, &target_path_, &st, &exists);
  if (!status.ok()) return status;
  mode_t mode = 0666 & ~CurrentUmask();
  if (exists) {
    mode = st.st_mode & 07777;
    other_links_ = S_ISREG(st.st_mode) && st.st_nlink > 1;
  }
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
      fd_ = fd;
      folder_fd_ = folder.release();
      temp_name_ = std::move(name);
      slot_ = RegisterTemporary(folder_fd_, temp_name_);
      creation_error = 0;
    }
  }
  if (creation_error != 0) return Status::Errno(creation_error);
  // Owner and group only as far as the process may give them; the mode after
  // them, since a change of owner clears the set-id bits.
  if (exists) (void)sys::Fchown(fd_, st.st_uid, st.st_gid);
  if (sys::Fchmod(fd_, mode) != 0) {
    Status s = FromErrno();
    Abort();
    return s;
  }
  return Status::Ok();
}

Status AtomicFile::Write(const void* data, std::size_t size) { return WriteAll(fd_, data, size); }

Status AtomicFile::SetMode(std::uint32_t mode) {
  if (fd_ < 0) return Status::Errno(EBADF);
  return sys::Fchmod(fd_, static_cast<mode_t>(mode & 07777)) == 0 ? Status::Ok() : FromErrno();
}

Status AtomicFile::SetTimes(std::int64_t access_ns, std::int64_t write_ns) {
  if (fd_ < 0) return Status::Errno(EBADF);
  timespec times[2] = {ToTimespec(access_ns), ToTimespec(write_ns)};
  return sys::Futimens(fd_, times) == 0 ? Status::Ok() : FromErrno();
}

Status AtomicFile::Commit(bool durable, const FileStamp* unchanged_since) {
  if (fd_ < 0) return Status::Errno(EBADF);
  Status s;
  if (durable && sys::Fsync(fd_) != 0) s = FromErrno();
  FileIdentity own;
  {
    struct stat st {};
    if (::fstat(fd_, &st) == 0) own = {st.st_dev, st.st_ino};
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && s.ok()) s = FromErrno();
  const char* temp = temp_name_.c_str();
  const char* target = target_name_.c_str();
  bool temp_holds_replaced = false;
  if (s.ok() && unchanged_since != nullptr) {
    s = ExchangeIfUnchanged(folder_fd_, temp_name_, target_name_, *unchanged_since, own,
                            &temp_holds_replaced);
  } else if (s.ok() && sys::RenameAt(folder_fd_, temp, target) != 0) {
    s = FromErrno();
  }
  // What is left under the temporary name is the new file (a failure) or the
  // replaced one; another program's file (EAGAIN) stays.
  if ((!s.ok() && s.code != EAGAIN) || temp_holds_replaced) (void)sys::UnlinkAt(folder_fd_, temp);
  UnregisterTemporary(&slot_);
  temp_name_.clear();
  if (s.ok()) {
    replaced_other_links_ = other_links_;
    ForgetListingOf(target_path_);
    if (durable) s = SyncFolder(folder_fd_);
  }
  ::close(folder_fd_);
  folder_fd_ = -1;
  return s;
}

void AtomicFile::Abort() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_name_.empty()) {
    (void)sys::UnlinkAt(folder_fd_, temp_name_.c_str());
    temp_name_.clear();
  }
  UnregisterTemporary(&slot_);
  if (folder_fd_ >= 0) ::close(folder_fd_);
  folder_fd_ = -1;
}

Status ReplaceFile(std::string_view path, std::string_view bytes, const ReplaceOptions& options,
                   bool* other_links) {
  AtomicFile file;
  Status status = file.Create(path, options.links);
  if (status.ok()) status = file.Write(bytes.data(), bytes.size());
  if (status.ok()) status = file.Commit(/*durable=*/true, options.unchanged_since);
  if (other_links) *other_links = file.replaced_other_links();
  return status;
}

Status ReadOutputFile(std::string_view path, std::string* bytes) {
  bytes->clear();
  UniqueFd folder;
  std::string name, posix;
  if (Status s = OpenEntryFolder(path, &folder, &name, &posix); !s.ok()) return s;
  int fd = ::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Status::Errno(errno == ELOOP ? ENOENT : errno);
  fd = KeepIfRegular(fd);
  if (fd < 0) return Status::Errno(-fd);
  UniqueFd in(fd);
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FromErrno();
    if (got == 0) return Status::Ok();
    bytes->append(buffer, static_cast<size_t>(got));
  }
}

Status CopyFileReplacing(std::string_view from, std::string_view to, std::string* failed) {
  auto fail = [&](std::string_view path, Status status) {
    if (failed) *failed = std::string(path);
    return status;
  };
  File source;
  Status status = File::Open(from, File::Mode::kRead, &source);
  if (!status.ok()) return fail(from, status);
  struct stat st {};
  if (::fstat(source.fd_, &st) != 0) return fail(from, FromErrno());
  if (!S_ISREG(st.st_mode)) return fail(from, Status::Errno(S_ISDIR(st.st_mode) ? EISDIR : EINVAL));
  AtomicFile copy;
  status = copy.Create(to);
  if (!status.ok()) return fail(to, status);
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    std::size_t got = 0;
    status = source.Read(buffer.data(), buffer.size(), &got);
    if (!status.ok()) return fail(from, status);
    if (got == 0) break;
    status = copy.Write(buffer.data(), got);
    if (!status.ok()) return fail(to, status);
  }
  status = copy.SetMode(st.st_mode & 07777);
  if (status.ok()) status = copy.SetTimes(ToNs(st.st_atim), ToNs(st.st_mtim));
  // Not flushed: a copy carries no history, and a flush costs as much as a
  // small package.
  if (status.ok()) status = copy.Commit();
  return status.ok() ? status : fail(to, status);
}

std::string TemporaryName(std::string_view name, std::string_view random) {
  constexpr std::size_t kFixed = 1 + kTempMark.size() + kTempRandom;
  std::string base(name);
  if (kFixed + name.size() > kNameMax) {
    // FNV-1a: names that share their first bytes still get different temporaries.
    std::uint32_t hash = 2166136261u;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    char tail[10];
    std::snprintf(tail, sizeof tail, "~%08x", hash);
    std::size_t keep = kNameMax - kFixed - (sizeof tail - 1);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    base = std::string(name.substr(0, keep)) + tail;
  }
  return "." + base + std::string(kTempMark) + std::string(random);
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() < 2 + kTempMark.size() + kTempRandom || name.front() != '.') return false;
  const std::size_t mark = name.size() - kTempRandom - kTempMark.size();
  if (name.substr(mark, kTempMark.size()) != kTempMark) return false;
  return std::all_of(name.end() - kTempRandom, name.end(), IsTempRandomChar);
}

Status RemoveLeftoverTemporaries(std::string_view path, LinkAtTarget links) {
  UniqueFd folder;
  std::string name, posix;
  Status status = OpenTarget(path, links, &folder, &name, &posix);
  if (status.code == ENOENT || status.code == ENOTDIR) return Status::Ok();
  if (!status.ok()) return status;
  const std::string prefix = text::UpperCase(TemporaryName(name, ""));
  UniqueFd listing(::openat(folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* d = listing.get() < 0 ? nullptr : ::fdopendir(listing.get());
  if (d == nullptr) return FromErrno();
  listing.release();  // closedir closes it
  const uid_t me = ::geteuid();
  bool removed = false;
  while (dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (entry.size() != prefix.size() + kTempRandom || !IsTemporaryName(entry) ||
        text::UpperCase(entry.substr(0, prefix.size())) != prefix) {
      continue;
    }
    struct stat st {};
    // Only a file of this user's making: another user's file of that name,
    // or a link, stays where it is.
    if (::fstatat(folder.get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != me) {
      continue;
    }
    if (sys::UnlinkAt(folder.get(), e->d_name) != 0) {
      if (status.ok()) status = FromErrno();
      continue;
    }
    removed = true;
  }
  ::closedir(d);
  if (removed) ForgetListingOf(posix);
  return status;
}

// ---- FolderLock ---------------------------------------------------------------

FolderLock::~FolderLock() { Release(); }

Status FolderLock::Acquire(std::string_view folder) {
  Release();
  std::string dir;
  if (!ResolveFolder(folder, &dir)) return Status::Errno(ENOENT);
  int fd = ::open(DirOrDot(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return FromErrno();
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Status s = FromErrno();
    ::close(fd);
    return s;
  }
  fd_ = fd;
  return Status::Ok();
}

void FolderLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
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

void IgnoreBrokenPipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

// ---- fault injection ------------------------------------------------------------

void ArmFault(std::uint32_t kinds, int nth, int error, bool sticky) {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.kinds = kinds;
  f.nth = nth;
  f.error = error;
  f.sticky = sticky;
  f.action = nullptr;
  f.count = 0;
  f.armed.store(true, std::memory_order_relaxed);
}

void ArmAction(std::uint32_t kinds, int nth, void (*action)(), bool sticky) {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.kinds = kinds;
  f.nth = nth;
  f.error = 0;
  f.sticky = sticky;
  f.action = action;
  f.count = 0;
  f.armed.store(true, std::memory_order_relaxed);
}

int DisarmFault() {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.armed.store(false, std::memory_order_relaxed);
  return f.count;
}

}  // namespace vkt::platform
