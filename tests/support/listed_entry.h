// What an entry of a ListedFolder found by name holds, as the listing tests
// compare it.
#pragma once

#include <string>

#include "fs/platform/file_system.h"

namespace vkt::testing {

// The first bytes of the entry `folder` finds for `name` (`upper` its upper
// case), "<none>" when none is found, "<error>" when it cannot be read.
inline std::string EntryText(const platform::ListedFolder& folder, const std::string& name,
                             const std::string& upper) {
  const std::size_t i = folder.Find(name, upper);
  if (i == platform::ListedFolder::kNone) return "<none>";
  platform::File file;
  char buffer[16];
  std::size_t got = 0;
  if (!folder.OpenEntry(i, &file).ok() || !file.Read(buffer, sizeof buffer, &got).ok()) {
    return "<error>";
  }
  return {buffer, got};
}

}  // namespace vkt::testing
