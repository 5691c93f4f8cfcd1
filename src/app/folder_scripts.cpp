#include "app/folder_scripts.h"

#include "app/release_checks.h"

namespace vkt::app {
namespace {

// True when `file_name` is one entry of a folder, which the folder's listing
// can settle: no wildcard (such a name is taken literally, by path), no
// separator, not "." or "..".
bool NamesFolderEntry(std::string_view file_name) {
  for (char c : file_name) {
    if (c == '*' || c == '?' || c == '\\' || c == '/') return false;
  }
  return file_name != "." && file_name != "..";
}

}  // namespace

std::size_t FolderScripts::Locate(std::string_view file_name, const std::string& upper_name) const {
  if (!listed_.is_open() || !NamesFolderEntry(file_name)) return kByPath;
  return listed_.Find(file_name, upper_name);
}

bool FolderScripts::Sees(std::string_view file_name, std::size_t place) const {
  if (place == platform::ListedFolder::kNone) return false;
  if (place != kByPath) {
    const platform::Entry& entry = listed_.entry(place);
    if (entry.type == platform::EntryType::kDirectory) return false;
    if (entry.type == platform::EntryType::kRegular) return entry.name.front() != '.';
  }
  return RunSeesFile(PathOf(file_name));
}

std::vector<std::pair<std::string, std::string>> FolderScripts::CaseTwins(
    std::string_view extension) const {
  std::vector<std::pair<std::string, std::string>> twins;
  const std::vector<std::size_t> files = listed_.Matching("*" + std::string(extension));
  for (std::size_t k = 1; k < files.size(); ++k) {
    const std::size_t first = files[k - 1], twin = files[k];
    if (listed_.entry(first).is_directory || listed_.entry(twin).is_directory ||
        listed_.upper(first) != listed_.upper(twin)) {
      continue;
    }
    std::size_t k0 = k - 1;  // the first of a run of equal names
    while (k0 > 0 && listed_.upper(files[k0 - 1]) == listed_.upper(twin)) --k0;
    twins.emplace_back(listed_.entry(files[k0]).name, listed_.entry(twin).name);
  }
  return twins;
}

}  // namespace vkt::app
