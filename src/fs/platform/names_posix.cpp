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
#include "fs/platform/platform_internal.h"
#include "fs/platform/posix_internal.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::platform {

using detail::Listing;
using namespace posix;
using internal::CacheMutex;

namespace {

// ---- listing cache --------------------------------------------------------

FileIdentity IdentityOf(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The type of the entry `name` of `dir` that readdir() gave as `d_type`,
// asked of the entry itself where readdir() does not tell or gives a link.
void ReadEntryType(const std::string& dir, std::string_view name, unsigned char d_type,
                   Entry* entry) {
  if (d_type == DT_DIR) {
    entry->type = EntryType::kDirectory;
  } else if (d_type == DT_REG) {
    entry->type = EntryType::kRegular;
  } else if (d_type == DT_UNKNOWN || d_type == DT_LNK) {
    struct stat est {};
    std::string full = Join(dir, name);
    entry->is_link =
        d_type == DT_LNK || (sys::Lstat(full.c_str(), &est) == 0 && S_ISLNK(est.st_mode));
    if (sys::Stat(DirOrDot(full).c_str(), &est) == 0) {
      entry->type = S_ISDIR(est.st_mode)   ? EntryType::kDirectory
                    : S_ISREG(est.st_mode) ? EntryType::kRegular
                                           : EntryType::kOther;
    }
  }
}

std::shared_ptr<const Listing> ReadListing(const std::string& dir, const struct stat& st) {
  DIR* d = sys::Opendir(DirOrDot(dir).c_str());
  if (!d) return nullptr;
  std::vector<Entry> raw;
  std::vector<std::string> on_disk;  // by index into `raw`, only when needed
  while (dirent* e = sys::Readdir(d)) {
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
    ReadEntryType(dir, name, e->d_type, &entry);
    entry.is_directory = entry.type == EntryType::kDirectory;
    entry.is_hidden = entry.name.front() == '.';
    raw.push_back(std::move(entry));
  }
  sys::Closedir(d);
  auto listing = internal::BuildListing(std::move(raw), std::move(on_disk));
  listing->identity = IdentityOf(st);
  listing->write_ns = ToNs(st.st_mtim);
  return listing;
}

// The listing of the POSIX folder `dir` ("" = current folder), from the cache
// when it is still valid.
std::shared_ptr<const Listing> GetListing(const std::string& dir) {
  struct stat st {};
  if (sys::Stat(DirOrDot(dir).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  if (auto cached = internal::CachedListing(dir, IdentityOf(st), ToNs(st.st_mtim))) return cached;
  auto listing = ReadListing(dir, st);
  if (listing) internal::StoreListing(dir, listing);
  return listing;
}

// Folders already resolved without regard to case, by their path as written
// (separators made "/"). Any change made through this layer empties it; an
// entry is used only while its folder still exists.
std::unordered_map<std::string, std::string>& ResolvedFolders() {
  static std::unordered_map<std::string, std::string> folders;
  return folders;
}

// What the run's lookups found on disk, for messages (PathAsShown): the key
// of a path as written (as in ResolvedFolders) whose leading components were
// found, and those components as listings show them. A change made through
// this layer leaves it: a name found stays the name to show. A new run
// (ForgetListings) empties it.
class FoundOnDisk {
 public:
  // Remembers that the path written `key` is `on_disk` on disk.
  void Keep(const std::string& key, const std::string& on_disk) {
    if (key.empty() || key == on_disk) return;
    std::string shown = ShownForm(on_disk);
    std::lock_guard<std::mutex> lock(mutex_);
    // A run looks into a few dozen folders; the bound only keeps memory in check.
    if (found_.size() >= kMaxPaths) found_.clear();
    found_[key] = std::move(shown);
  }
  // The path written `key` with its longest prefix that was found replaced
  // by what was found; false when no prefix was.
  bool Show(const std::string& key, std::string* shown) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (found_.empty()) return false;
    for (std::size_t end = key.size(); end != 0 && end != std::string::npos;
         end = end > 1 ? key.rfind('/', end - 1) : std::string::npos) {
      auto it = found_.find(key.substr(0, end));
      if (it == found_.end()) continue;
      *shown = it->second + key.substr(end);
      return true;
    }
    return false;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    found_.clear();
  }

 private:
  // `posix` with each component that is not UTF-8 as listings show it.
  static std::string ShownForm(const std::string& posix) {
    if (text::IsValidUtf8(posix)) return posix;
    std::string shown = posix.front() == '/' ? "/" : "";
    for (std::string_view part : SplitComponents(posix)) {
      shown = Join(shown, text::FileNameText(part));
    }
    return shown;
  }

  static constexpr std::size_t kMaxPaths = 4096;
  std::mutex mutex_;
  std::unordered_map<std::string, std::string> found_;
};

FoundOnDisk& Found() {
  static FoundOnDisk found;
  return found;
}

// `path` with "/" for each run of separators.
std::string WithPosixSeparators(std::string_view path) {
  std::string direct;
  direct.reserve(path.size());
  bool previous_separator = false;
  for (char c : path) {
    bool sep = IsSeparator(c);
    if (sep && previous_separator) continue;
    direct.push_back(sep ? '/' : c);
    previous_separator = sep;
  }
  return direct;
}

// The key of `path` in ResolvedFolders and FoundOnDisk: "/" separators, none
// trailing.
std::string KeyOf(std::string_view path) {
  std::string key = WithPosixSeparators(path);
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

}  // namespace

namespace posix {

void ForgetListingOf(const std::string& posix_path) {
  std::string dir = posix_path;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  size_t slash = dir.rfind('/');
  std::string parent = slash == std::string::npos ? "" : dir.substr(0, slash == 0 ? 1 : slash);
  internal::ForgetCachedListings(dir, parent);
  std::lock_guard<std::mutex> lock(CacheMutex());
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
  if (sys::Lstat(exact.c_str(), &st) == 0) {
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

namespace {

// The key of the folder part of the path whose key is `key` and whose
// components are `parts`: "" where it has none to remember.
std::string FolderKeyOf(const std::string& key, const std::vector<std::string_view>& parts) {
  std::string folder_key;
  if (parts.size() > 1 && parts.back() != "." && parts.back() != "..") {
    folder_key = key.substr(0, key.size() - parts.back().size());
    while (folder_key.size() > 1 && folder_key.back() == '/') folder_key.pop_back();
  }
  return folder_key;
}

// The path resolved before, from ResolvedFolders(): the path itself by
// `key`, or its folder by `folder_key` with the last of `parts` in it,
// where that exists as written. False when neither settles it.
bool ResolveFromCache(const std::string& key, const std::string& folder_key,
                      const std::vector<std::string_view>& parts, bool trailing,
                      std::string* posix) {
  std::string cached_self, cached_folder;
  {
    std::lock_guard<std::mutex> lock(CacheMutex());
    auto& folders = ResolvedFolders();
    if (auto it = folders.find(key); it != folders.end()) cached_self = it->second;
    if (auto it = folders.find(folder_key); it != folders.end()) cached_folder = it->second;
  }
  if (!cached_self.empty()) {
    Found().Keep(key, cached_self);
    *posix = std::move(cached_self);
    if (trailing && posix->back() != '/') *posix += '/';
    return true;
  }
  if (cached_folder.empty()) return false;
  std::string candidate = Join(cached_folder, parts.back());
  struct stat st {};
  if (sys::Lstat(candidate.c_str(), &st) != 0) return false;
  Found().Keep(folder_key, cached_folder);
  if (trailing) candidate += '/';
  *posix = std::move(candidate);
  return true;
}

// Finds `parts` one by one from the root (`absolute`) or the current
// folder, without regard to case, as far as they exist; the rest is taken
// as written. `*found` tells whether every one existed. Where every folder
// was found, it is remembered under `folder_key`; the part found is kept
// for messages.
std::string ResolveComponents(const std::vector<std::string_view>& parts, bool absolute,
                              const std::string& folder_key, bool* found) {
  std::string current = absolute ? "/" : "";
  std::string written = current;  // the part found, as written
  *found = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string_view part = parts[i];
    if (*found && i == parts.size() - 1 && !folder_key.empty()) {
      // Every folder of the path was found: remember it for the next lookup.
      std::lock_guard<std::mutex> lock(CacheMutex());
      ResolvedFolders()[folder_key] = current.empty() ? "." : current;
    }
    if (*found && part != "." && part != "..") {
      std::string actual;
      if (FindComponent(current, part, &actual)) {
        current = Join(current, actual);
        written = Join(written, part);
        continue;
      }
      *found = false;
      Found().Keep(written, current);
    }
    if (*found) written = Join(written, part);
    current = Join(current, part);
  }
  if (*found) Found().Keep(written, current);
  return current;
}

}  // namespace

namespace posix {

// Resolves every component of `path` (see ResolvePath).
bool Resolve(std::string_view path, std::string* posix) {
  posix->clear();
  if (path.empty() || HasDrivePrefix(path)) return false;
  const bool absolute = IsSeparator(path.front());
  const bool trailing = IsSeparator(path.back());
  std::string direct = WithPosixSeparators(path);
  std::vector<std::string_view> parts = SplitComponents(path);
  // Folders already resolved by their written form: every script of one
  // object-type folder shares its folder part.
  const std::string key = KeyOf(path);
  const std::string folder_key = FolderKeyOf(key, parts);
  if (ResolveFromCache(key, folder_key, parts, trailing, posix)) return true;
  // Most paths exist exactly as written: one system call settles them.
  struct stat st {};
  if (sys::Lstat(direct.c_str(), &st) == 0) {
    *posix = std::move(direct);
    return true;
  }
  bool found = true;
  std::string current = ResolveComponents(parts, absolute, folder_key, &found);
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

using internal::ContainsWildcard;

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

bool ResolvePath(std::string_view path, std::string* native) { return Resolve(path, native); }

namespace {

// FindEntries for a name without wildcards, `last`, in the folder written
// `folder` and resolved as `dir`.
std::vector<Entry> FindNamedEntry(std::string_view folder, const std::string& dir,
                                  std::string_view last) {
  std::vector<Entry> out;
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
  if (sys::Stat(full.c_str(), &st) != 0 && sys::Lstat(full.c_str(), &st) != 0) return out;
  const bool hidden = !shown.empty() && shown.front() == '.';
  out.push_back({std::move(shown), S_ISDIR(st.st_mode)});
  out.back().is_hidden = hidden;
  return out;
}

}  // namespace

std::vector<Entry> FindEntries(std::string_view search_expression) {
  std::vector<Entry> out;
  std::string_view folder, last;
  SplitSearch(search_expression, &folder, &last);
  if (last.empty() || HasDrivePrefix(search_expression)) return out;
  std::string dir;
  if (!ResolveFolder(folder, &dir)) return out;
  if (!ContainsWildcard(last)) return FindNamedEntry(folder, dir, last);
  auto listing = GetListing(dir);
  if (!listing) return out;
  return internal::MatchingEntries(*listing, last, dir != "/");
}

Status CheckFolderReadable(std::string_view path) {
  return [&]() -> Status {
    std::string posix;
    if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
    DIR* d = sys::Opendir(posix.c_str());
    if (d == nullptr) return FromErrno();
    sys::Closedir(d);
    return Status::Ok();
  }()
                      .About(Operation::kReadFolder, path);
}

std::string PathAsShown(std::string_view path) {
  std::string shown;
  const std::string key = KeyOf(path);
  if (!Found().Show(key, &shown)) {
    shown.assign(path);
    for (char& c : shown) c = c == '\\' ? '/' : c;
    return shown;
  }
  // Separators trailing as written.
  if (path.size() > key.size() && IsSeparator(path.back()) && shown.back() != '/') shown += '/';
  return shown;
}

void ForgetListings() {
  internal::ForgetAllCachedListings();
  ForgetWalkedFolders();
  Found().Clear();
  std::lock_guard<std::mutex> lock(CacheMutex());
  ResolvedFolders().clear();
}

// ---- ListedFolder -----------------------------------------------------------

ListedFolder::~ListedFolder() {
  if (handle_ != kNoHandle) sys::Close(static_cast<int>(handle_));
}

Status ListedFolder::Open(std::string_view path) {
  return [&]() -> Status {
    if (handle_ != kNoHandle) sys::Close(static_cast<int>(handle_));
    handle_ = kNoHandle;
    listing_.reset();
    std::string dir;
    if (HasDrivePrefix(path) || !ResolveFolder(path, &dir)) return Status::Errno(ENOENT);
    const int fd = sys::Open(DirOrDot(dir).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FromErrno();
    // The listing must be the one of the folder the descriptor holds.
    struct stat st {};
    auto listing = GetListing(dir);
    if (!listing || sys::Fstat(fd, &st) != 0 || IdentityOf(st) != listing->identity) {
      sys::Close(fd);
      return Status::Errno(ENOENT);
    }
    handle_ = fd;
    listing_ = std::move(listing);
    return Status::Ok();
  }()
                      .About(Operation::kReadFolder, path);
}

Status ListedFolder::CanonicalPath(std::string* canonical) const {
  return CanonicalPathOf(static_cast<int>(handle_), canonical);
}

Status ListedFolder::OpenEntry(std::size_t i, File* out) const {
  if (handle_ == kNoHandle || i >= size()) return Status::Errno(EBADF);
  const std::string& name = i < listing_->on_disk.size() && !listing_->on_disk[i].empty()
                                ? listing_->on_disk[i]
                                : listing_->entries[i].name;
  // Only regular files are read. O_NONBLOCK keeps a FIFO from blocking the
  // open; an entry the listing saw as a regular file needs no further test,
  // any other (a FIFO, a device, a link) is tested on the open file.
  const int no_link = listing_->entries[i].is_link ? 0 : O_NOFOLLOW;
  int fd = sys::OpenAt(static_cast<int>(handle_), name.c_str(),
                       O_RDONLY | O_CLOEXEC | O_NONBLOCK | no_link);
  if (fd < 0) return FromErrno();
  if (listing_->entries[i].type != EntryType::kRegular) {
    fd = KeepIfRegular(fd);
    if (fd < 0) return Status::Errno(-fd);
  }
  out->Close();
  out->handle_ = fd;
  return Status::Ok();
}

}  // namespace vkt::platform
