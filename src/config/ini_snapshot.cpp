#include "config/ini.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "config/ini_internal.h"

namespace vkt::config {
namespace internal {
namespace {

// The files a run reads once (IniSnapshot): their content when the first
// snapshot of them was taken, and its parse once made.
struct Snapshot {
  int holders = 0;
  platform::Status status;
  bool missing = false;
  std::string bytes;
  std::shared_ptr<const void> parsed;
  std::string parsed_page;  // the code page of `parsed`
};

std::mutex& SnapshotMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<std::string, Snapshot>& Snapshots() {
  static std::unordered_map<std::string, Snapshot> snapshots;
  return snapshots;
}

}  // namespace

std::shared_ptr<const void> SnapshotParse(const std::string& path, const text::CodePage& page,
                                          ParseFunction parse, platform::Status* status,
                                          bool* missing) {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  auto it = Snapshots().find(path);
  if (it == Snapshots().end()) return nullptr;
  Snapshot& snapshot = it->second;
  if (!snapshot.parsed || snapshot.parsed_page != page.name()) {
    snapshot.parsed = parse(snapshot.status.ok() ? &snapshot.bytes : nullptr, page);
    snapshot.parsed_page = page.name();
  }
  *status = snapshot.status;
  *missing = snapshot.missing;
  return snapshot.parsed;
}

}  // namespace internal

using internal::Snapshot;
using internal::SnapshotMutex;
using internal::Snapshots;

IniSnapshot::IniSnapshot(std::string path) : path_(std::move(path)) {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  Snapshot& snapshot = Snapshots()[path_];
  if (snapshot.holders++ == 0) {
    snapshot.status =
        internal::ReadWholeFile(path_, IniReach::kAsWritten, &snapshot.bytes, &snapshot.missing);
  }
}

IniSnapshot::~IniSnapshot() {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  auto it = Snapshots().find(path_);
  if (it != Snapshots().end() && --it->second.holders == 0) Snapshots().erase(it);
}

}  // namespace vkt::config
