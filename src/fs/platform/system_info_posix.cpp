// POSIX implementation of system_info.h.
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"
#include "fs/platform/system_info.h"

namespace vkt::platform {

std::string EnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? std::string() : std::string(value);
}

std::string DocumentsFolder() {
  const auto absolute = [](const std::string& path) { return !path.empty() && path[0] == '/'; };
  if (std::string documents = EnvironmentVariable("XDG_DOCUMENTS_DIR"); absolute(documents)) {
    return documents;
  }
  const std::string home = EnvironmentVariable("HOME");
  if (absolute(home) && IsDirectory(home + "/Documents")) return home + "/Documents";
  if (std::string data = EnvironmentVariable("XDG_DATA_HOME"); absolute(data)) return data;
  return absolute(home) ? home + "/.local/share" : std::string();
}

std::string ExecutableName() {
  std::vector<char> buf(4096);
  ssize_t n = posix::sys::Readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  std::string exe(buf.data(), static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string HostName() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return std::string(buf);
}

bool UtcToLocalSeconds(std::int64_t utc_seconds, std::int64_t* local_seconds) {
  // localtime_r need not look at TZ again; tzset makes a changed TZ count.
  ::tzset();
  const time_t t = static_cast<time_t>(utc_seconds);
  struct tm local {};
  if (::localtime_r(&t, &local) == nullptr) return false;
  *local_seconds = utc_seconds + local.tm_gmtoff;
  return true;
}

bool LocalToUtcSeconds(std::int64_t local_seconds, std::int64_t* utc_seconds) {
  ::tzset();
  const time_t t = static_cast<time_t>(local_seconds);
  struct tm fields {};
  if (::gmtime_r(&t, &fields) == nullptr) return false;
  fields.tm_isdst = -1;
  // mktime reports failure as -1, which is also a valid instant; errno tells.
  errno = 0;
  const time_t utc = ::mktime(&fields);
  if (utc == static_cast<time_t>(-1) && errno != 0) return false;
  *utc_seconds = static_cast<std::int64_t>(utc);
  return true;
}

}  // namespace vkt::platform
