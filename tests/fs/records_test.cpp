#include <gtest/gtest.h>

#include <string>

#include "fs/file_system_object.h"
#include "fs/open_files.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using namespace std::string_literals;
using vkt::testing::TempDir;

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { open_files::CloseAll(); }
  void TearDown() override { open_files::CloseAll(); }

  // Opens `name` in the temporary folder for byte access.
  std::int16_t Open(const char* name, FileAccess access) {
    return static_cast<std::int16_t>(open_files::Open(dir_ / name, access));
  }
  // The bytes a writer call leaves in a fresh file.
  std::string Written(bool (FileSystemObject::*writer)(std::int16_t, const std::string&),
                      const std::string& text) {
    const std::int16_t n = Open("w.bin", FileAccess::kBytesWrite);
    EXPECT_TRUE((fso_.*writer)(n, text));
    open_files::Close(n);
    return dir_.Read("w.bin");
  }

  FileSystemObject fso_;
  TempDir dir_;
};

TEST_F(RecordsTest, WritesTheExactRecordBytes) {
  EXPECT_EQ(Written(&FileSystemObject::BStringOut, "abc"), "\x03\0\0\0abc"s);
  EXPECT_EQ(Written(&FileSystemObject::BStringOutW, "abc"), "\x06\0\0\0a\0b\0c\0"s);
  EXPECT_EQ(Written(&FileSystemObject::BStringOut, ""), "\0\0\0\0"s);
  EXPECT_EQ(Written(&FileSystemObject::BStringOutW, ""), "\0\0\0\0"s);
}

TEST_F(RecordsTest, WritesTheCodePageBytesAndTheUtf16Units) {
  // "ação" is four characters, one byte each in Windows-1252.
  EXPECT_EQ(Written(&FileSystemObject::BStringOut, "a\xC3\xA7\xC3\xA3o"), "\x04\0\0\0a\xE7\xE3o"s);
  // "€" is U+20AC; "𝄞" (U+1D11E) takes two UTF-16 units.
  EXPECT_EQ(Written(&FileSystemObject::BStringOutW, "\xE2\x82\xAC\xF0\x9D\x84\x9E"),
            "\x06\0\0\0\xAC\x20\x34\xD8\x1E\xDD"s);
}

TEST_F(RecordsTest, DamagedCountsAreErrorsTheCallerSees) {
  struct Case {
    const char* name;
    std::string bytes;
    bool wide;
  } cases[] = {
      {"negative count",
       "\xFF\xFF\xFF\xFF"
       "abc"s,
       false},
      {"negative count, wide", "\x00\x00\x00\x80"s, true},
      {"count larger than the file",
       "\xFF\xFF\xFF\x7F"
       "abc"s,
       false},
      {"count one past the payload", "\x04\0\0\0abc"s, false},
      {"odd count, wide", "\x03\0\0\0a\0b"s, true},
      {"truncated count", "\x03\0"s, false},
      {"truncated count, wide", "\x03"s, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("bad.bin", c.bytes);
    const std::int16_t n = Open("bad.bin", FileAccess::kBytesRead);
    EXPECT_EQ(c.wide ? fso_.BStringInW(n) : fso_.BStringIn(n), std::nullopt);
    EXPECT_EQ(open_files::Position(n), 1) << "the position stays at the damaged record";
    open_files::Close(n);
  }
}

}  // namespace
}  // namespace vkt::fs
