#include "config/file_list.h"

#include <cstdint>
#include <string>
#include <variant>

#include "config/ini.h"
#include "config/object_types.h"

namespace vkt::config {
namespace {

constexpr std::int64_t kMaxFiles = 1000000;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A whole number in decimal digits only ("007" is 7), no sign, at most
// kMaxFiles; -1 otherwise.
std::int64_t ParseCount(std::string_view text) {
  if (text.empty()) return -1;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > kMaxFiles) return -1;
  }
  return value;
}

}  // namespace

FileList ReadFileList(MessageBoxService& boxes, const std::string& ini_path,
                      const text::CodePage& page, std::string_view tipo_objeto) {
  INI ini(boxes);
  ini.ININame(ini_path, page);
  return ReadFileList(ini, tipo_objeto);
}

FileList ReadFileList(INI& ini, std::string_view tipo_objeto) {
  FileList list;
  ini.Section(std::string(tipo_objeto));
  std::string numfiles;
  const ObjectType* type = FindObjectType(tipo_objeto);
  if (type && (type->quirks & kCountOptional) != 0) {
    // Such a section may be left out: no NUMFILES means no files.
    IniValue value = ini.ReadINISettings("NUMFILES", IniValue(std::int64_t{0}));
    if (const auto* text = std::get_if<std::string>(&value)) {
      numfiles = *text;
    } else if (const auto* number = std::get_if<std::int64_t>(&value)) {
      numfiles = std::to_string(*number);
    }
  } else {
    numfiles = ini.ReadINISettings("NUMFILES");
  }
  if (!ini.LastReadStatus().ok()) {
    // A list that exists but cannot be read is no list without the section.
    list.status = FileListStatus::kUnreadable;
    list.read_status = ini.LastReadStatus();
    return list;
  }
  list.numfiles_text = std::string(TrimBlanks(numfiles));
  if (list.numfiles_text.empty()) {
    list.status = FileListStatus::kMissingSection;
    return list;
  }
  const std::int64_t count = ParseCount(list.numfiles_text);
  if (count < 0) {
    list.status = FileListStatus::kInvalidCount;
    return list;
  }
  list.names.reserve(static_cast<size_t>(count) + 1);
  for (std::int64_t i = 1; i <= count; ++i) {
    list.names.push_back(ini.ReadINISettings("FILE" + std::to_string(i)));
  }
  return list;
}

}  // namespace vkt::config
