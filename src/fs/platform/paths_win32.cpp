// Paths of the Windows platform layer: UTF-8 and wide text, the system's
// form of a path and its long form, roots, names as the system keeps them,
// the current and the program's folder, 8.3 names.
#include <cstring>
#include <string>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::platform {
namespace win32 {

// ---- text and paths ------------------------------------------------------------

std::wstring Wide(std::string_view utf8) {
  const std::u16string units = text::Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view wide) {
  return text::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrivePrefix(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

bool NativeText(std::string_view path, std::string* native) {
  native->clear();
  if (path.empty()) return false;
  native->reserve(path.size());
  std::size_t i = 0;
  // A leading pair (or more) of separators: a UNC path, kept as a pair.
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    native->append("\\\\");
    while (i < path.size() && IsSeparator(path[i])) ++i;
  }
  bool previous_separator = false;
  for (; i < path.size(); ++i) {
    const bool separator = IsSeparator(path[i]);
    if (separator && previous_separator) continue;
    native->push_back(separator ? '\\' : path[i]);
    previous_separator = separator;
  }
  return true;
}

std::size_t RootLength(std::string_view path) {
  if (HasDrivePrefix(path)) return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // "\\server\share\": the server and the share belong to the root.
    std::size_t i = 2;
    for (int part = 0; part < 2 && i < path.size(); ++part) {
      while (i < path.size() && !IsSeparator(path[i])) ++i;
      if (i < path.size()) ++i;
    }
    return i;
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

void SplitLast(const std::string& path, std::string* folder, std::string* name) {
  std::string_view p = path;
  const std::size_t root = RootLength(p);
  while (p.size() > root && IsSeparator(p.back())) p.remove_suffix(1);
  std::size_t i = p.size();
  while (i > root && !IsSeparator(p[i - 1])) --i;
  *name = std::string(p.substr(i));
  std::size_t end = i;
  // The folder keeps no separator of its own, except the root's.
  while (end > root && IsSeparator(p[end - 1])) --end;
  *folder = std::string(p.substr(0, end));
}

std::string Join(const std::string& folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  if (IsSeparator(folder.back()) || (folder.size() == 2 && folder[1] == ':')) {
    return folder + std::string(name);
  }
  return folder + "\\" + std::string(name);
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD got = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (got == 0 || got >= size) return path;
  full.resize(got);
  return full;
}

std::wstring LongPathForm(std::wstring_view full) {
  // "\\?\" and "\\.\" (a device) already reach the system as they are.
  const bool prefixed = full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\");
  const bool unc = !prefixed && full.starts_with(L"\\\\");
  const bool drive = full.size() >= 3 && full[1] == L':' && full[2] == L'\\';
  if (full.size() < kLongPathFrom || prefixed || (!unc && !drive)) return std::wstring(full);
  if (unc) return L"\\\\?\\UNC\\" + std::wstring(full.substr(2));
  return L"\\\\?\\" + std::wstring(full);
}

std::wstring SystemPath(const std::string& path) {
  std::wstring wide = Wide(path);
  if (wide.starts_with(L"\\\\?\\")) return wide;
  // A short absolute path stays short; a relative one is as long as the
  // current folder makes it.
  if (RootLength(path) > 2 && wide.size() < kLongPathFrom) return wide;
  return LongPathForm(FullPath(wide));
}

bool ToSystemPath(std::string_view path, std::wstring* wide, std::string* native) {
  std::string text;
  if (!NativeText(path, &text)) return false;
  *wide = SystemPath(text);
  if (native != nullptr) *native = std::move(text);
  return true;
}

std::string WithoutLongPrefix(std::wstring_view path) {
  if (path.starts_with(L"\\\\?\\UNC\\")) return "\\\\" + Narrow(path.substr(8));
  if (path.starts_with(L"\\\\?\\")) return Narrow(path.substr(4));
  return Narrow(path);
}

}  // namespace win32

using namespace win32;

bool ResolvePath(std::string_view path, std::string* native) {
  if (!NativeText(path, native)) return false;
  // An existing entry keeps the name the system gives it (its own letter
  // case): a file written under that path keeps its name.
  std::string folder, name;
  SplitLast(*native, &folder, &name);
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of("*?") != std::string::npos) {
    return true;
  }
  WIN32_FIND_DATAW found;
  HANDLE search = sys::FindFirstFileEx(SystemPath(*native).c_str(), &found, 0);
  if (search == INVALID_HANDLE_VALUE) return true;
  sys::FindClose(search);
  const bool trailing = IsSeparator(native->back());
  *native = Join(folder, Narrow(found.cFileName)) + (trailing ? "\\" : "");
  return true;
}

bool IsSameOrInside(std::string_view canonical, std::string_view folder) {
  if (folder.empty() || canonical.size() < folder.size()) return false;
  // Windows compares names without regard to case.
  if (text::UpperCase(canonical.substr(0, folder.size())) != text::UpperCase(folder)) {
    return false;
  }
  return canonical.size() == folder.size() || IsSeparator(folder.back()) ||
         IsSeparator(canonical[folder.size()]);
}

std::string CurrentDirectory() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return WithoutLongPrefix(buffer);
    }
    buffer.resize(n);
  }
}

std::string ExecutableFolder() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return CurrentDirectory();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::string folder, name;
  SplitLast(WithoutLongPrefix(buffer), &folder, &name);
  return folder.empty() ? CurrentDirectory() : folder;
}

std::string ShortPathName(std::string_view path) {
  std::wstring wide;
  if (!ToSystemPath(path, &wide)) return {};
  const DWORD size = sys::GetShortPathName(wide.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring buffer(size, L'\0');
  const DWORD n = sys::GetShortPathName(wide.c_str(), buffer.data(), size);
  if (n == 0 || n >= size) return {};
  buffer.resize(n);
  std::string result = WithoutLongPrefix(buffer);
  // A volume that keeps no short names gives the long ones back: a component
  // that is no 8.3 name tells.
  std::size_t start = RootLength(result);
  while (start < result.size()) {
    std::size_t end = start;
    while (end < result.size() && !IsSeparator(result[end])) ++end;
    const std::string_view part = std::string_view(result).substr(start, end - start);
    if (!IsShortName(part)) return {};
    start = end + 1;
  }
  return result;
}

bool win32::IsShortName(std::string_view name) {
  if (name == "." || name == "..") return true;
  const std::size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension =
      dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
  if (extension.find('.') != std::string_view::npos) return false;
  if (dot != std::string_view::npos && extension.empty()) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u >= 0x7F || std::strchr("\"*+,/:;<=>?[\\]|", c) != nullptr) return false;
    if (c >= 'a' && c <= 'z') return false;
  }
  return true;
}

}  // namespace vkt::platform
