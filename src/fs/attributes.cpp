// `FileSystemObject`: attributes, times and size.
//
// The attribute word maps onto POSIX as the program knows it: 16 a folder,
// 32 every regular file, 1 when the owner may not write, 2 for a dot-name;
// 4 (system) is never reported. Setting or clearing 2 and 4 is accepted and
// changes nothing, since that would mean renaming the file. On Windows the
// word is the system's own (the platform layer's FileInfo).
//
// Dates are OLE Automation dates in the process's local time zone. libstdc++
// 12 has the C++20 calendar types but not the time-zone database
// (std::chrono::current_zone arrives with GCC 13), so the calendar arithmetic
// is done with sys_days / year_month_day / hh_mm_ss and the zone offset comes
// from the platform layer (localtime_r / mktime, which honour TZ; on Windows
// the system's time zone).
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"

namespace vkt::fs {
namespace {

namespace chrono = std::chrono;

constexpr chrono::sys_days kOleEpoch{chrono::year{1899} / chrono::December / 30};
constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kNanosPerSecond = 1'000'000'000;
constexpr std::int64_t kMaxFileSeconds = INT64_MAX / kNanosPerSecond;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The folder part of a search expression, separator included ("" for none).
std::string_view FolderOf(std::string_view expression) {
  size_t i = expression.size();
  while (i > 0 && !internal::IsSeparator(expression[i - 1])) --i;
  return expression.substr(0, i);
}

// The first entry that `expression` names, as a path the platform can read.
bool FirstEntryPath(std::string_view expression, std::string* path) {
  std::vector<platform::Entry> entries = platform::FindEntries(expression);
  if (entries.empty()) return false;
  *path = std::string(FolderOf(expression)) + entries.front().name;
  return true;
}

bool FirstEntryInfo(std::string_view expression, platform::FileInfo* info) {
  std::string path;
  return FirstEntryPath(expression, &path) && platform::GetInfo(path, info).ok();
}

}  // namespace

namespace internal {

bool NamesFile(std::string_view name) {
  for (const platform::Entry& entry : platform::FindEntries(name)) {
    if (!entry.is_directory) return true;
  }
  return false;
}

bool FileTimeToOleDate(std::int64_t utc_ns, OleDate* date) {
  std::int64_t local = 0;
  if (!platform::UtcToLocalSeconds(FloorDiv(utc_ns, kNanosPerSecond), &local)) return false;
  const chrono::sys_seconds instant{chrono::seconds{local}};
  const chrono::sys_days day = chrono::floor<chrono::days>(instant);
  const chrono::year_month_day ymd{day};
  if (!ymd.ok() || ymd.year() < chrono::year{1601} || ymd.year() > chrono::year{9999}) {
    return false;
  }
  const chrono::hh_mm_ss<chrono::seconds> time{instant - day};
  const double day_number = static_cast<double>((chrono::sys_days{ymd} - kOleEpoch).count());
  const double fraction =
      static_cast<double>(time.hours().count() * 3600 + time.minutes().count() * 60 +
                          time.seconds().count()) /
      kSecondsPerDay;
  // Before the epoch the day counts down while the time of day still counts
  // up: 29 December 1899 06:00 is -1.25.
  *date = day_number < 0 ? day_number - fraction : day_number + fraction;
  return true;
}

bool OleDateToFileTime(OleDate date, std::int64_t* utc_ns) {
  // The date-time type spans the years 100..9999; the file time starts in 1601.
  if (!std::isfinite(date) || date < -657435.0 || date >= 2958466.0) return false;
  std::int64_t day_number = static_cast<std::int64_t>(std::trunc(date));
  std::int64_t seconds = std::llround(std::fabs(date - static_cast<double>(day_number)) *
                                      static_cast<double>(kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {  // rounded up to the next midnight
    seconds -= kSecondsPerDay;
    ++day_number;
  }
  const chrono::year_month_day ymd{kOleEpoch + chrono::days{day_number}};
  if (!ymd.ok() || ymd.year() < chrono::year{1601} || ymd.year() > chrono::year{9999}) {
    return false;
  }
  const chrono::hh_mm_ss<chrono::seconds> time{chrono::seconds{seconds}};
  const chrono::sys_seconds local =
      chrono::sys_days{ymd} + time.hours() + time.minutes() + time.seconds();
  std::int64_t utc = 0;
  if (!platform::LocalToUtcSeconds(local.time_since_epoch().count(), &utc)) return false;
  // The platform counts nanoseconds in 64 bits: about the years 1678..2261.
  if (utc > kMaxFileSeconds || utc < -kMaxFileSeconds) return false;
  *utc_ns = utc * kNanosPerSecond;
  return true;
}

}  // namespace internal

std::int32_t FileSystemObject::GetFileAttributes(const std::string& Filename) {
  platform::FileInfo info;
  if (!FirstEntryInfo(Filename, &info)) return 0;
  return static_cast<std::int32_t>(info.attributes);
}

std::int32_t FileSystemObject::SetFileAttributes(const std::string& Filename,
                                                 std::int32_t Attributes) {
  if (!internal::NamesFile(Filename)) return 0;
  // The platform keeps what it can of the word (file_system.h).
  if (!platform::SetAttributes(Filename, static_cast<std::uint32_t>(Attributes)).ok()) return 0;
  return 1;
}

OleDate FileSystemObject::GetFileTime(const std::string& Filename, OleDate* CreationTime,
                                      OleDate* LastAccessTime, OleDate* LastWriteTime) {
  platform::FileInfo info;
  if (!FirstEntryInfo(Filename, &info)) return 0.0;
  // From here a time that cannot be converted leaves its out-argument alone.
  OleDate value = 0.0;
  if (CreationTime != nullptr && internal::FileTimeToOleDate(info.creation_ns, &value)) {
    *CreationTime = value;
  }
  if (LastAccessTime != nullptr && internal::FileTimeToOleDate(info.access_ns, &value)) {
    *LastAccessTime = value;
  }
  OleDate last_write = 0.0;
  if (!internal::FileTimeToOleDate(info.write_ns, &last_write)) return 0.0;
  if (LastWriteTime != nullptr) *LastWriteTime = last_write;
  return last_write;
}

void FileSystemObject::SetFileTime(const std::string& Filename, OleDate CreationTime,
                                   OleDate LastAccessTime, OleDate LastWriteTime) {
  if (!internal::NamesFile(Filename)) return;
  // The original opens the file for writing first, which a read-only file
  // refuses: its times stay as they are.
  platform::FileInfo info;
  if (!platform::GetInfo(Filename, &info).ok() ||
      (info.attributes & platform::kAttrReadOnly) != 0) {
    return;
  }
  std::int64_t creation = 0, access = 0, write = 0;
  // A value that is no date changes nothing (rather than some arbitrary time).
  if (!internal::OleDateToFileTime(CreationTime, &creation) ||
      !internal::OleDateToFileTime(LastAccessTime, &access) ||
      !internal::OleDateToFileTime(LastWriteTime, &write)) {
    return;
  }
  // POSIX keeps no settable creation time; the platform accepts and drops it.
  platform::SetTimes(Filename, access, write, &creation);
}

std::int32_t FileSystemObject::GetFileSize(const std::string& Filename, std::int32_t& lpSizeHigh) {
  if (!internal::NamesFile(Filename)) return 0;
  platform::File file;
  if (!platform::File::Open(Filename, platform::File::Mode::kRead, &file).ok()) return 0;
  const std::int64_t size = file.Size();
  if (size < 0) return 0;
  const auto bits = static_cast<std::uint64_t>(size);
  lpSizeHigh = static_cast<std::int32_t>(static_cast<std::uint32_t>(bits >> 32));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
}

}  // namespace vkt::fs
