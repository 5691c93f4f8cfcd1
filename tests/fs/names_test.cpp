#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/file_system_object_peer.h"
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
}

TEST_F(NamesTest, NewFilenameResetStartsAgainAtOne) {
  dir_.Write("Untitled1.doc", "");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), Folder() + "Untitled2.doc");
  std::filesystem::remove(dir_ / "Untitled1.doc");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), Folder() + "Untitled2.doc");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder(), true), Folder() + "Untitled1.doc");
}

TEST_F(NamesTest, EachInstanceKeepsItsOwnCounters) {
  dir_.Write("Doc1.doc", "");
  FileSystemObject other;
  EXPECT_EQ(fso_.GetNewFilename("Doc", "doc", Folder()), Folder() + "Doc2.doc");
  dir_.Write("Doc2.doc", "");
  EXPECT_EQ(fso_.GetNewFilename("Doc", "doc", Folder()), Folder() + "Doc3.doc");
  FileSystemObjectPeer::SetSerialCounter(other, 1);
  EXPECT_EQ(other.GetNewFilename("Doc", "doc", Folder()), Folder() + "Doc3.doc");
  EXPECT_EQ(fso_.TempCounter(), 0) << "the serial generator leaves the temporary counter alone";
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

TEST_F(NamesTest, UniqueFilenameSkipsNamesTakenInAnyLetterCase) {
  FileSystemObjectPeer::SetTempCounter(fso_, 0xabc);
  dir_.Write("TMPFABC.T$$", "");
  dir_.Write("tmpfAbD.t$$", "");
  dir_.Write("tmpfabe.txt", "");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), Folder() + "tmpfabe.T$$");
  EXPECT_EQ(fso_.TempCounter(), 0xabe);
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), Folder() + "tmpfabe.T$$");
  dir_.Write("tmpfabe.T$$", "");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), Folder() + "tmpfabf.T$$");
}

TEST_F(NamesTest, UniqueFilenameKeepsTheFirstFourCharactersOfThePrefix) {
  FileSystemObjectPeer::SetTempCounter(fso_, 0x2c41);
  EXPECT_EQ(fso_.GetUniqueFilename("$fso3T", Folder()), Folder() + "$fso2c41.T$$");
  EXPECT_EQ(fso_.GetUniqueFilename("ab", Folder()), Folder() + "ab2c41.T$$");
  EXPECT_EQ(fso_.GetUniqueFilename("\xC3\xA7\xC3\xA3o_tmp", Folder()),  // ção_tmp
            Folder() + "\xC3\xA7\xC3\xA3o_2c41.T$$");
}

TEST_F(NamesTest, GeneratedNamesGetExactlyOneSeparatorAfterTheFolder) {
  FileSystemObjectPeer::SetTempCounter(fso_, 0x10);
  const std::string expected = Folder() + "tmpf10.T$$";
  EXPECT_EQ(fso_.GetUniqueFilename("tmpf", dir_.path()), expected);
  EXPECT_EQ(fso_.GetUniqueFilename("tmpf", dir_.path() + "\\"), expected);
  EXPECT_EQ(fso_.GetUniqueFilename("tmpf", dir_.path() + "\\\\"), expected);
  EXPECT_EQ(fso_.GetUniqueFilename("tmpf", "C:\\"), "C:\\tmpf10.T$$");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpf", "/"), "/tmpf10.T$$");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", "C:\\"), "C:\\Untitled1.doc");
}

TEST_F(NamesTest, AnEmptyPathMeansTheCurrentDirectory) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_.path());
  dir_.Write("Untitled1.doc", "");
  const std::string name = fso_.GetNewFilename("Untitled");
  std::filesystem::current_path(previous);
  EXPECT_EQ(name, dir_.path() + "\\Untitled2.doc");
}

TEST_F(NamesTest, AMissingFolderHidesNothing) {
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", dir_.path() + "\\missing"),
            dir_.path() + "\\missing\\Untitled1.doc");
}

TEST_F(NamesTest, UniqueFilenameIsEmptyWhenEveryNumberIsTaken) {
  FileSystemObjectPeer::SetTempCounter(fso_, 0xfffe);
  dir_.Write("tmpffffe.T$$", "");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), Folder() + "tmpfffff.T$$");
  dir_.Write("TMPFFFFF.T$$", "");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), "");
  EXPECT_EQ(fso_.TempCounter(), 65536);
  // The counter stays past the bound until a reset, even when names free up.
  std::filesystem::remove(dir_ / "TMPFFFFF.T$$");
  EXPECT_EQ(fso_.GetUniqueFilename("tmpfile", Folder()), "");
  EXPECT_NE(fso_.GetUniqueFilename("tmpfile", Folder(), true), "");
  EXPECT_LE(fso_.TempCounter(), 16383);
}

TEST_F(NamesTest, NewFilenameIsEmptyWhenEveryNumberIsTaken) {
  FileSystemObjectPeer::SetSerialCounter(fso_, 65535);
  dir_.Write("untitled65535.doc", "");
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder()), "");
  EXPECT_EQ(fso_.SerialCounter(), 65536);
  EXPECT_EQ(fso_.GetNewFilename("Untitled", "doc", Folder(), true), Folder() + "Untitled1.doc");
}

}  // namespace
}  // namespace vkt::fs
