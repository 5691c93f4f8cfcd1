// Replacing a file through the platform layer in one call, and its stamp, as
// the replacement tests need them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fs/platform/file_system.h"

namespace vkt::testing {

// Writes `bytes` over `path` through an AtomicFile; `read` is the stamp the
// file had when it was read, if any.
inline platform::Status Replace(const std::string& path, const std::string& bytes,
                                const platform::FileStamp* read = nullptr) {
  platform::AtomicFile file;
  platform::Status status = file.Create(path);
  if (status.ok()) status = file.Write(bytes.data(), bytes.size());
  return status.ok() ? file.Commit(/*durable=*/false, read) : status;
}

inline platform::FileStamp StampOf(const std::string& path) {
  platform::File file;
  platform::FileStamp stamp;
  EXPECT_TRUE(platform::File::Open(path, platform::File::Mode::kRead, &file).ok() &&
              file.Stamp(&stamp));
  return stamp;
}

}  // namespace vkt::testing
