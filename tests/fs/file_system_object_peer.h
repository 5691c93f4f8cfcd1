// Test access to the private parts of FileSystemObject. The class names this
// peer as its friend; every fs test uses this one definition (a second one in
// another test file would break the one-definition rule in fs_tests).
#pragma once

#include <cstdint>
#include <string>

#include "fs/file_system_object.h"

namespace vkt::fs {

class FileSystemObjectPeer {
 public:
  static std::string StripNulls(const std::string& t) { return FileSystemObject::StripNulls(t); }
  static bool MatchSpec(const std::string& n, const std::string& s) {
    return FileSystemObject::MatchSpec(n, s);
  }
  static std::string AddBackslash(const std::string& p) {
    return FileSystemObject::AddBackslash(p);
  }
  // The name-generator counters, to start a generator where a test needs it.
  static void SetTempCounter(FileSystemObject& fso, std::int32_t value) {
    fso.TempCounter_ = value;
  }
  static void SetSerialCounter(FileSystemObject& fso, std::int32_t value) {
    fso.SerialCounter_ = value;
  }
};

}  // namespace vkt::fs
