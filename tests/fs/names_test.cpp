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

// The counter goes on from the last name given; Reset starts again at one.
TEST(Names, NewSkipsNamesTakenInAnyLetterCaseAndUniqueIsSeededFromTheDate) {
  TempDir dir;
  FileSystemObject fso;
  const std::string folder = dir.path() + "\\";  // as the program writes it
  dir.Write("Untitled1.doc", "");
  dir.Write("untitled2.DOC", "");
  dir.Write("Untitled9.txt", "");
  EXPECT_EQ(fso.GetNewFilename("Untitled", "doc", folder), folder + "Untitled3.doc");
  EXPECT_EQ(fso.SerialCounter(), 3);
  // Not taken yet: the same name again, the counter stays.
  EXPECT_EQ(fso.GetNewFilename("Untitled", "doc", folder), folder + "Untitled3.doc");
  EXPECT_EQ(fso.SerialCounter(), 3);
  dir.Write("UNTITLED3.DOC", "");
  EXPECT_EQ(fso.GetNewFilename("Untitled", "doc", folder), folder + "Untitled4.doc");
  EXPECT_EQ(fso.GetNewFilename("Untitled", "txt", folder), folder + "Untitled4.txt");
  std::filesystem::remove(dir / "Untitled1.doc");
  EXPECT_EQ(fso.GetNewFilename("Untitled", "doc", folder, true), folder + "Untitled1.doc");
  // GetUniqueFilename's counter is seeded from the date, once per instance.
  const std::int32_t before = TempCounterSeed(LocalNowAsOleDate());
  const std::string name = fso.GetUniqueFilename("tmpfile", folder);
  const std::int32_t after = TempCounterSeed(LocalNowAsOleDate());
  ASSERT_GT(fso.TempCounter(), 0);
  ASSERT_LE(fso.TempCounter(), 16383);
  if (before == after) {
    EXPECT_EQ(fso.TempCounter(), before);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(fso.TempCounter()));
  EXPECT_EQ(name, folder + "tmpf" + hex + ".T$$");
  EXPECT_EQ(fso.GetUniqueFilename("tmpfile", folder), name) << "seeded once per instance";
}

}  // namespace
}  // namespace vkt::fs
