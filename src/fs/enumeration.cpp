// Directory and file enumeration of `FileSystemObject`: EnumFiles,
// EnumTypeFiles, EnumSubFolders, FileExists, PathExists and their helpers.
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"

namespace vkt::fs {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A name beginning with "." (".", "..", ".git", ".svn") names a folder that
// is never entered.
bool IsHidden(const std::string& name) { return !name.empty() && name.front() == '.'; }

}  // namespace

std::string FileSystemObject::StripNulls(const std::string& text) {
  const size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

bool FileSystemObject::MatchSpec(const std::string& name, const std::string& spec) {
  size_t start = 0;
  for (;;) {
    size_t end = spec.find(';', start);
    if (end == std::string::npos) end = spec.size();
    size_t first = start;
    while (first < end && (spec[first] == ' ' || spec[first] == '\t')) ++first;
    // An empty pattern (as in "*.sql;") matches no name.
    if (first < end &&
        platform::MatchesPattern(name, std::string_view(spec).substr(first, end - first))) {
      return true;
    }
    if (end == spec.size()) return false;
    start = end + 1;
  }
}

std::string FileSystemObject::AddBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + "\\";
}

std::vector<std::string> FileSystemObject::EnumFiles(const std::string& SearchExpression) {
  std::vector<std::string> result{std::string()};
  for (const platform::Entry& entry : platform::FindEntries(SearchExpression)) {
    if (!entry.is_directory) result.push_back(StripNulls(entry.name));
  }
  return result;
}

std::vector<std::string> FileSystemObject::EnumSubFolders(const std::string& SearchExpression) {
  std::vector<std::string> result{std::string()};
  for (const platform::Entry& entry : platform::FindEntries(SearchExpression)) {
    if (!entry.is_directory) continue;
    std::string name = StripNulls(entry.name);
    if (name != "." && name != "..") result.push_back(std::move(name));
  }
  return result;
}

std::vector<std::string> FileSystemObject::EnumTypeFiles(std::string sRoot,
                                                         const std::string& sFileNameExt,
                                                         bool bPathCompleto, bool bRecurse,
                                                         bool bLimpaVetor) {
  // An accumulator that was never started is started here (the original
  // failed on the first match instead).
  if (bLimpaVetor || Vetor.empty()) Vetor.assign(1, std::string());
  sRoot = AddBackslash(sRoot);
  for (const platform::Entry& entry : platform::FindEntries(sRoot + "*.*")) {
    const std::string name = StripNulls(entry.name);
    if (entry.is_directory) {
      // Dot-named folders (".", "..", ".svn", ".git") are never entered.
      if (!IsHidden(name) && bRecurse) {
        EnumTypeFiles(sRoot + name + "\\", sFileNameExt, bPathCompleto, bRecurse, false);
      }
    } else if (MatchSpec(name, sFileNameExt)) {
      Vetor.push_back(bPathCompleto ? sRoot + name : name);
    }
    desktop_.loop->Yield();
  }
  return Vetor;
}

bool FileSystemObject::FileExists(const std::string& Filename) {
  // Hidden files do not count: the driver's existence test must not see them.
  for (const platform::Entry& entry : platform::FindEntries(Filename)) {
    if (!entry.is_directory && !entry.is_hidden) return true;
  }
  return false;
}

bool FileSystemObject::PathExists(const std::string& Path) {
  if (Path.empty()) return false;
  std::string search = Path;
  bool root = false;
  // The file-system root plays the drive root ("C:\", searched as such; drive
  // prefixes name nothing here): true when it has entries.
  const bool posix_root = search.size() == 1 && IsSeparator(search[0]);
  const bool drive_root = search.size() == 3 && search[1] == ':' && IsSeparator(search[2]);
  if (posix_root || drive_root) {
    search += "*.*";
    root = true;
  } else if (IsSeparator(search.back())) {
    search.pop_back();  // one trailing separator only
  }
  const std::vector<platform::Entry> entries = platform::FindEntries(search);
  if (entries.empty()) return false;
  if (root) return true;
  for (const platform::Entry& entry : entries) {
    if (entry.is_directory) return true;
  }
  return false;
}

}  // namespace vkt::fs
