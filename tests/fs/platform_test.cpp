// The platform layer as both systems give it: read-only files, copies and
// moves, replacing a file, the writer's lock, a listed folder, the console.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/platform/console.h"
#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "support/atomic_replace.h"
#include "support/listed_entry.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::Replace;
using vkt::testing::StampOf;
using vkt::testing::TempDir;
using Names = std::vector<std::string>;

TEST(FileChanges, ReadOnlyFilesAndReplacingBehaveAsOnWindows) {
  TempDir dir;
  dir.Write("ro.txt", "keep");
  ASSERT_TRUE(SetReadOnly(dir / "ro.txt", true).ok());
  FileInfo info;
  ASSERT_TRUE(GetInfo(dir / "ro.txt", &info).ok());
  EXPECT_EQ(info.attributes, kAttrArchive | kAttrReadOnly);
  EXPECT_FALSE(CopyFile(dir / "ro.txt", dir / "ro.txt", false).ok());
  dir.Write("new.txt", "new");
  EXPECT_EQ(CopyFile(dir / "new.txt", dir / "ro.txt", false).code, EACCES);
  EXPECT_EQ(dir.Read("ro.txt"), "keep");
  // A move never replaces, whatever the letter case of the name it is given;
  // a copy keeps content, mode and write time.
  dir.Write("a", "a");
  dir.Write("b", "b");
  EXPECT_EQ(MoveFile(dir / "a", dir / "B").code, EEXIST);
  EXPECT_EQ(dir.Read("b"), "b");
  dir.Write("src", std::string(300000, 'z'));
  ASSERT_TRUE(SetTimes(dir / "src", 1000000000LL * 1600000000, 1000000000LL * 1500000000).ok());
  ASSERT_TRUE(CopyFile(dir / "SRC", dir / "dst", true).ok());
  EXPECT_EQ(dir.Read("dst"), std::string(300000, 'z'));
  ASSERT_TRUE(GetInfo(dir / "dst", &info).ok());
  EXPECT_EQ(info.write_ns, 1000000000LL * 1500000000);
  EXPECT_EQ(CopyFile(dir / "src", dir / "dst", true).code, EEXIST);
}

// A File opened again lets go of the file it held, and of that file's lock.
TEST(FileChanges, AFileOpenedAgainLetsGoOfTheFileItHeld) {
  TempDir dir;
  dir.Write("a.sql", "a");
  dir.Write("b.sql", "b");
  File file;
  File other;
  ASSERT_TRUE(File::Open(dir / "a.sql", File::Mode::kWriteKeep, &file, true).ok());
  EXPECT_EQ(File::Open(dir / "a.sql", File::Mode::kWriteKeep, &other, true).code, EWOULDBLOCK);
  ASSERT_TRUE(File::Open(dir / "b.sql", File::Mode::kRead, &file).ok());
  EXPECT_TRUE(File::Open(dir / "a.sql", File::Mode::kWriteKeep, &other, true).ok());
}

// ---- replacing a file: temporary names within the limit of a name, and a
// replacement that keeps another program's save made since the file was read ----

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
  // The random part comes from the system's source, which others cannot
  // foresee (the clock serves only a system that has none yet).
  unsigned char random[internal::kTempRandom];
  EXPECT_TRUE(internal::SystemRandom(random, sizeof random));
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

// Reading an output first (ReadOutputFile) fails on a folder as on anything
// that is no regular file, and leaves nothing read.
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
  std::string bytes = "x";
  EXPECT_EQ(ReadOutputFile(dir / "folder", &bytes).code, kNotRegularFile);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(FolderNames(dir.path()), (Names{"folder", "ro"}));
}

TEST(IsSameOrInside, ComparesWholeComponents) {
  EXPECT_TRUE(IsSameOrInside("/a/b", "/a"));
  EXPECT_TRUE(IsSameOrInside("/a", "/a"));
  EXPECT_TRUE(IsSameOrInside("/a/b", "/"));
  EXPECT_FALSE(IsSameOrInside("/ab", "/a"));
  EXPECT_FALSE(IsSameOrInside("/a", "/a/b"));
  EXPECT_FALSE(IsSameOrInside("/a", ""));
}

TEST(WriterLock, IsNotTakenTwiceInOneFolder) {
  TempDir dir;
  FolderLock first, second;
  ASSERT_TRUE(first.Acquire(dir.path()).ok());
  EXPECT_EQ(second.Acquire(dir.path()).code, EWOULDBLOCK);
  // A wait that the holder outlasts ends the same way.
  EXPECT_EQ(second.Acquire(dir.path(), nullptr, 50).code, EWOULDBLOCK);
  first.Release();
  EXPECT_TRUE(second.Acquire(dir.path()).ok());
  EXPECT_EQ(FolderLock().Acquire(dir / "missing").code, ENOENT);
  // A drive names nothing on POSIX; on Windows there is no such folder.
  EXPECT_EQ(FolderLock().Acquire("C:\\out").code, ENOENT);
}

TEST(WriterLock, LeavesAFolderAtTheLockFilesNameAsItIs) {
  TempDir dir;
  dir.MakeDir(std::string(kLockFileName) + "/inside");
  LockHolder holder;
  EXPECT_EQ(FolderLock().Acquire(dir.path(), &holder).code, kForeignLockFile);
  EXPECT_EQ(holder.found, LockHolder::Found::kFolder);
  EXPECT_TRUE(IsDirectory(dir / kLockFileName + "/inside"));
}

// A folder opened for reading its files by name: its entries in listing
// order, found without regard to case, opened through the folder.
TEST(ListedFolder, FindsAndOpensEntriesInListingOrder) {
  TempDir dir;
  dir.Write("F/_x.ora", "x");
  dir.Write("F/b.ora", "b");
  dir.Write("F/A.ora", "a");
  dir.Write("F/other.sql", "");
  dir.MakeDir("F/Sub.ora");
  ListedFolder folder;
  ASSERT_TRUE(folder.Open(dir.path() + "\\F\\").ok());
  EXPECT_TRUE(folder.is_open());
  auto read = [&](const std::string& name, const std::string& upper) {
    return testing::EntryText(folder, name, upper);
  };
  EXPECT_EQ(read("B.ORA", "B.ORA"), "b");
  EXPECT_EQ(read("a.ora", "A.ORA"), "a");
  EXPECT_EQ(read("c.ora", "C.ORA"), "<none>");
  Names names;
  std::vector<EntryType> types;
  for (std::size_t i : folder.Matching("*.ORA")) {
    names.push_back(folder.entry(i).name);
    types.push_back(folder.entry(i).type);
  }
  EXPECT_EQ(names, (Names{"A.ora", "b.ora", "Sub.ora", "_x.ora"}));
  EXPECT_EQ(types, (std::vector<EntryType>{EntryType::kRegular, EntryType::kRegular,
                                           EntryType::kDirectory, EntryType::kRegular}));
  Names listed;
  for (const Entry& e : FindEntries(dir.path() + "/F/*")) listed.push_back(e.name);
  // A folder's own "." and ".." come first, as Windows gives them.
  EXPECT_EQ(listed, (Names{".", "..", "A.ora", "b.ora", "other.sql", "Sub.ora", "_x.ora"}));
  File entry;
  EXPECT_EQ(folder.OpenEntry(folder.FindUpper("SUB.ORA"), &entry).code, kNotRegularFile);
  EXPECT_FALSE(folder.Open(dir.path() + "/missing").ok());
  EXPECT_EQ(folder.size(), 0u);
}

// ---- the command line's arguments and streams: the choices that no console
// under test can show ----

TEST(Console, OnlyAConsoleGetsText) {
  EXPECT_TRUE(WritesAsConsoleText(StreamKind::kConsole));
  // Pipes, files and NUL get the UTF-8 bytes as written.
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kPipe));
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kFile));
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kNone));
  // A progress line to what is no console (a file here; a pipe to a terminal
  // that reads escape sequences) is the sequence that clears the line, then
  // the text, in bytes; such a stream has no columns to tell.
  TempDir dir;
  std::FILE* file = std::fopen((dir / "line.txt").c_str(), "wb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(TerminalColumns(file), 0);
  EXPECT_TRUE(RewriteTerminalLine(file, "VIEWS ORACLE 1/2"));
  std::fclose(file);
  EXPECT_EQ(dir.Read("line.txt"), "\r\x1b[KVIEWS ORACLE 1/2");
}

TEST(Console, WideArgumentsAreKeptAsUtf8) {
  const std::vector<std::u16string> wide = {
      u"vktgera.exe",
      u"--config",
      u"C:\\Usu\u00E1rios\\Jo\u00E3o\\VKTGeraInstallBD.ini",
      u"\u65E5\u672C",                      // outside every single-byte page
      u"\U0001F600",                        // a surrogate pair
      std::u16string(1, char16_t{0xD800}),  // an unpaired surrogate
      u""};
  const std::vector<std::string> expected = {
      "vktgera.exe",
      "--config",
      "C:\\Usu\xC3\xA1rios\\Jo\xC3\xA3o\\VKTGeraInstallBD.ini",
      "\xE6\x97\xA5\xE6\x9C\xAC",
      "\xF0\x9F\x98\x80",
      "\xEF\xBF\xBD",
      ""};
  EXPECT_EQ(ArgumentsFromUtf16(wide), expected);
}

}  // namespace
}  // namespace vkt::platform
