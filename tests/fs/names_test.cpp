#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/name_seed.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::TempDir;

TEST(FindString, ComparesExactlyOrWithoutRegardToCase) {
  const std::vector<std::string> list = {"", "a.txt", "B.TXT", "A\xC3\x87\xC3\x83O"};  // AÇÃO
  FileSystemObject fso;
  struct Case {
    const char* match;
    bool ignore_case;
    bool found;
  } cases[] = {
      {"b.txt", true, true},  {"b.txt", false, false},
      {"B.TXT", false, true}, {"a.txt", false, true},
      {"", false, false},     {"", true, false},
      {"c.txt", true, false}, {"a\xC3\xA7\xC3\xA3o", true, true},
      {"a.tx", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fso.FindString(list, c.match, c.ignore_case), c.found)
        << c.match << (c.ignore_case ? " (ignoring case)" : "");
  }
  EXPECT_FALSE(fso.FindString({}, "a.txt", true)) << "an unallocated array";
  EXPECT_FALSE(fso.FindString(list, "b.txt")) << "exact by default";
}

TEST(TempCounterSeed, RoundsHalfToEvenAndKeepsFourteenBits) {
  struct Case {
    OleDate date;
    std::int32_t seed;
  } cases[] = {
      {45000.0, 45000 & 16383},
      {45000.49, 45000 & 16383},
      {45000.5, 45000 & 16383},
      {45000.51, 45001 & 16383},
      {45001.5, 45002 & 16383},
      {46362.25, 13594},
      {16383.6, 0},
      {0.0, 0},
      {16383.4, 16383},
  };
  for (const Case& c : cases) EXPECT_EQ(TempCounterSeed(c.date), c.seed) << c.date;
}

class NamesTest : public ::testing::Test {
 protected:
  // The folder as the program writes it, followed by "\".
  std::string Folder() const { return dir_.path() + "\\"; }
  FileSystemObject fso_;
  TempDir dir_;
};

// The counter goes on from the last name given; Reset starts again at one.
TEST_F(NamesTest, NewFilenameSkipsNamesTakenInAnyLetterCase) {
  dir_.Write("Untitled1.doc", "");
  dir_.Write("untitled2.DOC", "");
  dir_.Write("Untitled9.txt", "");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), Folder() + "Untitled3.doc");
  EXPECT_EQ(fso_.SerialCounter(), 3);
  // Not taken yet: the same name again, the counter stays.
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), Folder() + "Untitled3.doc");
  EXPECT_EQ(fso_.SerialCounter(), 3);
  dir_.Write("UNTITLED3.DOC", "");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), Folder() + "Untitled4.doc");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "txt", Folder()), Folder() + "Untitled4.txt");
  std::filesystem::remove(dir_ / "Untitled1.doc");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder(), true), Folder() + "Untitled1.doc");
}

TEST_F(NamesTest, UniqueFilenameIsSeededFromTheDate) {
  const std::int32_t before = TempCounterSeed(LocalNowAsOleDate());
  const std::string name = fso_.GetUniqueFilename("tmpfile", Folder());
  const std::int32_t after = TempCounterSeed(LocalNowAsOleDate());
  ASSERT_GT(fso_.TempCounter(), 0);
  ASSERT_LE(fso_.TempCounter(), 16383);
  if (before == after) {
    EXPECT_EQ(fso_.TempCounter(), before);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(fso_.TempCounter()));
  EXPECT_EQ(name, Folder() + "tmpf" + hex + ".T$$");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), name) << "seeded once per instance";
}

}  // namespace
}  // namespace vkt::fs
