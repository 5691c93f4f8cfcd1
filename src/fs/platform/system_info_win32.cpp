// Windows implementation of system_info.h: the module's file name, the
// computer's name and the system's time zone (the Windows time-zone API; the
// TZ variable of the C run-time plays no part).
#include <shlobj.h>

#include <string>

#include "fs/platform/system_info.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {

using namespace win32;

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01, in seconds.
constexpr std::int64_t kEpochSeconds = 11644473600LL;
// The last second SYSTEMTIME holds (30827-12-31 23:59:59), since 1970.
constexpr std::int64_t kLastSeconds = 910692730085LL;

bool ToSystemTime(std::int64_t seconds, SYSTEMTIME* out) {
  if (seconds < -kEpochSeconds || seconds > kLastSeconds) return false;
  const std::uint64_t ticks = static_cast<std::uint64_t>(seconds + kEpochSeconds) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ::FileTimeToSystemTime(&time, out) != FALSE;
}

bool FromSystemTime(const SYSTEMTIME& in, std::int64_t* seconds) {
  FILETIME time;
  if (!::SystemTimeToFileTime(&in, &time)) return false;
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  *seconds = static_cast<std::int64_t>(ticks / 10000000ULL) - kEpochSeconds;
  return true;
}

// The system's time zone with the rules of `year` (the daylight-saving dates
// of that year, where the zone's rules changed over the years).
bool ZoneOfYear(WORD year, TIME_ZONE_INFORMATION* zone) {
  if (::GetTimeZoneInformationForYear(year, nullptr, zone)) return true;
  return ::GetTimeZoneInformation(zone) != TIME_ZONE_ID_INVALID;
}

std::wstring ModuleFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string EnvironmentVariable(const std::string& name) {
  const std::wstring wide = Wide(name);
  const DWORD size = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  const DWORD n = ::GetEnvironmentVariableW(wide.c_str(), value.data(), size);
  if (n == 0 || n >= size) return {};
  value.resize(n);
  return Narrow(value);
}

std::string DocumentsFolder() {
  PWSTR folder = nullptr;
  std::string documents;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &folder))) {
    documents = Narrow(folder);
  }
  ::CoTaskMemFree(folder);  // also when the call failed, as its contract asks
  return documents.empty() ? EnvironmentVariable("LOCALAPPDATA") : documents;
}

std::string ExecutableName() {
  const std::string path = Narrow(ModuleFileName());
  const std::size_t separator = path.find_last_of("\\/");
  std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string HostName() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  // The NetBIOS name: the one a local account's domain is written with.
  if (!::GetComputerNameW(buffer, &size)) return {};
  return Narrow(std::wstring_view(buffer, size));
}

bool UtcToLocalSeconds(std::int64_t utc_seconds, std::int64_t* local_seconds) {
  SYSTEMTIME utc, local;
  TIME_ZONE_INFORMATION zone;
  std::int64_t result = 0;
  if (!ToSystemTime(utc_seconds, &utc) || !ZoneOfYear(utc.wYear, &zone) ||
      !::SystemTimeToTzSpecificLocalTime(&zone, &utc, &local) || !FromSystemTime(local, &result)) {
    return false;
  }
  *local_seconds = result;
  return true;
}

bool LocalToUtcSeconds(std::int64_t local_seconds, std::int64_t* utc_seconds) {
  SYSTEMTIME local, utc;
  TIME_ZONE_INFORMATION zone;
  std::int64_t result = 0;
  if (!ToSystemTime(local_seconds, &local) || !ZoneOfYear(local.wYear, &zone) ||
      !::TzSpecificLocalTimeToSystemTime(&zone, &local, &utc) || !FromSystemTime(utc, &result)) {
    return false;
  }
  *utc_seconds = result;
  return true;
}

}  // namespace vkt::platform
