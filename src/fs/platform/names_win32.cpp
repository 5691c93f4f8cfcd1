// Listing of the Windows platform layer: folder listings (FindFirstFileExW)
// in NTFS order, cached per folder; wildcard searches; ListedFolder. Names
// are the system's: no resolution of letter case here.
#include <cerrno>
#include <memory>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {

using detail::Listing;
using namespace win32;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The folder `native` ("" = current folder) as a full path, the cache's key.
std::string ListingKey(const std::string& native) {
  std::string key = WithoutLongPrefix(FullPath(Wide(native.empty() ? std::string(".") : native)));
  while (key.size() > RootLength(key) && IsSeparator(key.back())) key.pop_back();
  return key;
}

// What a listed entry that is a reparse point leads to.
EntryType FollowedType(const std::string& path) {
  UniqueHandle handle(OpenForAttributes(SystemPath(path), false));
  BY_HANDLE_FILE_INFORMATION info;
  if (!handle.valid() || !sys::GetFileInformationByHandle(handle.get(), &info)) {
    return EntryType::kOther;
  }
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryType::kDirectory
                                                                 : EntryType::kRegular;
}

Entry EntryOf(const std::string& folder, const WIN32_FIND_DATAW& found) {
  Entry entry;
  entry.name = Narrow(found.cFileName);
  entry.is_hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
  if (IsReparsePoint(found.dwFileAttributes)) {
    entry.is_link = true;
    entry.type = FollowedType(Join(folder, entry.name));
  } else {
    entry.type = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryType::kDirectory
                                                                          : EntryType::kRegular;
  }
  entry.is_directory = entry.type == EntryType::kDirectory;
  return entry;
}

// Reads the listing of the folder `native` ("" = current folder); null when
// it cannot be listed (`*error` then tells why).
std::shared_ptr<Listing> ReadListing(const std::string& native, DWORD* error) {
  const std::wstring pattern = SystemPath(Join(native.empty() ? "." : native, "*"));
  WIN32_FIND_DATAW found;
  HANDLE search = sys::FindFirstFileEx(pattern.c_str(), &found, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<Entry> raw;
  bool dots = false;
  if (search == INVALID_HANDLE_VALUE) {
    *error = ::GetLastError();
    // A folder without any entry at all (a drive's empty root).
    if (*error != ERROR_FILE_NOT_FOUND && *error != ERROR_NO_MORE_FILES) return nullptr;
  } else {
    do {
      const std::wstring_view name = found.cFileName;
      if (name == L"." || name == L"..") {
        dots = true;
        continue;
      }
      raw.push_back(EntryOf(native, found));
    } while (sys::FindNextFile(search, &found));
    *error = ::GetLastError();
    sys::FindClose(search);
    if (*error != ERROR_NO_MORE_FILES) return nullptr;
  }
  auto listing = internal::BuildListing(std::move(raw), {});
  listing->dots = dots;
  return listing;
}

// The listing of the folder `native`, from the cache while the folder's
// last-write time (which a change of its entries moves) stays as it was.
std::shared_ptr<const Listing> GetListing(const std::string& native, DWORD* error = nullptr) {
  DWORD ignored = 0;
  if (error == nullptr) error = &ignored;
  WIN32_FILE_ATTRIBUTE_DATA data;
  const std::wstring wide = SystemPath(native.empty() ? "." : native);
  if (!sys::GetFileAttributesEx(wide.c_str(), &data)) {
    *error = ::GetLastError();
    return nullptr;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    *error = ERROR_DIRECTORY;
    return nullptr;
  }
  const std::string key = ListingKey(native);
  const std::int64_t write_ns = FileTimeToNs(data.ftLastWriteTime);
  if (auto cached = internal::CachedListing(key, FileIdentity{}, write_ns)) return cached;
  auto listing = ReadListing(native, error);
  if (!listing) return nullptr;
  listing->write_ns = write_ns;
  internal::StoreListing(key, listing);
  return listing;
}

// Splits a search expression into its folder part and its last component.
void SplitSearch(std::string_view expr, std::string_view* folder, std::string_view* last) {
  size_t i = expr.size();
  while (i > 0 && !IsSeparator(expr[i - 1])) --i;
  *last = expr.substr(i);
  *folder = expr.substr(0, i);
}

// The folder part of a search expression in the system's form ("" = the
// current folder), without a trailing separator unless it is a root.
bool NativeFolder(std::string_view folder, std::string* native) {
  if (folder.empty()) {
    native->clear();
    return true;
  }
  if (!NativeText(folder, native)) return false;
  while (native->size() > RootLength(*native) && IsSeparator(native->back())) native->pop_back();
  return true;
}

}  // namespace

namespace win32 {

void ForgetListingOf(const std::string& native_path) {
  std::string folder, name;
  SplitLast(native_path, &folder, &name);
  internal::ForgetCachedListings(ListingKey(native_path), ListingKey(folder));
}

}  // namespace win32

std::vector<Entry> FindEntries(std::string_view search_expression) {
  std::vector<Entry> out;
  std::string_view folder, last;
  SplitSearch(search_expression, &folder, &last);
  std::string dir;
  if (last.empty() || !NativeFolder(folder, &dir)) return out;
  if (!internal::ContainsWildcard(last)) {
    if (last == "." || last == "..") {
      auto listing = GetListing(dir);
      if (listing && listing->dots) out.push_back({std::string(last), true});
      return out;
    }
    // The entry as the folder holds it: the name on disk, in its own case.
    WIN32_FIND_DATAW found;
    const std::wstring wide = SystemPath(Join(dir, last));
    HANDLE search = sys::FindFirstFileEx(wide.c_str(), &found, 0);
    if (search == INVALID_HANDLE_VALUE) return out;
    sys::FindClose(search);
    Entry entry = EntryOf(dir, found);
    entry.type = EntryType::kOther;  // as on POSIX: a search for one name tells folders only
    entry.is_link = false;
    out.push_back(std::move(entry));
    return out;
  }
  auto listing = GetListing(dir);
  if (!listing) return out;
  return internal::MatchingEntries(*listing, last, listing->dots);
}

Status CheckFolderReadable(std::string_view path) {
  return [&]() -> Status {
    std::string dir;
    if (!NativeFolder(path, &dir)) return Status::Errno(ENOENT);
    DWORD error = 0;
    const auto listing = GetListing(dir, &error);
    return listing ? Status::Ok() : WindowsError(error);
  }()
                      .About(Operation::kReadFolder, path);
}

// Windows shows every name as the program built it: its file system ignores
// letter case, and its separator is the program's own.
std::string PathAsShown(std::string_view path) { return std::string(path); }

void ForgetListings() { internal::ForgetAllCachedListings(); }

// ---- ListedFolder -----------------------------------------------------------

ListedFolder::~ListedFolder() {
  if (handle_ != kNoHandle) sys::CloseHandle(ToHandle(handle_));
}

Status ListedFolder::Open(std::string_view path) {
  return [&]() -> Status {
    if (handle_ != kNoHandle) sys::CloseHandle(ToHandle(handle_));
    handle_ = kNoHandle;
    listing_.reset();
    native_path_.clear();
    std::string dir;
    if (!NativeFolder(path, &dir)) return Status::Errno(ENOENT);
    UniqueHandle folder(OpenForAttributes(SystemPath(dir.empty() ? "." : dir), false));
    if (!folder.valid()) return LastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (!sys::GetFileInformationByHandle(folder.get(), &info)) return LastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Status::Errno(ENOTDIR);
    // Only a folder of a disk is listed: what OpenEntry opens in it is then
    // a file of that disk, without asking each one (no pipe, no device).
    if (sys::GetFileType(folder.get()) != FILE_TYPE_DISK) return Status::Errno(ENOTDIR);
    DWORD error = 0;
    auto listing = GetListing(dir, &error);
    if (!listing) return WindowsError(error);
    handle_ = FromHandle(folder.release());
    native_path_ = std::move(dir);
    listing_ = std::move(listing);
    return Status::Ok();
  }()
                      .About(Operation::kReadFolder, path);
}

Status ListedFolder::CanonicalPath(std::string* canonical) const {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  return FinalPath(ToHandle(handle_), canonical);
}

Status ListedFolder::OpenEntry(std::size_t i, File* out) const {
  if (handle_ == kNoHandle || i >= size()) return Status::Errno(EBADF);
  const Entry& entry = listing_->entries[i];
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (entry.is_link) {
    // A link the listing saw is followed by name, as any open follows it.
    const std::wstring path =
        SystemPath(Join(native_path_.empty() ? "." : native_path_, entry.name));
    if (Status s = OpenRegularForReading(path, 0, &handle); !s.ok()) return s;
  } else {
    // An entry the listing saw as no link is opened as no link, relative to
    // the folder held open: one that became a link or a folder since fails
    // rather than be followed, and no name is resolved again.
    if (Status s = OpenInFolder(ToHandle(handle_), entry.name, &handle); !s.ok()) return s;
  }
  out->Close();
  out->handle_ = FromHandle(handle);
  return Status::Ok();
}

}  // namespace vkt::platform
