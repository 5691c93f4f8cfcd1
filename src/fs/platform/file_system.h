// The platform layer: the only code of the program that calls the operating
// system's file functions. Everything above it speaks Windows-form paths
// ("D:\repo" + "\Tabelas", "/tmp/repo\Views"); this layer maps them onto the
// POSIX file system:
//  - "\" and "/" both separate components; runs of separators count as one;
//  - a leading separator starts at the root "/"; a drive prefix ("C:") names
//    nothing here (not found, never created);
//  - every existing component is found without regard to letter case (both
//    sides upper-cased): an exact match wins, else the first entry in listing
//    order; a component that does not exist keeps the case it was given;
//  - listings come in NTFS order: by ordinal comparison of the upper-cased
//    names, ties by the names' bytes;
//  - a name beginning with "." is hidden.
// Folder listings are cached per folder and revalidated by the folder's change
// time; every change made through this layer drops the cache of its folder.
// Nothing here throws: failures come back as a Status.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vkt::platform {

// The outcome of a platform call: success, or the system's error number.
struct Status {
  int code = 0;  // errno; 0 = success
  bool ok() const { return code == 0; }
  // The system's text for the error (strerror), empty on success.
  std::string Text() const;
  static Status Ok() { return {}; }
  static Status Errno(int error) { return Status{error}; }
};

// Attribute bits as the program knows them.
inline constexpr std::uint32_t kAttrReadOnly = 1;
inline constexpr std::uint32_t kAttrHidden = 2;
inline constexpr std::uint32_t kAttrSystem = 4;
inline constexpr std::uint32_t kAttrDirectory = 16;
inline constexpr std::uint32_t kAttrArchive = 32;

// What an entry is, as its folder's listing tells it (symbolic links
// followed): a regular file, a folder, or anything else (a FIFO, a device, a
// socket, a link that leads nowhere).
enum class EntryType : std::uint8_t { kRegular, kDirectory, kOther };

// One entry of a directory search.
struct Entry {
  std::string name;  // as stored on disk
  bool is_directory = false;
  // Filled by folder listings (FindEntries with wildcards, ListedFolder);
  // a search for one name without wildcards leaves kOther for a non-folder.
  EntryType type = EntryType::kOther;
};

// Metadata of one file or folder. Times are nanoseconds since 1970-01-01 UTC.
struct FileInfo {
  std::uint32_t attributes = 0;  // kAttr* bits; 32 for every regular file
  std::uint64_t size = 0;
  std::int64_t creation_ns = 0;
  std::int64_t access_ns = 0;
  std::int64_t write_ns = 0;
};

// Maps `path` onto the POSIX file system (see above). Returns false when the
// path can name nothing here (empty, or a drive prefix); `posix` then holds
// nothing useful. A trailing separator is kept as a trailing "/".
bool ResolvePath(std::string_view path, std::string* posix);

// The directory search of the platform (FindFirstFile/FindNextFile): every
// entry that `search_expression` names, in listing order. Its last component
// may hold "*" and "?" (matched without regard to case, "*.*" matches every
// name); "." and ".." are yielded when the pattern matches them and the folder
// is not the root. A last component without wildcards names one entry. An
// empty result means the search failed (no folder, no match, trailing
// separator).
std::vector<Entry> FindEntries(std::string_view search_expression);

// True when `name` matches the wildcard `pattern` ("*", "?"), without regard to
// case; "*.*" matches every name.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Metadata of the entry `path` names (symbolic links followed).
Status GetInfo(std::string_view path, FileInfo* info);
bool IsDirectory(std::string_view path);
bool IsRegularFile(std::string_view path);
// True when `path` itself is a symbolic link (whatever it points to, if
// anything). Tree deletion removes such a link instead of entering it.
bool IsSymbolicLink(std::string_view path);

// Directory and file changes. Each resolves its paths first.
Status CreateDirectory(std::string_view path);  // one level; fails when it exists
Status RemoveDirectory(std::string_view path);  // must be empty
Status DeleteFile(std::string_view path);       // never a folder
// Copies contents, permission bits and last-write time. With
// `fail_if_exists` an existing destination fails (EEXIST); otherwise it is
// replaced.
Status CopyFile(std::string_view from, std::string_view to, bool fail_if_exists);
// Moves or renames one file or folder; fails (EEXIST) when `to` exists. A file
// goes to another file system by copy and delete, as Windows' MoveFile does
// (a folder cannot: EXDEV); a failure there leaves no copy behind.
Status MoveFile(std::string_view from, std::string_view to);
// Sets or clears the read-only attribute (the write permission bits).
Status SetReadOnly(std::string_view path, bool read_only);
// Sets the access and last-write times (nanoseconds since 1970 UTC). POSIX
// keeps no settable creation time; it is accepted and ignored.
Status SetTimes(std::string_view path, std::int64_t access_ns, std::int64_t write_ns);

// The process's current directory as a POSIX path.
std::string CurrentDirectory();
// The folder holding the running executable.
std::string ExecutableFolder();

// Drops every cached listing (a new run starts from what is on disk).
void ForgetListings();

class File;
namespace detail {
struct Listing;
}

// A folder opened for reading its files by name: its listing (the cached one,
// in listing order) and a descriptor that entries are opened relative to, so
// that a file named through the listing costs no path resolution and no
// existence check. The listing is the folder's state when Open ran; later
// changes are not seen (an entry that went away fails to open with ENOENT).
class ListedFolder {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  ListedFolder() = default;
  ~ListedFolder();
  ListedFolder(const ListedFolder&) = delete;
  ListedFolder& operator=(const ListedFolder&) = delete;

  // Resolves the folder `path` (Windows form, as the folder part of a search
  // expression) and opens it. Fails (ENOENT, ENOTDIR, ...) when it names no
  // folder here; the object then lists nothing.
  Status Open(std::string_view path);
  bool is_open() const { return fd_ >= 0; }

  std::size_t size() const;
  const Entry& entry(std::size_t i) const;
  // The upper-cased name of entry `i`. Entries with equal upper-cased names
  // are neighbours in listing order.
  const std::string& upper(std::size_t i) const;
  // The first entry in listing order whose upper-cased name is `upper_name`,
  // or kNone.
  std::size_t FindUpper(const std::string& upper_name) const;
  // The entry a path component `name` resolves to (see above): the entry of
  // exactly that name, else the first whose upper-cased name equals
  // UpperCase(name) (given as `upper_name`); kNone when there is none.
  std::size_t Find(std::string_view name, const std::string& upper_name) const;
  // The entries that match the wildcard `pattern` as FindEntries matches, in
  // listing order ("." and ".." are not entries here).
  std::vector<std::size_t> Matching(std::string_view pattern) const;
  // Opens entry `i` for reading (by its name relative to the folder).
  Status OpenEntry(std::size_t i, File* out) const;

 private:
  int fd_ = -1;
  std::shared_ptr<const detail::Listing> listing_;
};

// Which file an open file is, whatever path named it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// One state of a file: which file it is, its size and its write and change
// times (nanoseconds since 1970 UTC). Two equal stamps taken more than a tick
// of the file-system clock after the later time name the same content.
struct FileStamp {
  FileIdentity identity;
  std::uint64_t size = 0;
  std::int64_t write_ns = 0;
  std::int64_t change_ns = 0;
  bool operator==(const FileStamp&) const = default;
};

// An open file. Move-only; closes on destruction.
class File {
 public:
  enum class Mode {
    kRead,       // existing file, read only
    kWrite,      // created or emptied, write only
    kAppend,     // created when missing, writes go to the end
    kReadWrite,  // created when missing, kept otherwise
    kWriteKeep,  // created when missing, kept otherwise, write only
  };
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path`. With `share_read_only`, other writers are kept out through
  // an advisory lock (a shared lock for readers, an exclusive one for writers;
  // a conflict fails with EWOULDBLOCK). kWrite empties the file only once the
  // lock is held, so a conflicting open leaves the file as it was.
  static Status Open(std::string_view path, Mode mode, File* out, bool share_read_only = false);

  bool is_open() const { return fd_ >= 0; }
  // Reads up to `size` bytes; `*got` is 0 at the end of the file.
  Status Read(void* buffer, std::size_t size, std::size_t* got);
  // Writes all `size` bytes.
  Status Write(const void* data, std::size_t size);
  Status Seek(std::int64_t offset);  // from the start
  std::int64_t Position() const;
  std::int64_t Size() const;
  // Cuts or extends the file to `size` bytes; the position does not move.
  Status Truncate(std::int64_t size);
  // The device and inode of the open file; false when not open.
  bool Identity(FileIdentity* id) const;
  // The stamp of the open file; false when not open or the system fails.
  bool Stamp(FileStamp* stamp) const;
  Status Close();

 private:
  friend class ListedFolder;
  int fd_ = -1;
};

// Writes a file so that a failure never leaves it half-written: the data goes
// to a temporary file in the target's folder, which Commit renames over the
// target. Dropping the writer without Commit removes the temporary file and
// leaves the target as it was.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Status Create(std::string_view target);
  Status Write(const void* data, std::size_t size);
  Status Commit();
  void Abort();
  bool is_open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  std::string temp_path_;
  std::string target_path_;
};

}  // namespace vkt::platform
