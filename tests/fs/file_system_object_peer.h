// Test access to the private parts of FileSystemObject. The class names this
// peer as its friend; every fs test uses this one definition (a second one in
// another test file would break the one-definition rule in fs_tests).
#pragma once

#include <string>

#include "fs/file_system_object.h"

namespace vkt::fs {

class FileSystemObjectPeer {
 public:
  static bool MatchSpec(const std::string& n, const std::string& s) {
    return FileSystemObject::MatchSpec(n, s);
  }
};

}  // namespace vkt::fs
