#include "config/ini.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_set>

#include "config/ini_internal.h"

namespace vkt::config {
namespace internal {
namespace {

// No ini file of the program comes near this; anything larger is refused
// before it is read, not allocated.
constexpr std::int64_t kMaxFileBytes = std::int64_t{64} << 20;

// The files whose "Initialization File Error" box this run has shown.
std::mutex& ShownMutex() {
  static std::mutex mutex;
  return mutex;
}
std::unordered_set<std::string>& ShownFiles() {
  static std::unordered_set<std::string> files;
  return files;
}

// A network share that cannot be reached (Windows tells it as a missing
// path: ERROR_BAD_NETPATH, ERROR_BAD_NET_NAME) leaves the file unread, not
// missing. A POSIX mount that is gone fails with an error of its own.
bool UnreachableShare(const platform::Status& status) {
  constexpr int kBadNetPath = 53;  // ERROR_BAD_NETPATH
  constexpr int kBadNetName = 67;  // ERROR_BAD_NET_NAME
  return platform::kPathSeparator == '\\' &&
         (status.native == kBadNetPath || status.native == kBadNetName);
}

}  // namespace

platform::Status OpenToRead(const std::string& path, IniReach reach, platform::File* file,
                            bool* missing) {
  platform::Status status =
      reach == IniReach::kAsWritten
          ? platform::File::OpenAsReplaced(path, platform::LinkAtTarget::kFollowTrusted, file)
          : platform::File::Open(path, platform::File::Mode::kRead, file);
  *missing = !status.ok() && (status.code == ENOENT || status.code == ENOTDIR) &&
             !UnreachableShare(status);
  return status;
}

platform::Status ReadRest(platform::File& file, std::string* bytes) {
  bytes->clear();
  std::int64_t size = file.Size();
  if (size > kMaxFileBytes) return platform::Status::Errno(EFBIG);
  if (size > 0) bytes->reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    platform::Status status = file.Read(buffer, sizeof buffer, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    // A file may grow while it is read, or tell no size (/proc).
    if (static_cast<std::int64_t>(bytes->size() + got) > kMaxFileBytes) {
      return platform::Status::Errno(EFBIG);
    }
    bytes->append(buffer, got);
  }
  return file.Close();
}

platform::Status ReadWholeFile(const std::string& path, IniReach reach, std::string* bytes,
                               bool* missing, platform::FileStamp* stamp) {
  bytes->clear();
  if (stamp != nullptr) *stamp = {};
  platform::File file;
  platform::Status status = OpenToRead(path, reach, &file, missing);
  if (status.ok() && stamp != nullptr && !file.Stamp(stamp)) *stamp = {};
  return status.ok() ? ReadRest(file, bytes) : status;
}

void ShowReadError(MessageBoxService& boxes, const std::string& path,
                   const platform::Status& status) {
  {
    std::lock_guard<std::mutex> lock(ShownMutex());
    if (!ShownFiles().insert(path).second) return;
  }
  std::string description = status.Text();
  if (status.code == platform::kNotRegularFile || status.code == platform::kForeignLink ||
      status.code == EFBIG) {
    // The system's own texts name no file; these name what was refused.
    const std::string shown = platform::PathAsShown(path);
    description = shown + " - " + (status.code == EFBIG ? "arquivo maior que 64 MiB" : description);
  }
  boxes.Show(
      "Error Number: " + std::to_string(status.code) + "\r\nError Description: " + description,
      "Initialization File Error", BoxIcon::kCritical);
}

}  // namespace internal

void ForgetIniErrors() {
  std::lock_guard<std::mutex> lock(internal::ShownMutex());
  internal::ShownFiles().clear();
}

}  // namespace vkt::config
