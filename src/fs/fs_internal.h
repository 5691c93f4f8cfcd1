// Helpers shared by the source files of `FileSystemObject`; not part of the
// class's surface.
#pragma once

#include <cstdint>
#include <string_view>

#include "fs/file_system_object.h"

namespace vkt::fs::internal {

// "\" and "/" separate path components alike.
inline bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when `name` (wildcards allowed) names at least one existing entry that
// is not a folder. Unlike `FileExists`, hidden files count: the operations
// that act on one given file (attributes, times, size, the ".ini" rule) reach
// them as the original platform calls did.
bool NamesFile(std::string_view name);

// A file time (nanoseconds since 1970-01-01 UTC) as the class's date-time:
// the local calendar date and time of the process's time zone, whole seconds
// (the fraction of a second is dropped). False when the local date lies
// outside the years 1601..9999 (file time and date-time type both hold it).
bool FileTimeToOleDate(std::int64_t utc_ns, OleDate* date);

// The class's date-time, read as local time and rounded to the second, as a
// file time. False for a value that is not a number or lies outside the years
// 1601..9999 (the date-time type's own range).
bool OleDateToFileTime(OleDate date, std::int64_t* utc_ns);

}  // namespace vkt::fs::internal
