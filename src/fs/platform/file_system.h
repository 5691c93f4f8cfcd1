// The platform layer: the only code of the program that calls the operating
// system's file functions. Everything above it speaks Windows-form paths
// ("D:\repo" + "\Tabelas", "/tmp/repo\Views") and sees nothing of the
// system beneath: no descriptor, no handle, no user id. One implementation is
// compiled per build: *_posix.cpp or *_win32.cpp, beside the files both share.
//
// On POSIX the paths are mapped onto the file system:
//  - "\" and "/" both separate components; runs of separators count as one;
//  - a leading separator starts at the root "/"; a drive prefix ("C:") names
//    nothing here (not found, never created);
//  - every existing component is found without regard to letter case (both
//    sides upper-cased): an exact match wins, else the first entry in listing
//    order; a component that does not exist keeps the case it was given;
//  - a name on disk that is not valid UTF-8 is taken as Windows-1252 bytes:
//    listings show it decoded, and the decoded name finds it again;
//  - a name beginning with "." is hidden.
// On Windows the paths are the system's own: drive letters and UNC paths
// work, "\" and "/" both separate, a run of separators counts as one (a UNC
// path keeps its leading pair); letter case is the file system's business,
// and the name a listing shows is the one on disk. Attributes are the
// system's own (read-only, hidden, system, archive, directory).
// On both, listings come in NTFS order: by ordinal comparison of the
// upper-cased names' UTF-16 code units (the program's own upper-case table,
// text/letter_case.h), ties by the names' own code units.
// Folder listings are cached per folder and revalidated by the folder's
// identity and last-write time; every change made through this layer drops
// the cache of its folder.
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
// Not an errno: a FolderLock found at its lock file's name something that is
// not a lock file of the user's own (see FolderLock::Acquire).
inline constexpr int kForeignLockFile = 1004;
// Not an errno: a whole output was named onto a block device (a disk), which
// is neither replaced nor written.
inline constexpr int kBlockDevice = 1005;
// Not an errno: a write by root would go through a folder that belongs to
// another user (sticky or not), where that user decides what every name
// means (Status::folder and Status::owner say which and whose).
inline constexpr int kForeignFolder = 1006;

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
//
// `code` is the program's portable error number: one of the C library's E*
// values (ENOENT, EEXIST, EACCES, EISDIR, ENOTDIR, EWOULDBLOCK, ENOSPC, ...,
// which every build defines alike) or one of the k* codes above. The core
// compares it and never anything else. On POSIX it is errno itself; on Windows
// the system's error is turned into it by one table (ERROR_FILE_NOT_FOUND and
// ERROR_PATH_NOT_FOUND into ENOENT, ERROR_ACCESS_DENIED into EACCES, ...).
// `native` is the system's own code for the same failure (errno on POSIX,
// GetLastError() on Windows), 0 where the layer found the failure itself;
// Text() tells it in the system's words.
struct Status {
  int code = 0;    // portable error number (E* or k*); 0 = success
  int native = 0;  // the system's own code, 0 = none (see above)
  Operation operation = Operation::kNone;
  std::string path;
  // kForeignFolder: the folder in the way, where it lies on disk, and the
  // account name of its owner (its number where it has none).
  std::string folder;
  std::string owner;
  bool ok() const { return code == 0; }
  // The system's text for the error, empty on success: strerror on POSIX,
  // FormatMessageW on Windows (in the system's language, without its trailing
  // line break), of `native`, or where that is 0 of the system's own code
  // closest to `code`; the program's own words for kNotRegularFile,
  // kForeignLink, kChangedMeanwhile, kForeignLockFile, kBlockDevice and
  // kForeignFolder (with its folder and owner).
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
    Status status;
    status.code = error;
    status.operation = what;
    status.path = std::string(where);
    return status;
  }
  // A failure the system reported: `error` its portable number, `system` the
  // system's own code.
  static Status System(int error, int system) {
    Status status;
    status.code = error;
    status.native = system;
    return status;
  }
};

// Attribute bits as the program knows them.
inline constexpr std::uint32_t kAttrReadOnly = 1;
inline constexpr std::uint32_t kAttrHidden = 2;
inline constexpr std::uint32_t kAttrSystem = 4;
inline constexpr std::uint32_t kAttrDirectory = 16;
inline constexpr std::uint32_t kAttrArchive = 32;
inline constexpr std::uint32_t kAttrNormal = 128;  // Windows: none of the others

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
  // POSIX: the name begins with "."; Windows: the entry has the hidden
  // attribute.
  bool is_hidden = false;
};

// Metadata of one file or folder. Times are nanoseconds since 1970-01-01 UTC.
struct FileInfo {
  // kAttr* bits. POSIX: 32 for every regular file, 16 for a folder, | 1 when
  // the owner may not write, | 2 for a dot-name. Windows: the system's own
  // read-only, hidden, system, directory and archive bits, or kAttrNormal
  // when an entry has none of them (as the system itself reports it), so
  // that an existing entry never reads 0.
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::int64_t creation_ns = 0;
  std::int64_t access_ns = 0;
  std::int64_t write_ns = 0;
};

// Maps `path` onto the file system (see above): the system's own form of the
// path. Returns false when the path can name nothing here (empty; on POSIX a
// drive prefix); `native` then holds nothing useful. A trailing separator is
// kept (as "/" on POSIX, "\" on Windows). On Windows only the last component
// of an existing entry is given the name the system gives it (its own case).
bool ResolvePath(std::string_view path, std::string* native);

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
// Sets or clears the read-only attribute (on POSIX the write permission bits).
Status SetReadOnly(std::string_view path, bool read_only);
// Gives an existing file or folder the attribute bits of `attributes` that
// the platform keeps: on POSIX only kAttrReadOnly (the write permission bits,
// touched only when the mark changes; hidden and system are accepted and
// change nothing); on Windows read-only, hidden, system and archive as given.
Status SetAttributes(std::string_view path, std::uint32_t attributes);
// Sets the access and last-write times (nanoseconds since 1970 UTC), and the
// creation time where one is given and the platform keeps it (Windows; POSIX
// keeps no settable creation time: it is accepted and ignored).
Status SetTimes(std::string_view path, std::int64_t access_ns, std::int64_t write_ns,
                const std::int64_t* creation_ns = nullptr);

// Where `path` leads on disk, every symbolic link (reparse point) and "." or
// ".." resolved (realpath; GetFinalPathNameByHandleW), for telling whether it
// lies inside a folder: ENOENT when it leads nowhere.
Status CanonicalPath(std::string_view path, std::string* canonical);
// True when the canonical path `canonical` is `folder` (canonical too) or
// lies below it; on Windows compared without regard to case.
bool IsSameOrInside(std::string_view canonical, std::string_view folder);

// The short (8.3) form of the path of an existing entry (GetShortPathNameW);
// "" where the volume keeps no short names, and always on POSIX.
std::string ShortPathName(std::string_view path);

// The process's current directory in the system's form (a POSIX path; on
// Windows "C:\..." or "\\server\share\...").
std::string CurrentDirectory();
// The folder holding the running executable.
std::string ExecutableFolder();

// The separator of the system's own paths.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A path as the program's messages show it. On POSIX each "\" becomes "/",
// and the part of it that this run has found on disk is written as it is
// there (its letter case: "Triggers" for "\TRIGGERS"; a name that is not
// UTF-8 as its Windows-1252 reading), so that it can be typed into a shell;
// the rest (a missing file's name) stays as the program built it. Only what
// the run's own lookups found is used: showing a path costs no system call.
// On Windows the path is shown as the program built it.
std::string PathAsShown(std::string_view path);

// Drops every cached listing (a new run starts from what is on disk).
void ForgetListings();

// What a replacement does with a symbolic link found where the file goes.
enum class LinkAtTarget : std::uint8_t {
  // The link itself is replaced by the new file; what it led to is never
  // touched. Every output of a run: a link placed at an output's name by
  // someone else must not turn the run against another file.
  kReplace,
  // The link is followed (to any depth) and the file it leads to is
  // replaced, the link staying a link. On POSIX only through links that the
  // kernel's protected_symlinks rule would follow: each belongs to the
  // effective user or to the owner of the folder it sits in; any other
  // fails with kForeignLink. On Windows, where making a symbolic link takes
  // a privilege of its own, every symbolic link is followed. For files users
  // link on purpose (the file list), which are read under the same rule
  // (File::OpenAsReplaced).
  kFollowTrusted,
};

// What a replacement (AtomicFile) found in the file it replaced, for the
// lines that tell the user.
struct Replaced {
  bool other_links = false;  // AtomicFile::replaced_other_links
  std::string other_owner;   // AtomicFile::replaced_other_owner
};

Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced = nullptr);

class File;

namespace detail {
struct Listing;
}

// What the system hands out for an open file or folder, kept as a number the
// core need not understand: a descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kNoHandle = -1;  // also INVALID_HANDLE_VALUE

// A folder opened for reading its files by name: its listing (the cached one,
// in listing order) and the open folder that entries are opened through, so
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
  bool is_open() const { return handle_ != kNoHandle; }
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
  NativeHandle handle_ = kNoHandle;
  std::string native_path_;  // the folder in the system's form, for Windows' opens by name
  std::shared_ptr<const detail::Listing> listing_;
};

// Which file an open file is, whatever path named it: on POSIX the device
// and inode, on Windows the volume serial number and the file index.
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

// What a path names as the place of a whole output that the user names (a
// report), told without opening it (the open of a FIFO waits for a reader).
enum class OutputKind : std::uint8_t {
  // Written as a file, replaced atomically (AtomicFile): a regular file,
  // nothing yet, and whatever else the rest of this list leaves out. A link
  // at the name that the protected_symlinks rule would not follow counts as
  // nothing: it is replaced.
  kFile,
  // Written as a stream, where it is, never replaced: "-" (standard output);
  // on POSIX an open descriptor named as /dev/stdout, /dev/stderr,
  // /dev/fd/N or /proc/self/fd/N, a character device (a terminal,
  // /dev/null) or a FIFO, through links the rule follows; on Windows "NUL"
  // and "CON".
  kStream,
  kFolder,       // a folder
  kBlockDevice,  // a block device (POSIX), written neither way
};
OutputKind KindOfOutput(std::string_view path);

// Opens for writing the stream that `path` names (OutputKind::kStream): a
// descriptor named (standard output for "-") is written as it is, sharing
// its offset, never reopened or truncated; a FIFO's open waits for its reader
// as a shell's redirection does. `*kind` tells what `path` names; `*out` is
// opened only for kStream. A block device fails with kBlockDevice.
Status OpenOutputStream(std::string_view path, File* out, OutputKind* kind);

// The identity of the regular file `path` names and its number of names
// (hard links); links are followed, but for a link at the name itself where
// `follow_link_at_name` is false (a link there reads as no regular file).
// kNotRegularFile for anything else. A descriptor named as such (see
// OutputKind::kStream) gives the file behind it.
Status GetFileIdentity(std::string_view path, FileIdentity* identity, std::uint64_t* links,
                       bool follow_link_at_name = true);

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
  // Opens the regular file `path` for reading (as kRead) the way
  // AtomicFile::Create(`path`, `links`) reaches it, so that a file read and
  // replaced by a run is read under the rule it is written under: on POSIX
  // its folder one component at a time (never through another user's link in
  // a folder not theirs: kForeignLink), a link at its name followed as
  // `links` says and the file then opened without following one. With
  // kReplace a link at the name reads as a missing file (ENOENT). On Windows
  // kFollowTrusted follows every link (as File::Open does).
  static Status OpenAsReplaced(std::string_view path, LinkAtTarget links, File* out);

  bool is_open() const { return handle_ != kNoHandle; }
  // Reads up to `size` bytes; `*got` is 0 at the end of the file.
  Status Read(void* buffer, std::size_t size, std::size_t* got);
  // Writes all `size` bytes.
  Status Write(const void* data, std::size_t size);
  Status Seek(std::int64_t offset);  // from the start
  std::int64_t Position() const;
  std::int64_t Size() const;
  // Cuts or extends the file to `size` bytes; the position does not move.
  Status Truncate(std::int64_t size);
  // The identity of the open file; false when not open.
  bool Identity(FileIdentity* id) const;
  // The stamp of the open file; false when not open or the system fails.
  bool Stamp(FileStamp* stamp) const;
  // Where the open file lies on disk, every link and "." or ".." resolved.
  Status CanonicalPath(std::string* canonical) const;
  Status Close();

 private:
  friend Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced);
  friend Status OpenOutputStream(std::string_view path, File* out, OutputKind* kind);
  friend class ListedFolder;
  NativeHandle handle_ = kNoHandle;
  bool append_ = false;  // kAppend where the system has no append mode of its own
};

// Writes a file so that a failure never leaves it half-written: the data goes
// to a temporary file beside the target (TemporaryName), which Commit renames
// over the target. Dropping the writer without Commit removes the temporary
// file and leaves the target as it was.
// On POSIX the target's folder is reached one component at a time, never
// through a symbolic link that another user placed in a folder not theirs
// (kForeignLink), and every later step (the temporary file's exclusive
// creation, the rename, the clean-up) works inside that folder as it was
// opened, so a component swapped meanwhile changes nothing. Run as root
// (effective user 0), it writes only where no other user decides what names
// mean: every folder the walk opens, from the first (the root or the current
// folder) to the target's own, belongs to root; any other fails
// with kForeignFolder before anything is created. On Windows the temporary is
// created exclusively (CREATE_NEW) beside the target. A link (on Windows a
// reparse point) at the target's own name is handled as `links` says.
// Only a regular file is replaced: a folder at the name fails with EISDIR, a
// FIFO, device or socket with kNotRegularFile, and stays. A read-only file is
// not replaced (EACCES), as on Windows.
// A file of the user running the program keeps its permission bits (never
// its set-user-ID, set-group-ID or sticky bit), owner and group (the group
// as far as the process may give it); on Windows its attributes and security
// descriptor (ReplaceFileW). A file of another user hands nothing on: the new
// file is the runner's, with the permission bits a new file gets (0666 less
// the umask), on Windows with the folder's inherited permissions (a move over
// the old file, not ReplaceFileW); replaced_other_owner tells. A target with
// more than one hard link is replaced like any other: its other names keep
// the old content (replaced_other_links tells), since a copy in place could
// be torn by a kill.
// The temporary file in progress is known to the handler of
// InstallSignalCleanup.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  Status Create(std::string_view target, LinkAtTarget links = LinkAtTarget::kReplace);
  Status Write(const void* data, std::size_t size);
  // With `durable`, the data reaches the disk (fsync; FlushFileBuffers)
  // before the rename, and the rename before Commit returns (fsync of the
  // folder; on Windows the replaced file flushed again, its metadata with it;
  // when only that fails, the target is already new). With `unchanged_since`, the target is
  // replaced only while it is still the file of that stamp (taken when it was
  // read; all zero for a file that was missing, which must be missing still):
  // one that another program replaced, wrote or created meanwhile is kept and
  // the result is kChangedMeanwhile. The test and the replacement are one
  // atomic exchange where the file system offers it (the replaced file is
  // checked after the exchange, which is undone when it was not the one
  // read); elsewhere the test comes right before the rename. Windows has no
  // exchange: the test comes right before ReplaceFileW, which moves the
  // replaced file to a temporary name, where it is checked again; the
  // replacement is undone when it was not the one read. On failure the
  // temporary file is gone and the target unchanged.
  Status Commit(bool durable = false, const FileStamp* unchanged_since = nullptr);
  void Abort();
  bool is_open() const { return handle_ != kNoHandle; }
  // Gives the new file these permission bits instead of the existing
  // target's (or the default ones); call after Create. On Windows only the
  // owner's write bit counts: without it the new file is read-only.
  Status SetMode(std::uint32_t mode);
  // Gives the new file the attribute bits of `attributes` that the platform
  // keeps (see platform::SetAttributes) instead of the existing target's;
  // call after Create. On POSIX only the read-only mark counts: it takes the
  // write permission bits.
  Status SetAttributes(std::uint32_t attributes);
  // Sets the new file's access and last-write times (see SetTimes).
  Status SetTimes(std::int64_t access_ns, std::int64_t write_ns);
  // After a Commit: the replaced target had other hard links, which still
  // hold the old content.
  bool replaced_other_links() const { return replaced_other_links_; }
  // After a Commit: the account name of the replaced target's owner (its
  // number, on Windows its SID, where it has none) when that was another user
  // than the one running the program; empty otherwise.
  const std::string& replaced_other_owner() const { return replaced_other_owner_; }

 private:
  friend Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced);
  NativeHandle handle_ = kNoHandle;
  NativeHandle folder_ = kNoHandle;  // the target's folder, as Create opened it (POSIX)
  int slot_ = -1;                    // in the interruption handler's table
  bool other_links_ = false;
  bool replaced_other_links_ = false;
  std::string other_owner_;  // of the target Create found
  std::string replaced_other_owner_;
  std::string target_;  // as the caller named it
  std::string temp_name_;
  std::string target_name_;
  std::string target_path_;  // for the listing cache
#ifdef _WIN32
  std::uint32_t own_attributes_ = 0;  // given instead of the target's (0 = none)
#endif
};

// How ReplaceFile replaces.
struct ReplaceOptions {
  LinkAtTarget links = LinkAtTarget::kReplace;
  // The stamp of the target when it was read (see AtomicFile::Commit).
  const FileStamp* unchanged_since = nullptr;
};

// Replaces the file `path` by `bytes` durably (AtomicFile with `durable`).
// `*replaced` (when given) tells what the replaced file had (see AtomicFile).
Status ReplaceFile(std::string_view path, std::string_view bytes,
                   const ReplaceOptions& options = {}, Replaced* replaced = nullptr);

// What AtomicFile::Create(`target`, `links`) would fail with, found without
// creating anything: the target's folder cannot be reached (ENOENT when it is
// missing, kForeignLink, kForeignFolder, ...), or a folder (EISDIR), a FIFO,
// device or socket (kNotRegularFile) or a read-only file (EACCES) stands at
// its name. For runs that only check.
Status CheckReplaceable(std::string_view target, LinkAtTarget links = LinkAtTarget::kReplace);

// Reads the whole of the output file `path` into `*bytes` the way AtomicFile
// reaches it (File::OpenAsReplaced with kReplace): a symbolic link at its
// name reads as a missing file (ENOENT), since the next replacement puts a
// file of its own in its place. Only a regular file is read (kNotRegularFile
// otherwise).
Status ReadOutputFile(std::string_view path, std::string* bytes);

// Copies the regular file `from` to `to` through a temporary file renamed
// over `to` (not flushed to disk: see ReplaceFile for that): contents, permission bits and
// last-write time, as CopyFile does. An existing `to` is replaced as AtomicFile
// replaces (a read-only one fails with EACCES; a link at `to` is replaced, never
// followed); `*replaced` (when given) tells what it had. A failure is told as
// reading `from` (kReadFile) or writing `to` (kWriteFile); `to` then is as it was.
Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced);

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
// of the effective user (on Windows: owned by the user's SID, or by the owner
// the process gives its new files) named TemporaryName(target's name, ...),
// the name compared without regard to case. Nothing else is touched: another
// user's file, or one of another name, stays. A missing folder holds none.
Status RemoveLeftoverTemporaries(std::string_view path,
                                 LinkAtTarget links = LinkAtTarget::kReplace);

// Who stands in the way of a FolderLock, as far as the system tells; empty
// texts where it does not.
struct LockHolder {
  // What stands at the lock file's name when it is no lock file of this
  // user's (kForeignLockFile).
  enum class Found : std::uint8_t { kNothing, kFile, kLink, kFolder, kFifo, kOther };
  // The process that holds the lock (EWOULDBLOCK): its number.
  std::string process;
  // The account of that process (EWOULDBLOCK), or the owner of what stands
  // at the lock file's name (kForeignLockFile): its name, or its number where
  // the account has no name.
  std::string user;
  Found found = Found::kNothing;
};

// An exclusive lock on a folder that only writers can take, held until the
// object is destroyed or Release is called (also when the process dies):
// the file kLockFileName in the folder, which no other user can open.
// POSIX: created by the runner with mode 0600 and locked with flock; taken
// only when it is a regular file of one name that belongs to the effective
// user or to root (one that a killed run left is taken over); deleted on
// release while still held. A reader of the folder can take no part in it.
// Windows: opened without sharing and deleted on close, which the file
// server also keeps from other machines on a network share; taken only when
// no reparse point or folder stands at its name and the file belongs to the
// user (or to the owner the process gives its new files).
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  // Takes the lock of `folder`, waiting up to `wait_ms` milliseconds while
  // another holds it (0: not at all). EWOULDBLOCK: another holder has it
  // still; `*holder` (when given) then names the holder where the system
  // tells (on Linux from /proc/locks). kForeignLockFile: something else
  // stands at the lock file's name (another user's file, a link, a FIFO, a
  // folder...), which is left as it is; `*holder` tells what and whose.
  // Other failures: the folder cannot be reached or the lock file not made
  // (ENOENT, ENOTDIR, EACCES, kForeignLink...).
  Status Acquire(std::string_view folder, LockHolder* holder = nullptr, std::int64_t wait_ms = 0);
  void Release();
  bool held() const { return handle_ != kNoHandle; }

 private:
  NativeHandle handle_ = kNoHandle;
  NativeHandle folder_ = kNoHandle;  // POSIX: the folder the lock file is deleted from
  std::string lock_path_;            // the lock file, for the listing cache
};

// The name of FolderLock's lock file (hidden; gone when released).
inline constexpr char kLockFileName[] = ".vktgera.lock";

// Makes an interruption delete the temporary files in progress and end the
// process. POSIX: SIGINT, SIGTERM and SIGHUP, exit status 128 + the signal
// number. Windows: Ctrl+C, Ctrl+Break and closing the console (console
// control handler), exit status 0xC000013A, Windows' own for an interrupted
// console program. For programs (not libraries) whose run may be interrupted.
void InstallSignalCleanup();

// Makes the interruption of InstallSignalCleanup, once the temporaries are
// gone, empty the terminal line of stderr (as RewriteTerminalLine of
// console.h does) and write `notice` on a line of its own there; "" stops
// that. The bytes are made ready here, so that the handler only writes
// them. For a front end that draws on stderr's terminal line; the caller
// knows stderr is a terminal. A longer notice is cut to kInterruptNoticeMax
// bytes.
inline constexpr std::size_t kInterruptNoticeMax = 250;
void SetInterruptNotice(std::string_view notice);

// Makes a write to a pipe whose reader has gone fail with EPIPE instead of
// ending the process (SIGPIPE is ignored, and so in programs it starts). For
// programs whose run must reach its end whatever becomes of their output.
// Windows has no such signal: the write fails by itself (ERROR_NO_DATA,
// ERROR_BROKEN_PIPE, told as EPIPE), and this does nothing.
void IgnoreBrokenPipe();

// Makes a write beyond the file-size limit (`ulimit -f`) fail with EFBIG
// ("File too large") instead of ending the process without a word (SIGXFSZ
// is ignored). For programs whose failed writes must become message lines.
// Windows has no such limit, and this does nothing.
void IgnoreFileSizeLimit();

}  // namespace vkt::platform

// The fault seam every changing call of this layer goes through.
#include "fs/platform/fault_seam.h"  // IWYU pragma: export
