#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "support/temp_dir.h"
#include "text/letter_case.h"

namespace vkt::platform {
namespace {

using vkt::testing::TempDir;

std::vector<std::string> Names(const std::vector<Entry>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

TEST(ResolvePath, FindsComponentsWithoutRegardToCase) {
  TempDir dir;
  dir.Write("Repo/Views/v1.ora", "x");
  std::string posix;
  ASSERT_TRUE(ResolvePath(dir.path() + "\\REPO\\VIEWS\\V1.ORA", &posix));
  EXPECT_EQ(posix, dir / "Repo/Views/v1.ora");
}

TEST(ResolvePath, PrefersTheExactMatchOverACaseVariant) {
  TempDir dir;
  dir.Write("views/a.sql", "lower");
  dir.Write("Views/a.sql", "mixed");
  std::string posix;
  ASSERT_TRUE(ResolvePath(dir.path() + "/Views/a.sql", &posix));
  EXPECT_EQ(posix, dir / "Views/a.sql");
  // Neither spelling is exact: the first in listing order wins (ties by bytes).
  ASSERT_TRUE(ResolvePath(dir.path() + "/VIEWS/a.sql", &posix));
  EXPECT_EQ(posix, dir / "Views/a.sql");
}

TEST(ResolvePath, KeepsTheGivenCaseOfMissingComponents) {
  TempDir dir;
  dir.MakeDir("Out");
  std::string posix;
  ASSERT_TRUE(ResolvePath(dir.path() + "\\OUT\\New\\File.sql", &posix));
  EXPECT_EQ(posix, dir / "Out/New/File.sql");
}

TEST(ResolvePath, RejectsDrivePrefixesAndEmptyPaths) {
  std::string posix;
  for (const char* path : {"C:\\repo", "a:x", "z:", "A:\\", "Z:/", ""}) {
    EXPECT_FALSE(ResolvePath(path, &posix)) << path;
  }
  TempDir dir;
  dir.MakeDir("@:");  // no letter before the colon: a name like any other
  EXPECT_TRUE(ResolvePath(dir.path() + "/@:", &posix));
}

TEST(ResolvePath, SeesFoldersCreatedDuringTheRun) {
  TempDir dir;
  std::string posix;
  ASSERT_TRUE(ResolvePath(dir.path() + "/ORACLE", &posix));  // caches the listing
  ASSERT_TRUE(CreateDirectory(dir.path() + "/oracle").ok());
  ASSERT_TRUE(ResolvePath(dir.path() + "/ORACLE/x", &posix));
  EXPECT_EQ(posix, dir / "oracle/x");
  EXPECT_FALSE(CreateDirectory(dir.path() + "\\Oracle").ok());
}

TEST(ResolvePath, SeesFilesCreatedOutsideTheLayerAfterCaching) {
  TempDir dir;
  dir.Write("f/other.sql", "");
  std::string posix;
  ASSERT_TRUE(ResolvePath(dir.path() + "/F/NEW.SQL", &posix));  // caches "f"
  EXPECT_EQ(posix, dir / "f/NEW.SQL");
  dir.Write("f/new.sql", "x");  // not through the platform layer
  ASSERT_TRUE(ResolvePath(dir.path() + "/F/NEW.SQL", &posix));
  EXPECT_EQ(posix, dir / "f/new.sql");
  EXPECT_EQ(Names(FindEntries(dir.path() + "/f/*.SQL")),
            (std::vector<std::string>{"new.sql", "other.sql"}));
  // A listing read well after the folder last changed is trusted only while
  // the folder stays as it was.
  dir.MakeDir("g");
  std::filesystem::last_write_time(
      dir / "g", std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10));
  ASSERT_TRUE(ResolvePath(dir.path() + "/G/NEW.SQL", &posix));  // caches "g"
  dir.Write("g/new.sql", "x");
  ASSERT_TRUE(ResolvePath(dir.path() + "/G/NEW.SQL", &posix));
  EXPECT_EQ(posix, dir / "g/new.sql");
}

TEST(FindEntries, RootYieldsNoDotEntriesAndDrivesNameNothing) {
  auto root = FindEntries("/*");
  ASSERT_FALSE(root.empty());
  for (const auto& e : root) EXPECT_TRUE(e.name != "." && e.name != "..") << e.name;
  EXPECT_TRUE(FindEntries("C:\\*").empty());
  EXPECT_TRUE(FindEntries("C:*").empty());
}

TEST(FindEntries, ListsInNtfsOrderWithWildcards) {
  TempDir dir;
  dir.Write("f/b.sql", "");
  dir.Write("f/A.sql", "");
  dir.Write("f/_x.sql", "");
  dir.Write("f/c.ora", "");
  dir.Write("f/.hidden.sql", "");
  dir.MakeDir("f/old");
  EXPECT_EQ(Names(FindEntries(dir.path() + "\\F\\*.SQL")),
            (std::vector<std::string>{".hidden.sql", "A.sql", "b.sql", "_x.sql"}));
  auto all = FindEntries(dir.path() + "/f/*.*");
  EXPECT_EQ(Names(all), (std::vector<std::string>{".", "..", ".hidden.sql", "A.sql", "b.sql",
                                                  "c.ora", "old", "_x.sql"}));
  EXPECT_TRUE(all[6].is_directory);
  EXPECT_FALSE(all[5].is_directory);
}

// A link counts as what it points at; a link to nothing is a file.
TEST(FindEntries, ListsLinksAsTheirTargets) {
  TempDir dir;
  dir.MakeDir("f/real");
  dir.Write("f/file.sql", "");
  ASSERT_EQ(::symlink("real", (dir / "f/to_dir").c_str()), 0);
  ASSERT_EQ(::symlink("file.sql", (dir / "f/to_file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", (dir / "f/to_nothing").c_str()), 0);
  std::vector<bool> folders;
  for (const Entry& e : FindEntries(dir.path() + "/f/*")) folders.push_back(e.is_directory);
  EXPECT_EQ(
      Names(FindEntries(dir.path() + "/f/*")),
      (std::vector<std::string>{".", "..", "file.sql", "real", "to_dir", "to_file", "to_nothing"}));
  EXPECT_EQ(folders, (std::vector<bool>{true, true, false, true, true, false, false}));
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningProgram) {
  EXPECT_EQ(ExecutableFolder(), std::filesystem::path(VKTGERA_EXE).parent_path().string());
}

TEST(FindEntries, MatchesAsciiAndOtherNamesAlike) {
  TempDir dir;
  dir.Write("f/a.sql", "");
  dir.Write("f/\xC3\xA7\xC3\xA3o.SQL", "");  // ção.SQL
  dir.Write("f/b.sqlx", "");
  EXPECT_EQ(Names(FindEntries(dir.path() + "/f/*.sql")),
            (std::vector<std::string>{"a.sql", "\xC3\xA7\xC3\xA3o.SQL"}));
  EXPECT_EQ(Names(FindEntries(dir.path() + "/f/\xC3\x87*")),  // Ç*
            (std::vector<std::string>{"\xC3\xA7\xC3\xA3o.SQL"}));
  EXPECT_EQ(Names(FindEntries(dir.path() + "/f/?.SQL?")), (std::vector<std::string>{"b.sqlx"}));
}

TEST(FindEntries, NamesOneEntryWithoutWildcards) {
  TempDir dir;
  dir.Write("f/Data.SQL", "");
  auto found = FindEntries(dir.path() + "/F/data.sql");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "Data.SQL");
  EXPECT_TRUE(FindEntries(dir.path() + "/f/").empty());
  EXPECT_TRUE(FindEntries(dir.path() + "/missing/*").empty());
}

TEST(ListedFolder, FindsNamesAsPathsResolveThemAndOpensEntriesByThem) {
  TempDir dir;
  dir.Write("F/a.ora", "lower");
  dir.Write("F/A.ora", "upper");
  dir.Write("F/B.ORA", "b");
  dir.MakeDir("F/Sub.ora");
  ASSERT_EQ(::mkfifo((dir / "F/pipe.ora").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("B.ORA", (dir / "F/link.ora").c_str()), 0);
  ListedFolder folder;
  ASSERT_TRUE(folder.Open(dir.path() + "\\f\\").ok());
  auto read = [&](const std::string& name) {
    const std::size_t i = folder.Find(name, text::UpperCase(name));
    if (i == ListedFolder::kNone) return std::string("<none>");
    File file;
    char buffer[16];
    std::size_t got = 0;
    if (!folder.OpenEntry(i, &file).ok() || !file.Read(buffer, sizeof buffer, &got).ok()) {
      return std::string("<error>");
    }
    return std::string(buffer, got);
  };
  // The exact name wins, else the first equal name in listing order.
  EXPECT_EQ(read("a.ora"), "lower");
  EXPECT_EQ(read("A.ora"), "upper");
  EXPECT_EQ(read("A.ORA"), "upper");
  EXPECT_EQ(read("b.ora"), "b");
  EXPECT_EQ(read("link.ORA"), "b");
  EXPECT_EQ(read("c.ora"), "<none>");
  // Entry types come from the listing, links followed; matching is that of
  // a directory search.
  std::vector<std::string> names;
  std::vector<EntryType> types;
  for (std::size_t i : folder.Matching("*.ora")) {
    names.push_back(folder.entry(i).name);
    types.push_back(folder.entry(i).type);
  }
  EXPECT_EQ(names, Names(FindEntries(dir.path() + "/F/*.ora")));
  EXPECT_EQ(types, (std::vector<EntryType>{EntryType::kRegular, EntryType::kRegular,
                                           EntryType::kRegular, EntryType::kRegular,
                                           EntryType::kOther, EntryType::kDirectory}));
  EXPECT_FALSE(folder.Open(dir.path() + "/missing").ok());
  EXPECT_EQ(folder.size(), 0u);
}

TEST(MatchesPattern, FollowsWindowsWildcards) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {
      {"noext", "*.*", true},     {"a.sql", "*.SQL", true}, {"a.sql2005", "*.sql", false},
      {"abc", "a?c", true},       {"ac", "a?c", false},     {"ção.txt", "ÇÃO.*", true},
      {"x.tar.gz", "*.gz", true}, {"x", "*", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
  }
}

TEST(FileChanges, ReadOnlyFilesBehaveAsOnWindows) {
  TempDir dir;
  dir.Write("ro.txt", "keep");
  ASSERT_TRUE(SetReadOnly(dir / "ro.txt", true).ok());
  FileInfo info;
  ASSERT_TRUE(GetInfo(dir / "ro.txt", &info).ok());
  EXPECT_EQ(info.attributes, kAttrArchive | kAttrReadOnly);
  EXPECT_FALSE(DeleteFile(dir / "ro.txt").ok());
  EXPECT_FALSE(CopyFile(dir / "ro.txt", dir / "ro.txt", false).ok());
  dir.Write("new.txt", "new");
  EXPECT_EQ(CopyFile(dir / "new.txt", dir / "ro.txt", false).code, EACCES);
  EXPECT_EQ(dir.Read("ro.txt"), "keep");
  AtomicFile w;
  EXPECT_EQ(w.Create(dir / "ro.txt").code, EACCES);
  ASSERT_TRUE(SetReadOnly(dir / "ro.txt", false).ok());
  EXPECT_TRUE(DeleteFile(dir / "ro.txt").ok());
}

TEST(FileChanges, MoveNeverReplacesAnExistingFile) {
  TempDir dir;
  dir.Write("a", "a");
  dir.Write("b", "b");
  EXPECT_EQ(MoveFile(dir / "a", dir / "B").code, EEXIST);
  EXPECT_EQ(dir.Read("b"), "b");
  EXPECT_TRUE(MoveFile(dir / "a", dir / "c").ok());
  EXPECT_EQ(dir.Read("c"), "a");
}

TEST(FileChanges, CopyKeepsContentModeAndWriteTime) {
  TempDir dir;
  dir.Write("src", std::string(300000, 'z'));
  ASSERT_TRUE(SetTimes(dir / "src", 1000000000LL * 1600000000, 1000000000LL * 1500000000).ok());
  ASSERT_TRUE(CopyFile(dir / "SRC", dir / "dst", true).ok());
  EXPECT_EQ(dir.Read("dst"), std::string(300000, 'z'));
  FileInfo info;
  ASSERT_TRUE(GetInfo(dir / "dst", &info).ok());
  EXPECT_EQ(info.write_ns, 1000000000LL * 1500000000);
  EXPECT_EQ(CopyFile(dir / "src", dir / "dst", true).code, EEXIST);
}

TEST(AtomicFile, LeavesTheTargetAloneUntilCommitted) {
  TempDir dir;
  dir.Write("out.sql", "old");
  {
    AtomicFile w;
    ASSERT_TRUE(w.Create(dir / "OUT.SQL").ok());
    ASSERT_TRUE(w.Write("new", 3).ok());
    EXPECT_EQ(dir.Read("out.sql"), "old");
  }  // dropped without Commit
  EXPECT_EQ(dir.Read("out.sql"), "old");
  AtomicFile w;
  ASSERT_TRUE(w.Create(dir / "out.sql").ok());
  ASSERT_TRUE(w.Write("new", 3).ok());
  ASSERT_TRUE(w.Commit().ok());
  EXPECT_EQ(dir.Read("out.sql"), "new");
  EXPECT_EQ(Names(FindEntries(dir.path() + "/*")),
            (std::vector<std::string>{".", "..", "out.sql"}));
}

}  // namespace
}  // namespace vkt::platform
