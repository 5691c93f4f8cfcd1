// `FileSystemObject`: the program's own class of file and folder operations.
//
// Conventions of every method:
//  - Paths are Windows paths ("\" or "/" separators); the platform layer
//    (fs/platform) resolves them on this file system without regard to case.
//  - Lists come back with element 0 empty and the results in elements 1..N, in
//    listing order (NTFS order: upper-cased names, ordinal).
//  - Success is told by the result (true/false, 0, the empty string). Nothing
//    throws; where the original raised a run-time error to the caller, the
//    method returns an empty optional or false instead, as its comment says.
//  - "Arrays of lines" (GetLines, SetLines) are zero-based with element 0 the
//    first line; an empty vector stands for an unallocated array.
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

namespace vkt::fs {

// The class's calendar date-time: an OLE Automation date (days since
// 30 December 1899 00:00, local time, the time of day as the fraction).
using OleDate = double;

struct Picture;  // fs/icons.h

class FileSystemObject {
 public:
  FileSystemObject() = default;
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
  // Removes extra backslashes; also stores the result into `Path`.
  std::string CleanPath(std::string& Path);
  std::string CurrentDirectory();
  std::string GetAbsolutePathname(const std::string& Filename);
  // The folder part of `Filename`; empty optional for "no value".
  std::optional<std::string> ExtractPath(const std::string& Filename, bool AssumeIsFile = false);
  std::string GetFilename(const std::string& Filename);
  std::string GetShortFilename(const std::string& Filename);
  std::string Barename(const std::string& pathName, bool KeepPath = true);
  // Creates every missing folder of `Path`, parents first. Returns false when
  // a folder could not be created (the folders made before it stay).
  bool CreatePath(const std::string& Path);
  bool CopyPath(const std::string& Path, const std::string& PathDest);
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
  // True when `Filename` (wildcards allowed) names a file that is not hidden.
  bool FileExists(const std::string& Filename);
  // True when `Path` names a folder; one trailing separator is ignored, and
  // the root "/" (or "\") counts when it has entries.
  bool PathExists(const std::string& Path);

  // ---- attributes, times and size ----
  std::int32_t GetFileAttributes(const std::string& Filename);
  std::int32_t SetFileAttributes(const std::string& Filename, std::int32_t Attributes);
  OleDate GetFileTime(const std::string& Filename, OleDate* CreationTime = nullptr,
                      OleDate* LastAccessTime = nullptr, OleDate* LastWriteTime = nullptr);
  void SetFileTime(const std::string& Filename, OleDate CreationTime, OleDate LastAccessTime,
                   OleDate LastWriteTime);
  std::int32_t GetFileSize(const std::string& Filename, std::int32_t& lpSizeHigh);

  // ---- file operations ----
  bool DeleteFile(const std::string& Filename);
  bool CopyFile(const std::string& Filename, const std::string& Destination,
                bool FailIfExists = false);
  bool CopyFileAS(const std::string& Filename, const std::string& Destination,
                  const std::string& WinDomain, const std::string& WinUser,
                  const std::string& WinPassword, bool FailIfExists);
  bool MoveFile(const std::string& Filename, const std::string& Destination);
  void DeleteFiles(const std::string& Path, const std::vector<std::string>& Params);
  bool CopyFiles(const std::string& Path, const std::string& Destination, bool FailIfExists,
                 const std::vector<std::string>& Params);
  // The logging hook: records nothing. Virtual so that tests can watch it.
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
  const std::string& WinDomain() const { return WinDomain_; }
  void WinDomain(const std::string& value) { WinDomain_ = value; }
  const std::string& WinUser() const { return WinUser_; }
  void WinUser(const std::string& value) { WinUser_ = value; }
  const std::string& WinPassword() const { return WinPassword_; }
  void WinPassword(const std::string& value) { WinPassword_ = value; }

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

  std::string WinDomain_;
  std::string WinUser_;
  std::string WinPassword_;
  std::vector<std::string> Vetor;  // empty = not allocated
  std::int32_t TempCounter_ = 0;
  std::int32_t SerialCounter_ = 0;
};

}  // namespace vkt::fs
