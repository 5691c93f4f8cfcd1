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

TEST_F(RecordsTest, CountsAreLittleEndian) {
  const std::string text(300, 'x');
  const std::string bytes = Written(&FileSystemObject::BStringOut, text);
  EXPECT_EQ(bytes.substr(0, 4), "\x2C\x01\0\0"s);
  EXPECT_EQ(bytes.size(), 304u);
}

TEST_F(RecordsTest, ReadersReturnTheEmptyStringConsumingFourBytes) {
  dir_.Write("e.bin", "\0\0\0\0\0\0\0\0"s);
  const std::int16_t n = Open("e.bin", FileAccess::kBytesRead);
  EXPECT_EQ(fso_.BStringIn(n), "");
  EXPECT_EQ(open_files::Position(n), 5);
  EXPECT_EQ(fso_.BStringInW(n), "");
  EXPECT_EQ(open_files::Position(n), 9);
}

TEST_F(RecordsTest, ThreeRecordsInARowComeBackInOrder) {
  for (bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "wide" : "bytes");
    const std::int16_t w = Open("three.bin", FileAccess::kBytesWrite);
    for (const char* text : {"x", "", "yz"}) {
      EXPECT_TRUE(wide ? fso_.BStringOutW(w, text) : fso_.BStringOut(w, text));
    }
    open_files::Close(w);
    const std::int16_t r = Open("three.bin", FileAccess::kBytesRead);
    auto read = [&] { return wide ? fso_.BStringInW(r) : fso_.BStringIn(r); };
    EXPECT_EQ(read(), "x");
    EXPECT_EQ(read(), "");
    EXPECT_EQ(read(), "yz");
    EXPECT_EQ(open_files::Position(r), *open_files::Length(r) + 1);
    EXPECT_TRUE(open_files::AtEnd(r));
    EXPECT_EQ(read(), std::nullopt) << "no fourth record";
    open_files::Close(r);
  }
}

TEST_F(RecordsTest, TextOutsideTheCodePageSurvivesOnlyTheWideRecord) {
  const std::string text = "Z\xC3\xBCrich \xE4\xB8\xAD\xE6\x96\x87 \xCE\xA9";  // Zürich 中文 Ω
  const std::int16_t w = Open("mixed.bin", FileAccess::kBytesWrite);
  EXPECT_TRUE(fso_.BStringOutW(w, text));
  EXPECT_TRUE(fso_.BStringOut(w, text));
  open_files::Close(w);
  const std::int16_t r = Open("mixed.bin", FileAccess::kBytesRead);
  EXPECT_EQ(fso_.BStringInW(r), text);
  EXPECT_EQ(fso_.BStringIn(r), "Z\xC3\xBCrich ?? ?");
}

TEST_F(RecordsTest, RecordsGoWhereThePositionStands) {
  dir_.Write("rw.bin", "\x01\0\0\0a\x01\0\0\0b"s);
  const std::int16_t n = Open("rw.bin", FileAccess::kBytes);
  EXPECT_EQ(fso_.BStringIn(n), "a");
  EXPECT_TRUE(fso_.BStringOut(n, "c"));  // replaces the second record
  open_files::SetPosition(n, 1);
  EXPECT_EQ(fso_.BStringIn(n), "a");
  EXPECT_EQ(fso_.BStringIn(n), "c");
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

TEST_F(RecordsTest, NumbersNotOpenForTheRightAccessFail) {
  dir_.Write("r.bin", "\x01\0\0\0a"s);
  const std::int16_t lines = Open("r.bin", FileAccess::kLineInput);
  EXPECT_EQ(fso_.BStringIn(lines), std::nullopt);
  EXPECT_FALSE(fso_.BStringOut(lines, "x"));
  const std::int16_t reader = Open("r.bin", FileAccess::kBytesRead);
  EXPECT_FALSE(fso_.BStringOut(reader, "x"));
  EXPECT_FALSE(fso_.BStringOutW(reader, "x"));
  const std::int16_t writer = Open("w.bin", FileAccess::kBytesWrite);
  EXPECT_EQ(fso_.BStringIn(writer), std::nullopt);
  EXPECT_EQ(fso_.BStringInW(writer), std::nullopt);
  EXPECT_FALSE(fso_.BStringOut(200, "x"));
  EXPECT_EQ(fso_.BStringIn(200), std::nullopt);
  EXPECT_EQ(dir_.Read("r.bin"), "\x01\0\0\0a"s);
}

}  // namespace
}  // namespace vkt::fs
