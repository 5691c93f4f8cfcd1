// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vkt::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder's POSIX path (no trailing slash).
  const std::string& path() const { return path_; }
  // path() + "/" + relative.
  std::string operator/(std::string_view relative) const;

  // Writes `bytes` to `relative`, creating the folders on the way.
  void Write(std::string_view relative, std::string_view bytes) const;
  void MakeDir(std::string_view relative) const;
  // The bytes of `relative`; empty when it cannot be read.
  std::string Read(std::string_view relative) const;
  bool Exists(std::string_view relative) const;

 private:
  std::string path_;
};

// Reads a whole file by POSIX path ("" when missing).
std::string ReadFileBytes(const std::string& posix_path);

// Takes the write permission from owner, group and others, as the
// read-only mark does.
void MakeReadOnly(const std::string& posix_path);
bool OwnerCanWrite(const std::string& posix_path);

// The names of the entries (files and folders) in a folder, sorted; empty
// when it cannot be listed.
std::vector<std::string> FolderNames(const std::string& posix_folder);

// Every file below a folder, at any depth: its path relative to the folder
// ("a/b.sql") and its bytes.
std::map<std::string, std::string> FilesBelow(const std::string& posix_folder);

#ifdef _WIN32
// The name of the user the calling thread acts as (GetUserNameW).
std::string ThreadUserName();
#endif

}  // namespace vkt::testing
