// Listing and name resolution of the POSIX platform layer: folder listings in
// NTFS order, cached per folder; Windows-form paths resolved without regard to
// case; wildcard searches; ListedFolder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"
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

using detail::Listing;
using namespace posix;

namespace {

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

}  // namespace

namespace posix {

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

}  // namespace posix

namespace {

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

}  // namespace

namespace posix {

// Resolves every component of `path` (see ResolvePath).
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

}  // namespace posix

namespace {

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

}  // namespace

namespace posix {

bool ResolveFolder(std::string_view folder, std::string* posix) {
  if (folder.empty()) {
    posix->clear();
    return true;
  }
  // A folder part made of separators only is the root.
  bool only_separators = std::all_of(folder.begin(), folder.end(), IsSeparator);
  if (only_separators) {
    // assign(1, '/') rather than = "/": GCC 12 warns wrongly (-Wrestrict) on
    // the literal's copy once this function is inlined.
    posix->assign(1, '/');
    return true;
  }
  if (!Resolve(folder, posix)) return false;
  while (posix->size() > 1 && posix->back() == '/') posix->pop_back();
  return true;
}

}  // namespace posix

namespace {

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

}  // namespace

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
  return [&]() -> Status {
    std::string posix;
    if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
    DIR* d = ::opendir(posix.c_str());
    if (d == nullptr) return FromErrno();
    ::closedir(d);
    return Status::Ok();
  }()
                      .About(Operation::kReadFolder, path);
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
  return [&]() -> Status {
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
    if (!listing || ::fstat(fd, &st) != 0 || st.st_dev != listing->dev ||
        st.st_ino != listing->ino) {
      ::close(fd);
      return Status::Errno(ENOENT);
    }
    fd_ = fd;
    listing_ = std::move(listing);
    return Status::Ok();
  }()
                      .About(Operation::kReadFolder, path);
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

}  // namespace vkt::platform
