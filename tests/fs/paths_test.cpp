// Paths and names as the class reads and makes them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/name_seed.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

// The path operations that give a text, one row per behaviour: operation,
// argument, result. "ExtractPath(text)" asks for the text alone; CleanPath
// must also leave its result in the caller's variable.
TEST(PathOperations, GiveTheResultOfEachRow) {
  TempDir dir;
  dir.Write("Repo/a.sql", "x");
  FileSystemObject fso;
  const std::string cwd = stdfs::current_path().string();
  EXPECT_EQ(fso.CurrentDirectory(), cwd);
  const auto apply = [&](std::string_view op, const std::string& in) -> std::string {
    std::string path = in;
    if (op == "CleanPath") {
      const std::string out = fso.CleanPath(path);
      return out == path ? out : "<the variable holds " + path + ">";
    }
    if (op == "Barename") return fso.Barename(in);  // the folder kept by default
    if (op == "Barename!") return fso.Barename(in, false);
    if (op == "GetFilename") return fso.GetFilename(in);
    if (op == "GetShortFilename") return fso.GetShortFilename(in);
    if (op == "GetAbsolutePathname") return fso.GetAbsolutePathname(in);
    if (op == "ExtractPath(text)") return fso.ExtractPath(in, true).value_or("<none>");
    return fso.ExtractPath(in).value_or("<none>");  // a folder that exists is given whole
  };
  const struct {
    const char* op;
    std::string in, out;
  } cases[] = {
      {"CleanPath", "C:\\\\dir\\\\sub\\\\", "C:\\dir\\sub"},
      {"CleanPath", "\\\\server\\share\\\\x", "\\\\server\\share\\x"},
      {"CleanPath", "C:\\", "C:"},
      {"CleanPath", "C:", "C:"},
      {"CleanPath", "C:\\dir\\\\\\sub", "C:\\dir\\\\sub"},    // three become two
      {"CleanPath", "C:\\dir\\\\\\\\sub", "C:\\dir\\\\sub"},  // four become two
      {"CleanPath", "C:\\dir\\", "C:\\dir"},
      {"CleanPath", "/tmp//repo/", "/tmp/repo"},
      {"CleanPath", "/tmp\\/repo\\", "/tmp\\repo"},
      {"CleanPath", "//server/share//x", "//server/share/x"},
      {"CleanPath", "/", "/"},
      {"CleanPath", "", ""},
      // Barename! drops the folder; without a dot after the last separator
      // the name stays whole; with a separator and no dot the folder goes
      // even when it is to be kept.
      {"Barename", "file", "file"},
      {"Barename!", "file", "file"},
      {"Barename", "file.txt", "file"},
      {"Barename!", "archive.tar.gz", "archive.tar"},
      {"Barename", "C:\\dir\\file", "file"},
      {"Barename!", "C:\\dir\\file", "file"},
      {"Barename", "C:\\dir\\", ""},
      {"Barename", "C:\\dir\\file.txt", "C:\\dir\\file"},
      {"Barename!", "C:\\dir\\file.txt", "file"},
      {"Barename", "/srv/repo/a.b.sql", "/srv/repo/a.b"},
      {"Barename!", "/srv/repo/a.b.sql", "a.b"},
      {"Barename", "C:\\dir.old\\file", "C:\\dir.old\\file"},
      {"Barename!", "C:\\dir.old\\file", "file"},
      {"Barename", "C:\\dir.old\\", "C:\\dir.old"},
      {"Barename!", "C:\\dir.old\\", ""},
      {"Barename", "", ""},
      {"GetFilename", "C:\\dir\\new.txt", "new.txt"},
      {"GetFilename", "/srv/repo/a.sql", "a.sql"},
      {"GetFilename", "new.txt", "new.txt"},
#ifndef _WIN32
      // POSIX: no short names; relative names against the current directory,
      // "/" separators.
      {"GetShortFilename", "C:\\PROGRA~1", ""},
      {"GetAbsolutePathname", "a\\b\\..\\c.sql", cwd + "/a/c.sql"},
      {"GetAbsolutePathname", ".\\x/", cwd + "/x/"},
      {"GetAbsolutePathname", "/srv//repo/./Views/../Tabelas", "/srv/repo/Tabelas"},
      {"GetAbsolutePathname", "\\..\\..\\etc", "/etc"},
#else
      // Windows: "\\" separators; a leading one starts at the current drive's
      // root, a leading pair at a server.
      {"GetAbsolutePathname", "a\\b\\..\\c.sql", cwd + "\\a\\c.sql"},
      {"GetAbsolutePathname", ".\\x/", cwd + "\\x\\"},
      {"GetAbsolutePathname", "/srv//repo/./Views/../Tabelas",
       cwd.substr(0, 2) + "\\srv\\repo\\Tabelas"},
      {"GetAbsolutePathname", "\\..\\..\\etc", cwd.substr(0, 2) + "\\etc"},
      {"GetAbsolutePathname", "//server/share/a/../b", "\\\\server\\share\\b"},
#endif
      {"GetAbsolutePathname", "C:\\dir\\..\\x.txt", "C:\\x.txt"},
      {"GetAbsolutePathname", "", ""},
      {"ExtractPath(text)", "C:\\dir\\file.txt", "C:\\dir\\"},
      {"ExtractPath(text)", "/srv/repo/a.sql", "/srv/repo/"},
      {"ExtractPath(text)", "file.txt", "<none>"},
      {"ExtractPath(text)", "", "<none>"},
      {"ExtractPath", "", "<none>"},
      {"ExtractPath", dir.path() + "\\REPO\\", dir.path() + "\\REPO\\"},
      {"ExtractPath", dir / "Repo", dir / "Repo"},
#ifndef _WIN32
      {"ExtractPath", dir / "Repo/a.sql", dir / "Repo/"},
      {"ExtractPath", dir.path() + "\\Repo\\new.sql", dir / "Repo/"},
      {"ExtractPath", "new.sql", cwd + "/"},
#else
      {"ExtractPath", dir / "Repo/a.sql", dir.path() + "\\Repo\\"},
      {"ExtractPath", dir.path() + "\\Repo\\new.sql", dir.path() + "\\Repo\\"},
      {"ExtractPath", "new.sql", cwd + "\\"},
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(apply(c.op, c.in), c.out) << c.op << "(" << c.in << ")";
}

TEST(CreatePath, CreatesEveryMissingFolderOrFailsKeepingThoseMade) {
  FileSystemObject fso;
  for (const char* root : {"C:\\", "c:", "/", "\\\\"}) EXPECT_TRUE(fso.CreatePath(root)) << root;
  for (const char* tail : {"", "\\"}) {
    TempDir dir;
    dir.MakeDir("a");
    EXPECT_TRUE(fso.CreatePath(dir.path() + "\\a\\b\\c" + tail)) << tail;
    EXPECT_TRUE(stdfs::is_directory(dir / "a/b/c")) << tail;
    EXPECT_TRUE(fso.CreatePath(dir.path() + "\\a\\b\\c" + tail)) << "again " << tail;
  }
  // A folder that cannot be made fails the call; those before it stay.
  TempDir dir;
  dir.Write("a/blocker", "a file, not a folder");
  EXPECT_FALSE(fso.CreatePath(dir.path() + "/a/blocker/c"));
  EXPECT_FALSE(fso.CreatePath(dir.path() + "/made/" + std::string(300, 'n') + "/c"));
  EXPECT_TRUE(stdfs::is_directory(dir / "made"));
#ifndef _WIN32
  EXPECT_FALSE(fso.CreatePath("C:\\dir"));  // a drive names nothing here
#endif
}

// Subfolders first, existing files replaced except ".ini" files; the result
// tells only whether the top folder's own files were copied.
TEST(CopyPathAndDeletePath, CopyAndRemoveWholeTrees) {
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
  // DeletePath takes read-only and hidden files too; a linked folder is
  // unlinked, not entered.
  dir.Write("tree/a.sql", "x");
  dir.Write("tree/.hidden", "x");
  dir.Write("tree/locked.sql", "x");
  stdfs::permissions(dir / "tree/locked.sql", stdfs::perms::owner_read);
  dir.Write("tree/Sub/.svn/entries", "x");
  dir.Write("tree/Sub/b.sql", "x");
  stdfs::permissions(dir / "tree/Sub/b.sql", stdfs::perms::owner_read);
  dir.Write("outside/precious.sql", "x");
#ifndef _WIN32
  // (Windows: platform_win32_test.cpp, with a junction.)
  stdfs::create_directory_symlink(dir / "outside", dir / "tree/Sub/link");
#endif
  fso.DeletePath(dir.path() + "\\TREE\\\\");
  EXPECT_EQ(testing::FolderNames(dir.path()), (std::vector<std::string>{"dst", "outside", "src"}));
  EXPECT_TRUE(dir.Exists("outside/precious.sql"));
}

// ---- names ----

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
  stdfs::remove(dir / "Untitled1.doc");
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
