#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

struct TextCase {
  const char* in;
  const char* out;
};

TEST(CleanPath, RemovesExtraSeparatorsAndWritesTheCallersVariable) {
  const TextCase cases[] = {
      {"C:\\\\dir\\\\sub\\\\", "C:\\dir\\sub"},
      {"\\\\server\\share\\\\x", "\\\\server\\share\\x"},
      {"C:\\", "C:"},
      {"C:", "C:"},
      {"C:\\dir\\\\\\sub", "C:\\dir\\\\sub"},    // three become two
      {"C:\\dir\\\\\\\\sub", "C:\\dir\\\\sub"},  // four become two
      {"C:\\dir\\", "C:\\dir"},
      {"/tmp//repo/", "/tmp/repo"},
      {"/tmp\\/repo\\", "/tmp\\repo"},
      {"//server/share//x", "//server/share/x"},
      {"/", "/"},
      {"", ""},
  };
  FileSystemObject fso;
  for (const auto& c : cases) {
    std::string path = c.in;
    EXPECT_EQ(fso.CleanPath(path), c.out) << c.in;
    EXPECT_EQ(path, c.out) << c.in;
  }
}

struct BarenameCase {
  const char* in;
  bool keep_path;
  const char* out;
};

TEST(Barename, FollowsEveryRowOfItsTable) {
  const BarenameCase cases[] = {
      // no separator, no dot
      {"file", true, "file"},
      {"file", false, "file"},
      // no separator, a dot
      {"file.txt", true, "file"},
      {"archive.tar.gz", false, "archive.tar"},
      // a separator, no dot: the folder goes even when it is to be kept
      {"C:\\dir\\file", true, "file"},
      {"C:\\dir\\file", false, "file"},
      {"C:\\dir\\", true, ""},
      // the dot after the last separator
      {"C:\\dir\\file.txt", true, "C:\\dir\\file"},
      {"C:\\dir\\file.txt", false, "file"},
      {"/srv/repo/a.b.sql", true, "/srv/repo/a.b"},
      {"/srv/repo/a.b.sql", false, "a.b"},
      // the only dots in folder names
      {"C:\\dir.old\\file", true, "C:\\dir.old\\file"},
      {"C:\\dir.old\\file", false, "file"},
      {"C:\\dir.old\\", true, "C:\\dir.old"},
      {"C:\\dir.old\\", false, ""},
      {"", true, ""},
  };
  FileSystemObject fso;
  for (const auto& c : cases) {
    EXPECT_EQ(fso.Barename(c.in, c.keep_path), c.out) << c.in << " keep=" << c.keep_path;
  }
  EXPECT_EQ(fso.Barename("C:\\dir\\file.txt"), "C:\\dir\\file");  // KeepPath by default
}

TEST(GetFilename, GivesTheTextAfterTheLastSeparator) {
  FileSystemObject fso;
  EXPECT_EQ(fso.GetFilename("C:\\dir\\new.txt"), "new.txt");
  EXPECT_EQ(fso.GetFilename("/srv/repo/a.sql"), "a.sql");
  EXPECT_EQ(fso.GetFilename("new.txt"), "new.txt");
  EXPECT_EQ(fso.GetShortFilename("C:\\PROGRA~1"), "");
}

TEST(GetAbsolutePathname, ResolvesAgainstTheCurrentDirectoryByText) {
  FileSystemObject fso;
  const std::string cwd = stdfs::current_path().string();
  EXPECT_EQ(fso.CurrentDirectory(), cwd);
  EXPECT_EQ(fso.GetAbsolutePathname("a\\b\\..\\c.sql"), cwd + "/a/c.sql");
  EXPECT_EQ(fso.GetAbsolutePathname(".\\x/"), cwd + "/x/");
  EXPECT_EQ(fso.GetAbsolutePathname("/srv//repo/./Views/../Tabelas"), "/srv/repo/Tabelas");
  EXPECT_EQ(fso.GetAbsolutePathname("\\..\\..\\etc"), "/etc");
  EXPECT_EQ(fso.GetAbsolutePathname("C:\\dir\\..\\x.txt"), "C:\\x.txt");
  EXPECT_EQ(fso.GetAbsolutePathname(""), "");
}

TEST(ExtractPath, CutsAfterTheLastSeparatorOrGivesAFolderAsItIs) {
  TempDir dir;
  dir.Write("Repo/a.sql", "x");
  FileSystemObject fso;
  EXPECT_EQ(fso.ExtractPath("C:\\dir\\file.txt", true), std::optional<std::string>("C:\\dir\\"));
  EXPECT_EQ(fso.ExtractPath("/srv/repo/a.sql", true), std::optional<std::string>("/srv/repo/"));
  EXPECT_EQ(fso.ExtractPath("file.txt", true), std::nullopt);
  EXPECT_EQ(fso.ExtractPath("", true), std::nullopt);
  EXPECT_EQ(fso.ExtractPath(""), std::nullopt);
  EXPECT_EQ(fso.ExtractPath(dir.path() + "\\REPO\\"), dir.path() + "\\REPO\\");
  EXPECT_EQ(fso.ExtractPath(dir / "Repo"), dir / "Repo");
  EXPECT_EQ(fso.ExtractPath(dir / "Repo/a.sql"), dir / "Repo/");
  EXPECT_EQ(fso.ExtractPath(dir.path() + "\\Repo\\new.sql"), dir / "Repo/");
  EXPECT_EQ(fso.ExtractPath("new.sql"), stdfs::current_path().string() + "/");
}

TEST(CreatePath, CreatesEveryMissingFolderWithOrWithoutATrailingSeparator) {
  FileSystemObject fso;
  for (const char* root : {"C:\\", "c:", "/", "\\\\"}) EXPECT_TRUE(fso.CreatePath(root)) << root;
  for (const char* tail : {"", "\\"}) {
    TempDir dir;
    dir.MakeDir("a");
    EXPECT_TRUE(fso.CreatePath(dir.path() + "\\a\\b\\c" + tail)) << tail;
    EXPECT_TRUE(stdfs::is_directory(dir / "a/b/c")) << tail;
    EXPECT_TRUE(fso.CreatePath(dir.path() + "\\a\\b\\c" + tail)) << "again " << tail;
  }
}

TEST(CreatePath, FailsWhenAFolderCannotBeMadeAndKeepsThoseBeforeIt) {
  TempDir dir;
  dir.Write("a/blocker", "a file, not a folder");
  FileSystemObject fso;
  EXPECT_FALSE(fso.CreatePath(dir.path() + "/a/blocker/c"));
  EXPECT_FALSE(fso.CreatePath(dir.path() + "/made/" + std::string(300, 'n') + "/c"));
  EXPECT_TRUE(stdfs::is_directory(dir / "made"));
  EXPECT_FALSE(fso.CreatePath("C:\\dir"));
}

// Subfolders first, existing files replaced except ".ini" files; the result
// tells only whether the top folder's own files were copied.
TEST(CopyPath, CopiesTheTreeAndKeepsExistingIniFiles) {
  TempDir dir;
  dir.Write("src/a.sql", "a");
  dir.Write("src/setup.ini", "new settings");
  dir.Write("src/Sub/b.sql", "b");
  dir.Write("src/Sub/Deeper/c.sql", "c");
  dir.Write("src/.git/config", "g");
  dir.Write("src/Blocked/d.sql", "d");
  dir.Write("dst/a.sql", "old a");
  dir.Write("dst/setup.ini", "old settings");
  dir.Write("dst/Blocked", "a file where the subfolder should go");
  FileSystemObject fso;
  EXPECT_TRUE(fso.CopyPath(dir.path() + "\\src\\", dir.path() + "\\dst"));
  EXPECT_EQ(testing::FilesBelow(dir / "dst"),
            (std::map<std::string, std::string>{
                {".git/config", "g"},
                {"Blocked", "a file where the subfolder should go"},
                {"Sub/Deeper/c.sql", "c"},
                {"Sub/b.sql", "b"},
                {"a.sql", "a"},
                {"setup.ini", "old settings"},
            }));
}

// Read-only and hidden files go too; a linked folder is unlinked, not entered.
TEST(DeletePath, RemovesTheWholeTreeButNothingALinkPointsAt) {
  TempDir dir;
  dir.Write("tree/a.sql", "x");
  dir.Write("tree/.hidden", "x");
  dir.Write("tree/locked.sql", "x");
  stdfs::permissions(dir / "tree/locked.sql", stdfs::perms::owner_read);
  dir.Write("tree/Sub/.svn/entries", "x");
  dir.Write("tree/Sub/b.sql", "x");
  stdfs::permissions(dir / "tree/Sub/b.sql", stdfs::perms::owner_read);
  dir.Write("outside/precious.sql", "x");
  stdfs::create_directory_symlink(dir / "outside", dir / "tree/Sub/link");
  FileSystemObject fso;
  fso.DeletePath(dir.path() + "\\TREE\\\\");
  EXPECT_EQ(testing::FolderNames(dir.path()), std::vector<std::string>{"outside"});
  EXPECT_TRUE(dir.Exists("outside/precious.sql"));
}

}  // namespace
}  // namespace vkt::fs
