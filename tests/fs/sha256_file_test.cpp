// Sha256File reads through the platform layer.
#include <gtest/gtest.h>

#include <string>

#include "fs/sha256_file.h"
#include "support/temp_dir.h"
#include "text/sha256.h"

namespace vkt::fs {
namespace {

TEST(Sha256File, HashesAFileLargerThanOneReadBlock) {
  testing::TempDir dir;
  std::string data;
  for (std::size_t i = 0; i < 3 * 1024 * 1024 + 5; ++i) data.push_back(static_cast<char>(i % 251));
  dir.Write("Big/Script.ORA", data);
  std::string hex;
  std::uint64_t size = 0;
  // The program's paths: Windows form, any letter case.
  ASSERT_TRUE(Sha256File(dir.path() + "\\big\\script.ora", &hex, &size).ok());
  EXPECT_EQ(hex, text::Sha256Hex(data));
  EXPECT_EQ(size, data.size());
}

}  // namespace
}  // namespace vkt::fs
