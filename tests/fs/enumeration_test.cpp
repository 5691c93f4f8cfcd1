#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {

// Reaches the class's private helpers.
class FileSystemObjectPeer {
 public:
  static std::string StripNulls(const std::string& t) { return FileSystemObject::StripNulls(t); }
  static bool MatchSpec(const std::string& n, const std::string& s) {
    return FileSystemObject::MatchSpec(n, s);
  }
  static std::string AddBackslash(const std::string& p) {
    return FileSystemObject::AddBackslash(p);
  }
};

namespace {

using vkt::testing::FakeDesktop;
using vkt::testing::TempDir;
using List = std::vector<std::string>;

// Windows form of a test path: the folder as POSIX, the rest with "\".
std::string Win(const TempDir& dir, const std::string& rest) { return dir.path() + "\\" + rest; }

TEST(EnumFiles, FolderWithOnlySubfoldersOrMissingGivesTheEmptyList) {
  TempDir dir;
  dir.MakeDir("f/sub");
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumFiles(Win(dir, "f\\*")), List{""});
  EXPECT_EQ(fso.EnumFiles(Win(dir, "missing\\*")), List{""});
}

TEST(EnumFiles, ListsBareFileNamesOnly) {
  TempDir dir;
  dir.Write("f/b.sql", "x");
  dir.MakeDir("f/old");
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumFiles(Win(dir, "F\\*")), (List{"", "b.sql"}));
}

TEST(EnumFiles, ListsHiddenAndReadOnlyFilesInListingOrder) {
  TempDir dir;
  dir.Write("f/z.ora", "");
  dir.Write("f/.hidden.ora", "");
  dir.Write("f/ro.ora", "");
  dir.Write("f/A.sql", "");
  ASSERT_TRUE(platform::SetReadOnly(dir / "f/ro.ora", true).ok());
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumFiles(Win(dir, "f\\*.ora")), (List{"", ".hidden.ora", "ro.ora", "z.ora"}));
  EXPECT_EQ(fso.EnumFiles(Win(dir, "f\\*.*")),
            (List{"", ".hidden.ora", "A.sql", "ro.ora", "z.ora"}));
}

TEST(EnumFiles, TakesTheExpressionAsGiven) {
  TempDir dir;
  dir.Write("f/a.sql", "");
  FileSystemObject fso;
  // No wildcard is added: a folder alone names the folder, not its files.
  EXPECT_EQ(fso.EnumFiles(Win(dir, "f")), List{""});
  EXPECT_EQ(fso.EnumFiles(Win(dir, "f\\")), List{""});
  EXPECT_EQ(fso.EnumFiles(Win(dir, "F\\A.SQL")), (List{"", "a.sql"}));
}

TEST(EnumSubFolders, ListsDotNamedFoldersButNeverDotAndDotDot) {
  TempDir dir;
  dir.MakeDir("f/Views");
  dir.MakeDir("f/.git");
  dir.Write("f/file.txt", "");
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumSubFolders(Win(dir, "f\\*.*")), (List{"", ".git", "Views"}));
  EXPECT_EQ(fso.EnumSubFolders(Win(dir, "nothing\\*")), List{""});
}

class EnumTypeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("r/a.sql", "");
    dir_.Write("r/.svn/x.sql", "");
    dir_.Write("r/s/b.SQL", "");
    dir_.Write("r/s/c.txt", "");
    root_ = Win(dir_, "r");
  }
  TempDir dir_;
  std::string root_;
};

TEST_F(EnumTypeFilesTest, SkipsDotFoldersMatchesWithoutCaseAndFilters) {
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumTypeFiles(root_, "*.sql", true, true, true),
            (List{"", root_ + "\\a.sql", root_ + "\\s\\b.SQL"}));
}

TEST_F(EnumTypeFilesTest, BareNamesAndNoRecursion) {
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumTypeFiles(root_, "*.sql", false, true, true), (List{"", "a.sql", "b.SQL"}));
  EXPECT_EQ(fso.EnumTypeFiles(root_ + "\\", "*.sql", true, false, true),
            (List{"", root_ + "\\a.sql"}));
}

TEST_F(EnumTypeFilesTest, SubfolderFilesComeWhereTheSubfolderIsListed) {
  dir_.Write("r/t.sql", "");
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumTypeFiles(root_, "*.sql", false, true, true),
            (List{"", "a.sql", "b.SQL", "t.sql"}));
}

TEST_F(EnumTypeFilesTest, AccumulatesUnlessCleared) {
  FileSystemObject fso;
  fso.EnumTypeFiles(root_, "*.sql", false, false, true);
  EXPECT_EQ(fso.EnumTypeFiles(root_ + "\\s", "*.txt", false, false, false),
            (List{"", "a.sql", "c.txt"}));
  EXPECT_EQ(fso.EnumTypeFiles(root_ + "\\s", "*.txt", false, false, true), (List{"", "c.txt"}));
}

TEST_F(EnumTypeFilesTest, AnUnstartedAccumulatorStartsFresh) {
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumTypeFiles(root_, "*.sql", false, false, false), (List{"", "a.sql"}));
}

TEST_F(EnumTypeFilesTest, ResultIsACopy) {
  FileSystemObject fso;
  List first = fso.EnumTypeFiles(root_, "*.sql", false, false, true);
  first.push_back("changed");
  EXPECT_EQ(fso.EnumTypeFiles(root_, "*.none", false, false, false), (List{"", "a.sql"}));
}

TEST_F(EnumTypeFilesTest, MissingRootReturnsTheAccumulatorAsItStands) {
  FileSystemObject fso;
  fso.EnumTypeFiles(root_, "*.sql", false, false, true);
  EXPECT_EQ(fso.EnumTypeFiles(Win(dir_, "nope"), "*", false, true, false), (List{"", "a.sql"}));
}

TEST_F(EnumTypeFilesTest, YieldsAfterEveryEntry) {
  FakeDesktop desktop;
  FileSystemObject fso;
  fso.EnumTypeFiles(root_, "*.sql", false, false, true);
  // ".", "..", ".svn", "a.sql", "s".
  EXPECT_EQ(desktop.yields, 5);
}

TEST(MatchSpec, PatternLists) {
  struct Case {
    const char* name;
    const char* spec;
    bool match;
  } cases[] = {
      {"a.sql", "*.sql;*.txt", true},   {"a.txt", "*.sql;*.txt", true},
      {"a.ora", "*.sql;*.txt", false},  {"a.txt", "*.sql;  *.txt", true},
      {"a.txt", "*.sql;\t*.txt", true}, {"noext", "*.*", true},
      {"A.SQL", "*.sql", true},         {"ab.sql", "?.sql", false},
      {"b.sql", "?.sql", true},         {"a.sql", "", false},
      {"a.sql", "*.ora;", false},       {"a.sql2005", "*.sql", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileSystemObjectPeer::MatchSpec(c.name, c.spec), c.match)
        << c.name << " ~ " << c.spec;
  }
}

TEST(PrivateHelpers, StripNullsAndAddBackslash) {
  EXPECT_EQ(FileSystemObjectPeer::StripNulls(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(FileSystemObjectPeer::StripNulls("abc"), "abc");
  EXPECT_EQ(FileSystemObjectPeer::StripNulls(std::string("\0", 1)), "");
  EXPECT_EQ(FileSystemObjectPeer::AddBackslash("C:\\x"), "C:\\x\\");
  EXPECT_EQ(FileSystemObjectPeer::AddBackslash("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(FileSystemObjectPeer::AddBackslash(""), "\\");
}

TEST(FileExists, FilesButNotFoldersNorHiddenFiles) {
  TempDir dir;
  dir.Write("f/a.SQL", "");
  dir.Write("f/.h.sql", "");
  dir.MakeDir("f/sub");
  FileSystemObject fso;
  EXPECT_TRUE(fso.FileExists(Win(dir, "F\\A.sql")));
  EXPECT_FALSE(fso.FileExists(Win(dir, "f\\sub")));
  EXPECT_FALSE(fso.FileExists(Win(dir, "f")));
  EXPECT_FALSE(fso.FileExists(Win(dir, "f\\.h.sql")));
  EXPECT_FALSE(fso.FileExists(Win(dir, "f\\missing.sql")));
  EXPECT_FALSE(fso.FileExists(""));
}

TEST(FileExists, WildcardsFindAFileEvenAfterAFolder) {
  TempDir dir;
  dir.MakeDir("f/a.sql");  // a folder that matches first
  dir.Write("f/b.sql", "");
  FileSystemObject fso;
  EXPECT_TRUE(fso.FileExists(Win(dir, "f\\*.sql")));
  EXPECT_FALSE(fso.FileExists(Win(dir, "f\\a*")));
}

TEST(PathExists, Table) {
  TempDir dir;
  dir.Write("f/file.txt", "");
  dir.MakeDir("f/Sub");
  FileSystemObject fso;
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {Win(dir, "f"), true},
      {Win(dir, "f\\"), true},
      {Win(dir, "F/SUB/"), true},
      {Win(dir, "f\\sub"), true},
      {Win(dir, "f\\\\"), false},  // only one trailing separator is dropped
      {Win(dir, "f\\file.txt"), false},
      {Win(dir, "f\\file.txt\\"), false},
      {Win(dir, "missing"), false},
      {Win(dir, "f\\*"), true},  // "." and ".." are folders
      {"", false},
      {"/", true},  // the root has entries
      {"\\", true},
      {"C:\\", false},  // a drive names nothing here
      {"C:", false},
  };
  for (const auto& c : cases) EXPECT_EQ(fso.PathExists(c.path), c.exists) << c.path;
}

}  // namespace
}  // namespace vkt::fs
