// How the platform layer replaces a file: temporary names within the limit
// of a name, a link at the target's name, and a replacement that keeps
// another program's save made since the file was read.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "support/atomic_replace.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::Replace;
using vkt::testing::StampOf;
using vkt::testing::TempDir;
using Names = std::vector<std::string>;

TEST(TemporaryName, StaysWithinTheLimitOfANameAndRecognisable) {
  EXPECT_EQ(TemporaryName("a.sql", "Ab12Cd"), ".a.sql.tmp-Ab12Cd");
  const std::string longest = std::string(251, 'x') + ".sql";  // 255 bytes
  const std::string temp = TemporaryName(longest, "Ab12Cd");
  EXPECT_EQ(temp.size(), 255u);
  EXPECT_EQ(temp.substr(0, 11), "." + std::string(10, 'x'));
  EXPECT_TRUE(temp.ends_with(".tmp-Ab12Cd"));
  EXPECT_TRUE(IsTemporaryName(temp));
  // Names that differ only beyond the kept bytes still differ.
  EXPECT_NE(TemporaryName(std::string(251, 'x') + ".ora", "Ab12Cd"), temp);
  // The cut never falls inside a character.
  std::string accents;
  while (accents.size() < 250) accents += "\xC3\xA9";  // é
  for (const std::string& name : {accents, "a" + accents}) {
    const std::string cut = TemporaryName(name, "Ab12Cd");
    EXPECT_LE(cut.size(), 255u);
    EXPECT_TRUE(text::IsValidUtf8(cut)) << name.size();
  }
  for (const char* other : {"a.tmp-Ab12Cd", ".a.tmp-Ab12C", ".a.tmp-Ab12C!", ".tmp-Ab12Cd"}) {
    EXPECT_FALSE(IsTemporaryName(other)) << other;
  }
}

TEST(AtomicFile, ReplacesFilesWhoseNamesHaveTheFullLength) {
  TempDir dir;
  const std::string name = std::string(251, 'n') + ".sql";
  dir.Write(name, "old");
  // A leftover of a killed run for this very name, and another name's.
  dir.Write(TemporaryName(name, "Qw12Er"), "half");
  dir.Write(TemporaryName("other.sql", "Qw12Er"), "theirs");
  ASSERT_TRUE(Replace(dir / name, "new").ok());
  EXPECT_EQ(dir.Read(name), "new");
  ASSERT_TRUE(RemoveLeftoverTemporaries(dir / name).ok());
  EXPECT_EQ(FolderNames(dir.path()), (Names{TemporaryName("other.sql", "Qw12Er"), name}));
}

TEST(AtomicFile, KeepsAnotherProgramsSaveMadeSinceTheFileWasRead) {
  TempDir dir;
  const std::string list = dir / "list.ini";
  // Unchanged: replaced.
  dir.Write("list.ini", "v1");
  FileStamp read = StampOf(list);
  ASSERT_TRUE(Replace(list, "ours", &read).ok());
  EXPECT_EQ(dir.Read("list.ini"), "ours");
  // Saved by an editor (a new file renamed over it), written in place,
  // deleted: kept as the other program left it.
  const std::vector<void (*)(const std::string&, TempDir&)> others = {
      [](const std::string& path, TempDir& d) {
        d.Write("editor.tmp", "theirs");
        std::filesystem::rename(d / "editor.tmp", path);
      },
      [](const std::string&, TempDir& d) { d.Write("list.ini", "in place, longer"); },
      [](const std::string& path, TempDir&) { std::filesystem::remove(path); },
  };
  for (std::size_t i = 0; i < others.size(); ++i) {
    SCOPED_TRACE(i);
    dir.Write("list.ini", "v1");
    read = StampOf(list);
    const std::string before = (others[i](list, dir), dir.Read("list.ini"));
    EXPECT_EQ(Replace(list, "ours", &read).code, kChangedMeanwhile);
    EXPECT_EQ(dir.Read("list.ini"), before);
    EXPECT_EQ(FolderNames(dir.path()), i == 2 ? Names{} : Names{"list.ini"});
  }
  // A save that comes after the test, right before the exchange: it is put
  // back, and the new file goes.
  static TempDir* in;
  static std::string path;
  in = &dir;
  path = list;
  dir.Write("list.ini", "v1");
  read = StampOf(list);
  ArmAction(kFaultRename, 1, [] {
    in->Write("editor.tmp", "late save");
    std::filesystem::rename(*in / "editor.tmp", path);
  });
  EXPECT_EQ(Replace(list, "ours", &read).code, kChangedMeanwhile);
  DisarmFault();
  EXPECT_EQ(dir.Read("list.ini"), "late save");
  EXPECT_EQ(FolderNames(dir.path()), Names{"list.ini"});
}

TEST(CheckReplaceable, FailsAsTheReplacementWouldWithoutWritingAnything) {
  TempDir dir;
  dir.MakeDir("folder");
  dir.Write("ro", "x");
  vkt::testing::MakeReadOnly(dir / "ro");
  EXPECT_EQ(CheckReplaceable(dir / "folder").code, EISDIR);
  EXPECT_EQ(CheckReplaceable(dir / "ro").code, EACCES);
  EXPECT_TRUE(CheckReplaceable(dir / "new").ok());
  EXPECT_EQ(CheckReplaceable(dir / "missing/new").code, ENOENT);
  EXPECT_EQ(CheckReplaceable(dir / "ro/new").code, ENOTDIR);
  EXPECT_EQ(FolderNames(dir.path()), (Names{"folder", "ro"}));
}

TEST(ReadOutputFile, ReadsTheFileAtTheNameNeverALinksTarget) {
  TempDir dir;
  dir.Write("script.sql", "old lines");
  dir.MakeDir("folder.sql");
  std::string bytes;
  ASSERT_TRUE(ReadOutputFile(dir / "SCRIPT.SQL", &bytes).ok());
  EXPECT_EQ(bytes, "old lines");
  EXPECT_EQ(ReadOutputFile(dir / "folder.sql", &bytes).code, kNotRegularFile);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadOutputFile(dir / "missing.sql", &bytes).code, ENOENT);
}

TEST(IsSameOrInside, ComparesWholeComponents) {
  EXPECT_TRUE(IsSameOrInside("/a/b", "/a"));
  EXPECT_TRUE(IsSameOrInside("/a", "/a"));
  EXPECT_TRUE(IsSameOrInside("/a/b", "/"));
  EXPECT_FALSE(IsSameOrInside("/ab", "/a"));
  EXPECT_FALSE(IsSameOrInside("/a", "/a/b"));
  EXPECT_FALSE(IsSameOrInside("/a", ""));
}

}  // namespace
}  // namespace vkt::platform
