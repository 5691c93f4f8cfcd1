// `FileSystemObject`: path-name utilities and directory trees.
//
// The text operations take "/" for a separator wherever the original takes
// "\"; on POSIX the tree operations take the root "/" where the original
// takes a drive root such as "C:\".
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/platform/file_system.h"

namespace vkt::fs {
namespace {

using internal::IsSeparator;

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Position just after the last separator of `text` (0 when it has none).
size_t AfterLastSeparator(std::string_view text) {
  size_t i = text.size();
  while (i > 0 && !IsSeparator(text[i - 1])) --i;
  return i;
}

// Length of the root that starts `path`: "C:\" (3), "C:" (2), a run of
// leading separators ("/", "\\", 1 or more), or nothing (0, a relative path).
size_t RootLength(std::string_view path) {
  if (HasDrivePrefix(path)) return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  size_t n = 0;
  while (n < path.size() && IsSeparator(path[n])) ++n;
  return n;
}

// Splits `text` into its components, dropping empty ones.
std::vector<std::string> Components(std::string_view text) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    if (i > start) parts.emplace_back(text.substr(start, i - start));
  }
  return parts;
}

// Applies "." and ".." to `parts` lexically; ".." never climbs above the root.
std::vector<std::string> Normalize(const std::vector<std::string>& parts) {
  std::vector<std::string> out;
  for (const std::string& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(part);
  }
  return out;
}

std::string JoinComponents(std::string root, const std::vector<std::string>& parts, char sep) {
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0 || (!root.empty() && root.back() != sep)) root += sep;
    root += parts[i];
  }
  return root;
}

}  // namespace

std::string FileSystemObject::CleanPath(std::string& Path) {
  std::string s = Path;
  if (s.size() <= 2) {  // a bare drive ("C:"), or too short to clean
    Path = s;
    return s;
  }
  // "C:\\x": the separator after the drive is doubled.
  if (s[1] == ':' && s.size() >= 4 && IsSeparator(s[2]) && IsSeparator(s[3])) s.erase(3, 1);
  const size_t n = s.size();
  if (n >= 2 && IsSeparator(s[n - 1]) && IsSeparator(s[n - 2])) {
    s.erase(n - 2);
  } else if (n >= 1 && IsSeparator(s[n - 1])) {
    s.erase(n - 1);
  }
  // From the third character on (a network path keeps its two leading
  // separators) each doubled separator loses its second half; the search goes
  // on after the one kept, so three in a row become two.
  size_t p = 2;
  while (p + 1 < s.size()) {
    if (IsSeparator(s[p]) && IsSeparator(s[p + 1])) {
      s.erase(p + 1, 1);
      ++p;
    } else {
      ++p;
    }
  }
  Path = s;
  return s;
}

std::string FileSystemObject::CurrentDirectory() { return platform::CurrentDirectory(); }

namespace {

// Windows: `name` (no drive prefix) against the current directory ("C:\..."
// or "\\server\..."); a leading separator starts at its drive's root, a pair
// at a server.
std::string AgainstWindowsCurrentDirectory(const std::string& name) {
  const std::string cwd = platform::CurrentDirectory();
  const bool unc = name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]);
  std::string root = "\\\\";
  std::vector<std::string> parts;
  if (!unc) {
    if (HasDrivePrefix(cwd)) root = cwd.substr(0, 2) + "\\";
    if (!IsSeparator(name.front())) {
      parts = Components(std::string_view(cwd).substr(HasDrivePrefix(cwd) ? 2 : 0));
    }
  }
  for (std::string& part : Components(name)) parts.push_back(std::move(part));
  return JoinComponents(root, Normalize(parts), '\\');
}

// `name` (with a drive prefix) from its drive's root.
std::string FromItsDriveRoot(const std::string& name) {
  return JoinComponents(name.substr(0, 2) + "\\",
                        Normalize(Components(std::string_view(name).substr(2))), '\\');
}

// POSIX: `name` against the process's current directory, or from "/".
std::string AgainstPosixCurrentDirectory(const std::string& name) {
  std::vector<std::string> parts;
  if (!IsSeparator(name.front())) parts = Components(platform::CurrentDirectory());
  for (std::string& part : Components(name)) parts.push_back(std::move(part));
  return JoinComponents("/", Normalize(parts), '/');
}

}  // namespace

// Windows resolves a name against the current directory of its drive. On
// POSIX a relative name (either separator) is resolved against the process's
// current directory and the result is a POSIX path ("/" separators); an
// absolute name starts at "/". A name with a drive prefix stays in its own
// (Windows) form, with "\" separators: on POSIX it names nothing either way.
// On Windows the result has "\" separators throughout. "." and ".." are
// applied to the text only; nothing needs to exist. A trailing separator
// stays.
std::string FileSystemObject::GetAbsolutePathname(const std::string& Filename) {
  if (Filename.empty()) return {};
  const bool trailing = IsSeparator(Filename.back());
  std::string result;
  char sep = '/';
  if (platform::kPathSeparator == '\\' && !HasDrivePrefix(Filename)) {
    sep = '\\';
    result = AgainstWindowsCurrentDirectory(Filename);
  } else if (HasDrivePrefix(Filename)) {
    sep = '\\';
    result = FromItsDriveRoot(Filename);
  } else {
    result = AgainstPosixCurrentDirectory(Filename);
  }
  if (trailing && result.back() != sep) result += sep;
  return result;
}

std::optional<std::string> FileSystemObject::ExtractPath(const std::string& Filename,
                                                         bool AssumeIsFile) {
  if (Filename.empty()) return std::nullopt;
  if (AssumeIsFile) {
    const size_t end = AfterLastSeparator(Filename);
    if (end == 0) return std::nullopt;
    return Filename.substr(0, end);
  }
  std::string probe = Filename;
  if (IsSeparator(probe.back())) probe.pop_back();
  const std::vector<platform::Entry> found = platform::FindEntries(probe);
  if (!found.empty() && found.front().is_directory) return Filename;
  // An existing file or a name that does not exist: its folder, absolute and
  // ending with a separator (the form the file case above gives).
  const std::string absolute = GetAbsolutePathname(probe);
  return absolute.substr(0, AfterLastSeparator(absolute));
}

// The shell's display name of a file is, without a shell, its last component:
// both of the original's branches give the text after the last separator.
std::string FileSystemObject::GetFilename(const std::string& Filename) {
  return Filename.substr(AfterLastSeparator(Filename));
}

// The platform's short name: "" where there is none (always on POSIX).
std::string FileSystemObject::GetShortFilename(const std::string& Filename) {
  return platform::ShortPathName(Filename);
}

std::string FileSystemObject::Barename(const std::string& pathName, bool KeepPath) {
  if (pathName.empty()) return {};
  const std::string s =
      IsSeparator(pathName.back()) ? pathName.substr(0, pathName.size() - 1) : pathName;
  // 1-based positions in pathName, 0 = absent.
  const size_t last_dot = pathName.rfind('.');
  const size_t dot = last_dot == std::string::npos ? 0 : last_dot + 1;
  const size_t slash = AfterLastSeparator(pathName);
  auto left = [&](size_t count) { return s.substr(0, std::min(count, s.size())); };
  auto after_slash = [&] { return slash < s.size() ? s.substr(slash) : std::string(); };
  if (slash == 0) return dot == 0 ? s : left(dot - 1);
  if (dot == 0) return after_slash();
  if (dot > slash) {
    if (KeepPath) return left(dot - 1);
    return slash < s.size() ? s.substr(slash, dot - 1 - slash) : std::string();
  }
  return KeepPath ? s : after_slash();
}

bool FileSystemObject::CreatePath(const std::string& Path) {
  const size_t root = RootLength(Path);
  size_t start = root;  // 0-based: the first character after the root
  while (start < Path.size()) {
    size_t p = start;
    while (p < Path.size() && !IsSeparator(Path[p])) ++p;
    if (p < Path.size()) ++p;  // the prefix keeps its separator
    const std::string prefix = Path.substr(0, p);
    if (p > root && !PathExists(prefix) && !platform::CreateDirectory(prefix).ok()) {
      // A separator doubled in the text gives a prefix that is a folder already
      // made; only a folder that is really missing is a failure.
      if (!platform::IsDirectory(prefix)) return false;
    }
    start = p;
  }
  return true;
}

bool FileSystemObject::CopyPath(const std::string& Path, const std::string& PathDest) {
  // An empty name would copy the whole root, or into it.
  if (Path.empty() || PathDest.empty()) return false;
  std::string source = Path;
  CleanPath(source);
  const std::vector<std::string> folders = EnumSubFolders(source + "\\*.*");
  for (size_t i = 1; i < folders.size(); ++i) {
    if (folders[i] == "." || folders[i] == "..") continue;
    CopyPath(source + "\\" + folders[i], PathDest + "\\" + folders[i]);
  }
  CreatePath(PathDest);
  return CopyFiles(source, PathDest, false, {"*.*"});
}

void FileSystemObject::DeletePath(const std::string& Path) {
  // An empty name would become the search "\*.*", the root of everything.
  if (Path.empty()) return;
  std::string target = Path;
  CleanPath(target);
  const std::vector<std::string> folders = EnumSubFolders(target + "\\*.*");
  for (size_t i = 1; i < folders.size(); ++i) {
    if (folders[i] == "." || folders[i] == "..") continue;
    const std::string folder = target + "\\" + folders[i];
    // A linked folder is not part of the tree: the link goes, its target stays.
    if (platform::IsSymbolicLink(folder)) {
      platform::DeleteFile(folder);
      continue;
    }
    DeletePath(folder);
  }
  DeleteFiles(target, {"*.*"});
  platform::RemoveDirectory(target);
}

}  // namespace vkt::fs
