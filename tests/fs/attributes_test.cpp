// The size of a file as the class gives it, on every platform; the attribute
// word and the times are in attributes_posix_test.cpp and
// platform_win32_test.cpp.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

// ---- size ----

TEST(GetFileSize, SplitsTheSizeIntoSignedHalves) {
  const struct {
    std::uintmax_t size;
    std::int32_t low, high;
  } cases[] = {
      {0, 0, 0},
      {5, 5, 0},
      {3'000'000'000ULL, -1'294'967'296, 0},
      {(1ULL << 32) + 1, 1, 1},
      {(1ULL << 33) + 0xFFFFFFFFULL, -1, 2},
  };
  TempDir dir;
  FileSystemObject fso;
  for (const auto& c : cases) {
    dir.Write("f.bin", "");
    stdfs::resize_file(dir / "f.bin", c.size);  // sparse: takes no room on disk
    std::int32_t high = 77;
    EXPECT_EQ(fso.GetFileSize(dir / "f.bin", high), c.low) << c.size;
    EXPECT_EQ(high, c.high) << c.size;
  }
  // Nothing readable: the high half stays as it was.
  dir.MakeDir("Folder");
  std::int32_t high = 77;
  EXPECT_EQ(fso.GetFileSize(dir / "missing", high), 0);
  EXPECT_EQ(fso.GetFileSize(dir / "Folder", high), 0);
  EXPECT_EQ(high, 77);
}

}  // namespace
}  // namespace vkt::fs
