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
//    names' UTF-16 code units, ties by the names' own code units;
//  - a name on disk that is not valid UTF-8 is taken as Windows-1252 bytes:
//    listings show it decoded, and the decoded name finds it again;
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

// Not an errno: the path names something other than a regular file (a
// folder, FIFO, device or socket) where a file's content was to be read.
inline constexpr int kNotRegularFile = 1001;
// Not an errno: the path leads through a symbolic link that another user
// placed in a folder that is not theirs, which a write does not follow (the
// rule of the kernel's protected_symlinks, applied in every folder).
inline constexpr int kForeignLink = 1002;
// Not an errno: the file changed on disk (another program saved it) between
// the moment it was read and the moment its replacement was to be committed.
inline constexpr int kChangedMeanwhile = 1003;

// What a failed call was doing, for the line that reports it.
enum class Operation : std::uint8_t {
  kNone,
  kReadFile,      // reading a file (opening it included)
  kWriteFile,     // creating, writing or replacing a file
  kCreateFolder,  // creating a folder
  kReadFolder,    // listing a folder
};

// The outcome of a platform call: success, or the system's error, with what
// the call was doing and on which path (as the caller gave it, in its own
// form), where the call knew them.
struct Status {
  int code = 0;  // the system's error number or one of the k* codes above; 0 = success
  Operation operation = Operation::kNone;
  std::string path;
  bool ok() const { return code == 0; }
  // The system's text for the error (strerror; the program's own words for
  // kNotRegularFile, kForeignLink and kChangedMeanwhile), empty on success.
  std::string Text() const;
  // The same failure, told as `operation` on `path` (a caller that knows the
  // path its user knows, which the platform may have reached otherwise).
  Status& About(Operation what, std::string_view where) {
    if (!ok()) {
      operation = what;
      path = std::string(where);
    }
    return *this;
  }
  static Status Ok() { return {}; }
  static Status Errno(int error) {
    Status status;
    status.code = error;
    return status;
  }
  static Status Errno(int error, Operation what, std::string_view where) {
    return Status{error, what, std::string(where)};
  }
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
  std::string name;  // as stored on disk, decoded as Windows-1252 when not UTF-8
  bool is_directory = false;
  // Filled by folder listings (FindEntries with wildcards, ListedFolder);
  // a search for one name without wildcards leaves kOther for a non-folder.
  EntryType type = EntryType::kOther;
  // Filled by folder listings: the entry itself is a symbolic link (`type`
  // then tells what it leads to).
  bool is_link = false;
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

// Whether the folder `path` can be listed: Ok, or why not (ENOENT when it does
// not exist, EACCES when it may not be read). Tells a failed listing, which
// FindEntries gives as an empty one, from an empty folder.
Status CheckFolderReadable(std::string_view path);

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
// Copies contents, permission bits and last-write time; a source that is not
// a regular file fails with kNotRegularFile before anything is read. With
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

// Where `path` leads on disk, every symbolic link and "." or ".." resolved
// (realpath), for telling whether it lies inside a folder: ENOENT when it
// leads nowhere.
Status CanonicalPath(std::string_view path, std::string* canonical);
// True when the canonical path `canonical` is `folder` (canonical too) or
// lies below it.
bool IsSameOrInside(std::string_view canonical, std::string_view folder);

// The process's current directory as a POSIX path.
std::string CurrentDirectory();
// The folder holding the running executable.
std::string ExecutableFolder();

// Drops every cached listing (a new run starts from what is on disk).
void ForgetListings();

Status CopyFileReplacing(std::string_view from, std::string_view to);

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
  // Where the folder opened lies on disk (see File::CanonicalPath).
  Status CanonicalPath(std::string* canonical) const;

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
  // Opens entry `i` for reading (by its name relative to the folder). An entry
  // the listing saw as no link is opened as no link: one that became a link
  // since fails (ELOOP) rather than be followed.
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

  // Opens `path`. kRead opens regular files only: anything else (folder,
  // FIFO, device, socket) fails with kNotRegularFile, without blocking and
  // without reading. With `share_read_only`, other writers are kept out through
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
  // Where the open file lies on disk, every link and "." or ".." resolved.
  Status CanonicalPath(std::string* canonical) const;
  Status Close();

 private:
  friend Status CopyFileReplacing(std::string_view from, std::string_view to);
  friend class ListedFolder;
  int fd_ = -1;
};

// What a replacement does with a symbolic link found where the file goes.
enum class LinkAtTarget : std::uint8_t {
  // The link itself is replaced by the new file; what it led to is never
  // touched. Every output of a run: a link placed at an output's name by
  // someone else must not turn the run against another file.
  kReplace,
  // The link is followed (to any depth) and the file it leads to is
  // replaced, the link staying a link, but only through links that the
  // kernel's protected_symlinks rule would follow: each belongs to the
  // effective user or to the owner of the folder it sits in; any other
  // fails with kForeignLink. For files users link on purpose (the file list).
  kFollowTrusted,
};

// Writes a file so that a failure never leaves it half-written: the data goes
// to a temporary file beside the target (TemporaryName), which Commit renames
// over the target. Dropping the writer without Commit removes the temporary
// file and leaves the target as it was.
// The target's folder is reached one component at a time, never through a
// symbolic link that another user placed in a folder not theirs (kForeignLink),
// and every later step (the temporary file's exclusive creation, the rename,
// the clean-up) works inside that folder as it was opened, so a component
// swapped meanwhile changes nothing. A link at the target's own name is
// handled as `links` says.
// An existing target keeps its permission bits, owner and group (owner and
// group as far as the process may set them); a read-only one is not replaced
// (EACCES), as on Windows. A target with more than one hard link is replaced
// like any other: its other names keep the old content (replaced_other_links
// tells), since a copy in place could be torn by a kill.
// The temporary file in progress is known to the signal handler of
// InstallSignalCleanup.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Status Create(std::string_view target, LinkAtTarget links = LinkAtTarget::kReplace);
  Status Write(const void* data, std::size_t size);
  // With `durable`, the data reaches the disk (fsync) before the rename, and
  // the rename before Commit returns (fsync of the folder; when only that
  // fails, the target is already new). With `unchanged_since`, the target is
  // replaced only while it is still the file of that stamp (taken when it was
  // read; all zero for a file that was missing, which must be missing still):
  // one that another program replaced, wrote or created meanwhile is kept and
  // the result is kChangedMeanwhile. The test and the replacement are one
  // atomic exchange where the file system offers it (the replaced file is
  // checked after the exchange, which is undone when it was not the one
  // read); elsewhere the test comes right before the rename. On failure the
  // temporary file is gone and the target unchanged.
  Status Commit(bool durable = false, const FileStamp* unchanged_since = nullptr);
  void Abort();
  bool is_open() const { return fd_ >= 0; }
  // Gives the new file these permission bits instead of the existing
  // target's (or the default ones); call after Create.
  Status SetMode(std::uint32_t mode);
  // Sets the new file's access and last-write times (see SetTimes).
  Status SetTimes(std::int64_t access_ns, std::int64_t write_ns);
  // After a Commit: the replaced target had other hard links, which still
  // hold the old content.
  bool replaced_other_links() const { return replaced_other_links_; }

 private:
  int fd_ = -1;
  int folder_fd_ = -1;  // the target's folder, as Create opened it
  int slot_ = -1;       // in the signal handler's table
  bool other_links_ = false;
  bool replaced_other_links_ = false;
  std::string target_;  // as the caller named it
  std::string temp_name_;
  std::string target_name_;
  std::string target_path_;  // for the listing cache
};

// How ReplaceFile replaces.
struct ReplaceOptions {
  LinkAtTarget links = LinkAtTarget::kReplace;
  // The stamp of the target when it was read (see AtomicFile::Commit).
  const FileStamp* unchanged_since = nullptr;
};

// Replaces the file `path` by `bytes` durably (AtomicFile with `durable`).
// `*other_links` (when given) tells whether the target had other hard links.
Status ReplaceFile(std::string_view path, std::string_view bytes,
                   const ReplaceOptions& options = {}, bool* other_links = nullptr);

// What AtomicFile::Create(`target`, `links`) would fail with, found without
// creating anything: the target's folder cannot be reached (ENOENT when it is
// missing, kForeignLink, ...), or a folder (EISDIR) or a read-only file
// (EACCES) stands at its name. For runs that only check.
Status CheckReplaceable(std::string_view target, LinkAtTarget links = LinkAtTarget::kReplace);

// Reads the whole of the output file `path` into `*bytes` the way AtomicFile
// reaches it (links at its name not followed): a symbolic link there reads as
// a missing file (ENOENT), since the next replacement puts a file of its own
// in its place. Only a regular file is read (kNotRegularFile otherwise).
Status ReadOutputFile(std::string_view path, std::string* bytes);

// Copies the regular file `from` to `to` through a temporary file renamed
// over `to` (not flushed to disk: see ReplaceFile for that): contents, permission bits and
// last-write time, as CopyFile does. An existing `to` is replaced as AtomicFile
// replaces (a read-only one fails with EACCES; a link at `to` is replaced, never
// followed). A failure is told as reading `from` (kReadFile) or writing `to`
// (kWriteFile); `to` then is as it was.
Status CopyFileReplacing(std::string_view from, std::string_view to);

// The name of AtomicFile's temporary file for a target named `name`:
// "." + name + ".tmp-" + 6 random letters or digits, within the system's
// 255-byte limit for a name: a longer target name keeps its first bytes (never
// part of a character) followed by "~" and 8 hexadecimal digits of a hash of
// the whole name. `random` gives the last 6 characters.
std::string TemporaryName(std::string_view name, std::string_view random);
// True when `name` is a temporary file of AtomicFile's naming for some target.
bool IsTemporaryName(std::string_view name);
// Deletes the temporary files that a run which did not end left for the
// target `path` (reached as AtomicFile reaches it with `links`): regular files
// of the effective user named TemporaryName(target's name, ...), the name
// compared without regard to case. Nothing else is touched: another user's
// file, or one of another name, stays. A missing folder holds none.
Status RemoveLeftoverTemporaries(std::string_view path,
                                 LinkAtTarget links = LinkAtTarget::kReplace);

// An exclusive advisory lock (flock) on a folder, held until the object is
// destroyed or Release is called. Nothing is created in the folder.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  // Takes the lock without waiting. EWOULDBLOCK: another holder has it.
  // Other failures: the folder cannot be opened (ENOENT, ENOTDIR, EACCES...).
  Status Acquire(std::string_view folder);
  void Release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Makes SIGINT, SIGTERM and SIGHUP delete the temporary files in progress and
// end the process with 128 + the signal number. For programs (not libraries)
// whose run may be interrupted.
void InstallSignalCleanup();

// Makes a write to a pipe whose reader has gone fail with EPIPE instead of
// ending the process (SIGPIPE is ignored, and so in programs it starts). For
// programs whose run must reach its end whatever becomes of their output.
void IgnoreBrokenPipe();

// ---- fault injection (tests) -----------------------------------------------
// Every call of this layer that changes the file system goes through one
// place, which a test can arm to make the Nth such call fail with an error
// instead of reaching the system. Unarmed it costs one relaxed atomic load.
enum FaultKind : std::uint32_t {
  kFaultWrite = 1,      // write, copy, truncate
  kFaultRename = 2,     // rename, link
  kFaultSync = 4,       // fsync of a file or a folder
  kFaultMkdir = 8,      // folder creation
  kFaultCreate = 16,    // file creation (open with create, temporary files)
  kFaultRemove = 32,    // unlink, rmdir
  kFaultMetadata = 64,  // chmod, chown, times
  kFaultAll = 127,
};
// From now on counts the calls whose kind is in `kinds`; the `nth` of them
// (1-based) fails with `error`, and so does every later one when `sticky`.
// `nth` 0 only counts.
void ArmFault(std::uint32_t kinds, int nth, int error, bool sticky = false);
// From now on counts the calls whose kind is in `kinds`; right before the
// `nth` of them (and every later one when `sticky`) `action` runs (it may
// stop the process with a signal, or act as another program would at that
// moment), then the call goes on. Puts a test's own step at a chosen point of
// a run, whatever the timing.
void ArmAction(std::uint32_t kinds, int nth, void (*action)(), bool sticky = false);
// Stops injecting; returns how many calls of the armed kinds were counted.
int DisarmFault();

}  // namespace vkt::platform
