// A FileSystemObject that records every call of its logging hook, with the
// identity it ran under, and can act while an operation runs (to make the
// step the hook announces fail, or the hook itself).
#pragma once

#ifndef _WIN32
#include <unistd.h>
#endif

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/system_info.h"
#include "support/temp_dir.h"

namespace vkt::fs {

// Whom the process acts as: POSIX the effective user, Windows the name of the
// user the calling thread acts as (impersonation included).
#ifdef _WIN32
using RunAs = std::string;
inline RunAs CurrentRunAs() { return testing::ThreadUserName(); }
#else
using RunAs = uid_t;
inline RunAs CurrentRunAs() { return ::geteuid(); }
#endif

struct LogCall {
  std::string message, exe, operation;
  bool error = false, last = false;
  RunAs uid{};  // whom the process acted as while the hook ran
  bool operator==(const LogCall&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const LogCall& c) {
  return out << "{" << c.message << " | " << c.exe << " | " << c.operation << " | " << c.error
             << " | " << c.last << " | uid " << c.uid << "}";
}

// The call the hook should receive, made as the process's present identity.
inline LogCall Call(const std::string& message, const std::string& operation, bool error = false) {
  return {message, platform::ExecutableName(), operation, error, false, CurrentRunAs()};
}

class RecordingFso : public FileSystemObject {
 public:
  RecordingFso() = default;
  explicit RecordingFso(const DesktopServices& desktop) : FileSystemObject(desktop) {}
  void Grava_Log(const std::string& a, const std::string& b, const std::string& c, bool d,
                 bool e) override {
    calls.push_back({a, b, c, d, e, CurrentRunAs()});
    if (on_log) on_log(a);
  }
  std::vector<LogCall> calls;
  std::function<void(const std::string&)> on_log;
};

}  // namespace vkt::fs
