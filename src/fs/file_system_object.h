// `FileSystemObject`: the program's own class of file and folder operations.
//
// Conventions of every method:
//  - Paths are Windows paths ("\" or "/" separators); the platform layer
//    (fs/platform) resolves them on POSIX without regard to case, and hands
//    them to Windows as they are.
//  - Lists come back with element 0 empty and the results in elements 1..N, in
//    listing order (NTFS order: upper-cased names, ordinal).
//  - Success is told by the result (true/false, 0, the empty string). Nothing
//    throws; where the original raised a run-time error to the caller, the
//    method returns an empty optional or false instead, as its comment says.
//  - "Arrays of lines" (GetLines, SetLines) are zero-based with element 0 the
//    first line; an empty vector stands for an unallocated array.
//  - The desktop an object reaches (yielding in long loops, the folder picker,
//    file icons) is the one it was made with; a default-made object has the
//    do-nothing services: it never yields, its picker cancels and it finds no
//    icons.
//
// The methods are implemented in one source file per group:
//   enumeration.cpp  EnumFiles, EnumTypeFiles, EnumSubFolders, FileExists,
//                    PathExists and the private helpers
//   paths.cpp        CleanPath ... DeletePath
//   attributes.cpp   GetFileAttributes ... GetFileSize
//   reader.cpp       OpenFile, CloseFile, MoveNext, RecordCount, FolderBrowse
//   file_ops.cpp     DeleteFile ... CopyFiles, Grava_Log
//   records.cpp      BStringOut ... BStringInW
//   names.cpp        FindString, GetUniqueFilename, GetNewFilename
//   documents.cpp    GetLines, SetLines, SetLinesFromText
//   icons.cpp        GetIconIndex, GetFileIcon
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fs/secret_text.h"
#include "services/desktop.h"

namespace vkt::fs {

// The class's calendar date-time: an OLE Automation date (days since
// 30 December 1899 00:00, local time, the time of day as the fraction).
using OleDate = double;

struct Picture;  // fs/icons.h

class FileSystemObject {
 public:
  FileSystemObject() = default;
  // An object that yields to `desktop.loop`, picks folders with
  // `desktop.picker` and takes icons from `desktop.icons` (null members: the
  // do-nothing services).
  explicit FileSystemObject(const DesktopServices& desktop) : desktop_(WithDefaults(desktop)) {}
  virtual ~FileSystemObject() = default;
  FileSystemObject(const FileSystemObject&) = default;
  FileSystemObject& operator=(const FileSystemObject&) = default;

  // ---- sequential text reader and folder browser ----
  // Opens `Filename`: `Mode` 1 for reading lines (the file must exist), any
  // other value for writing text (created or emptied). Returns the file
  // number (1..255, lowest free first), 0 when nothing was opened.
  std::int16_t OpenFile(const std::string& Filename, const std::int16_t& Mode);
  // Closes file `iFile`; always 0.
  std::int16_t CloseFile(std::int16_t iFile);
  // The next line of file `iFile`, without its terminator; empty optional when
  // reading past the end or from a number not open for reading.
  std::optional<std::string> MoveNext(std::int16_t iFile);
  // Number of lines of `Filename`; 0 when missing or unreadable.
  std::int32_t RecordCount(const std::string& Filename);
  // The folder picker; the chosen folder absolute and cleaned, or "" on cancel.
  std::string FolderBrowse(std::int32_t hwnd, const std::string& Title = "Browse for Folder",
                           const std::string& InitialDirectory = "");

  // ---- path-name utilities and directory trees ----
  // (Text operations take "/" as they take "\"; tree operations take the root
  // "/" as a drive root.)
  // Removes extra separators: one after "X:", a trailing one (or two), and the
  // second of each doubled pair after the first two characters (a network
  // path keeps its leading pair). Also stores the result into `Path`.
  std::string CleanPath(std::string& Path);
  // The process's current directory (the system's form).
  std::string CurrentDirectory();
  // `Filename` made absolute against the current directory, "." and ".."
  // applied to the text (nothing need exist), "/" separators on POSIX, "\" on
  // Windows; a name with a drive prefix keeps its "\" form. "" for "".
  std::string GetAbsolutePathname(const std::string& Filename);
  // The folder part of `Filename`; empty optional for "no value". With
  // `AssumeIsFile`: the text up to its last separator, included (no value
  // without one). Otherwise an existing folder is returned as given, and
  // anything else gives the absolute folder holding it, ending with a
  // separator ("/" on POSIX, "\" on Windows).
  std::optional<std::string> ExtractPath(const std::string& Filename, bool AssumeIsFile = false);
  // The text after the last separator (the name itself without one).
  std::string GetFilename(const std::string& Filename);
  // The short (8.3) path of an existing entry; "" where the volume keeps no
  // short names, and always on POSIX.
  std::string GetShortFilename(const std::string& Filename);
  // The name without its extension, with or without its folder (the rules of
  // the original, quirks included: a name without a dot loses its folder).
  std::string Barename(const std::string& pathName, bool KeepPath = true);
  // Creates every missing folder of `Path`, parents first. Returns false when
  // a folder could not be created (the folders made before it stay).
  bool CreatePath(const std::string& Path);
  // Copies the tree `Path` into `PathDest` (subfolders first, existing files
  // replaced except ".ini" files). The result tells only whether the top
  // folder's own files were copied; false for an empty name.
  bool CopyPath(const std::string& Path, const std::string& PathDest);
  // Deletes the tree `Path`, read-only and hidden files included, ignoring
  // every failure. A linked folder inside is unlinked, not entered; an empty
  // name does nothing.
  void DeletePath(const std::string& Path);

  // ---- enumeration ----
  // The bare names of the files (not folders) that `SearchExpression` names,
  // taken as given (no wildcard added); hidden and read-only files included.
  std::vector<std::string> EnumFiles(const std::string& SearchExpression);
  // Appends to `Vetor` every file under `sRoot` matching the ";"-separated
  // patterns `sFileNameExt` (full paths or bare names), recursing into folders
  // not named with a leading "." when `bRecurse`; yields after every entry.
  // `bLimpaVetor`, or a `Vetor` never started, starts a fresh list. Returns a
  // copy of `Vetor`.
  std::vector<std::string> EnumTypeFiles(std::string sRoot, const std::string& sFileNameExt,
                                         bool bPathCompleto, bool bRecurse, bool bLimpaVetor);
  // The folders `SearchExpression` names, without "." and "..".
  std::vector<std::string> EnumSubFolders(const std::string& SearchExpression);
  // True when `Filename` (wildcards allowed) names a file that is not hidden
  // (POSIX: a dot-name; Windows: the hidden attribute).
  bool FileExists(const std::string& Filename);
  // True when `Path` names a folder; one trailing separator is ignored, and
  // the root "/" (or "\") counts when it has entries.
  bool PathExists(const std::string& Path);

  // ---- attributes, times and size ----
  // The attribute word of the first entry `Filename` (wildcards allowed)
  // names; 0 when nothing is found. POSIX: 16 folder, 32 file, | 1 owner may
  // not write, | 2 dot-name. Windows: the system's read-only, hidden, system,
  // directory and archive bits (128 when none is set).
  std::int32_t GetFileAttributes(const std::string& Filename);
  // Sets the read-only mark of an existing file (not a folder) from bit 1;
  // on POSIX bits 2 and 4 are accepted and change nothing, on Windows they
  // set hidden and system, and 32 archive. Nonzero on success, 0 for a
  // folder, a missing file or a refusal.
  std::int32_t SetFileAttributes(const std::string& Filename, std::int32_t Attributes);
  // The last-write time of the first entry `Filename` names (folders too), in
  // local time to the second; the out-arguments that are given receive the
  // three times. 0 with the out-arguments untouched when nothing is found.
  OleDate GetFileTime(const std::string& Filename, OleDate* CreationTime = nullptr,
                      OleDate* LastAccessTime = nullptr, OleDate* LastWriteTime = nullptr);
  // Sets the access and last-write times (whole seconds) of an existing,
  // writable file, and on Windows its creation time (POSIX keeps no
  // settable creation time: it is ignored there).
  // Nothing changes for a folder, a read-only or missing file, or a value
  // that is no date.
  void SetFileTime(const std::string& Filename, OleDate CreationTime, OleDate LastAccessTime,
                   OleDate LastWriteTime);
  // The size of a readable file: the low 32 bits as the (signed) result, the
  // high 32 bits into `lpSizeHigh`. 0 with `lpSizeHigh` untouched otherwise.
  std::int32_t GetFileSize(const std::string& Filename, std::int32_t& lpSizeHigh);

  // ---- file operations ----
  // The copies follow the ".ini" rule: when the source name contains ".ini"
  // (any case) and the destination file exists, nothing is copied or
  // reported and the result is true.
  // Reports to the hook, then deletes; false for a read-only file or a folder.
  bool DeleteFile(const std::string& Filename);
  // Copies contents, permission bits and last-write time; an existing
  // destination is replaced unless `FailIfExists`.
  bool CopyFile(const std::string& Filename, const std::string& Destination,
                bool FailIfExists = false);
  // The copy made as another account: the password is checked through PAM
  // (service "vktgerainstallbd", else the system's "other" rules), then the
  // copy runs with the account's user, group and groups and the process's own
  // identity is restored on every path. A domain other than "", "." or this
  // host's name makes the account "user@domain". The account is reported only
  // to the hook, as its failure messages say; such a message quotes the
  // password and is wiped once the hook returns.
  bool CopyFileAS(const std::string& Filename, const std::string& Destination,
                  const std::string& WinDomain, const std::string& WinUser,
                  const std::string& WinPassword, bool FailIfExists);
  // Moves or renames; false (and reported) when the destination exists.
  bool MoveFile(const std::string& Filename, const std::string& Destination);
  // Deletes the files of folder `Path` matching each pattern in turn, their
  // read-only mark cleared first; failures are skipped.
  void DeleteFiles(const std::string& Path, const std::vector<std::string>& Params);
  // Copies the files of `Path` matching each pattern in turn into
  // `Destination`, clearing the read-only mark on both sides first, yielding
  // after each file. False at the first failed copy (the earlier copies
  // stay), or for an empty folder name; true otherwise.
  bool CopyFiles(const std::string& Path, const std::string& Destination, bool FailIfExists,
                 const std::vector<std::string>& Params);
  // The logging hook: records nothing. Called with the message, the
  // executable's name, the operation's name, an error flag and false.
  // Virtual so that tests can watch it.
  virtual void Grava_Log(const std::string& a = "", const std::string& b = "",
                         const std::string& c = "", bool d = false, bool e = false);

  // ---- length-prefixed string records (file numbers opened for bytes) ----
  // Each returns false (writers) or an empty optional (readers) where the
  // original raised a run-time error: a number not open, a damaged count.
  bool BStringOut(std::int16_t hFile, const std::string& sData);
  bool BStringOutW(std::int16_t hFile, const std::string& sData);
  std::optional<std::string> BStringIn(std::int16_t hFile);
  std::optional<std::string> BStringInW(std::int16_t hFile);

  // ---- name utilities ----
  bool FindString(const std::vector<std::string>& Strings, const std::string& Match,
                  bool IgnoreCase = false);
  std::string GetUniqueFilename(const std::string& Prefix, const std::string& Path = "",
                                bool Reset = false);
  std::string GetNewFilename(const std::string& Prefix, const std::string& Suffix = "doc",
                             const std::string& Path = "", bool Reset = false);

  // ---- text documents ----
  std::vector<std::string> GetLines(const std::string& Filename, std::int32_t& UnixLineTerm,
                                    bool& NoReturnLastLine);
  void SetLinesFromText(const std::string& data, const std::string& Filename,
                        bool NoReturnLastLine);
  void SetLines(const std::vector<std::string>& data, const std::string& Filename,
                bool UnixLineTerm, bool NoCrLf, const bool& NoReturnLastLine);

  // ---- icons ----
  std::int32_t GetIconIndex(const std::string& lpFileName, bool fSmall,
                            std::int32_t* hIml = nullptr);
  std::shared_ptr<Picture> GetFileIcon(const std::string& lpFileName, bool fSmall = false);

  // ---- properties (stored only) ----
  // The password's storage is wiped when it is replaced and when the object
  // goes (fs/secret_text.h); a caller's own copies are the caller's.
  const std::string& WinDomain() const { return WinDomain_; }
  void WinDomain(const std::string& value) { WinDomain_ = value; }
  const std::string& WinUser() const { return WinUser_; }
  void WinUser(const std::string& value) { WinUser_ = value; }
  const std::string& WinPassword() const { return WinPassword_.str(); }
  void WinPassword(const std::string& value) { WinPassword_.Assign(value); }

  // Name-generator counters (0 = not yet seeded).
  std::int32_t TempCounter() const { return TempCounter_; }
  std::int32_t SerialCounter() const { return SerialCounter_; }

 private:
  friend class FileSystemObjectPeer;  // tests

  // The text up to its first NUL character.
  static std::string StripNulls(const std::string& text);
  // `name` against a ";"-separated list of patterns ("*", "?", no case).
  static bool MatchSpec(const std::string& name, const std::string& spec);
  // `path` with "\" appended unless it already ends with one.
  static std::string AddBackslash(const std::string& path);

  DesktopServices desktop_ = QuietServices();
  std::string WinDomain_;
  std::string WinUser_;
  SecretText WinPassword_;         // wiped when replaced and when the object goes
  std::vector<std::string> Vetor;  // empty = not allocated
  std::int32_t TempCounter_ = 0;
  std::int32_t SerialCounter_ = 0;
};

}  // namespace vkt::fs
