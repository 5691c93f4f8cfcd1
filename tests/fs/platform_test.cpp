// The platform layer as both systems give it: read-only files, copies and
// moves, the writer's lock, a status's words.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "support/listed_entry.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::TempDir;

TEST(FileChanges, ReadOnlyFilesAndReplacingBehaveAsOnWindows) {
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
  ASSERT_TRUE(SetReadOnly(dir / "ro.txt", false).ok());
  EXPECT_TRUE(DeleteFile(dir / "ro.txt").ok());
  // A move never replaces; a copy keeps content, mode and write time.
  dir.Write("a", "a");
  dir.Write("b", "b");
  EXPECT_EQ(MoveFile(dir / "a", dir / "B").code, EEXIST);
  EXPECT_EQ(dir.Read("b"), "b");
  EXPECT_TRUE(MoveFile(dir / "a", dir / "c").ok());
  EXPECT_EQ(dir.Read("c"), "a");
  dir.Write("src", std::string(300000, 'z'));
  ASSERT_TRUE(SetTimes(dir / "src", 1000000000LL * 1600000000, 1000000000LL * 1500000000).ok());
  ASSERT_TRUE(CopyFile(dir / "SRC", dir / "dst", true).ok());
  EXPECT_EQ(dir.Read("dst"), std::string(300000, 'z'));
  ASSERT_TRUE(GetInfo(dir / "dst", &info).ok());
  EXPECT_EQ(info.write_ns, 1000000000LL * 1500000000);
  EXPECT_EQ(CopyFile(dir / "src", dir / "dst", true).code, EEXIST);
}

TEST(WriterLock, IsNotTakenTwiceInOneFolder) {
  TempDir dir;
  FolderLock first, second;
  ASSERT_TRUE(first.Acquire(dir.path()).ok());
  EXPECT_EQ(second.Acquire(dir.path()).code, EWOULDBLOCK);
  first.Release();
  EXPECT_TRUE(second.Acquire(dir.path()).ok());
  EXPECT_EQ(FolderLock().Acquire(dir / "missing").code, ENOENT);
  // A drive names nothing on POSIX; on Windows there is no such folder.
  EXPECT_EQ(FolderLock().Acquire("C:\\out").code, ENOENT);
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
  std::vector<std::string> names;
  std::vector<EntryType> types;
  for (std::size_t i : folder.Matching("*.ORA")) {
    names.push_back(folder.entry(i).name);
    types.push_back(folder.entry(i).type);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A.ora", "b.ora", "Sub.ora", "_x.ora"}));
  EXPECT_EQ(types, (std::vector<EntryType>{EntryType::kRegular, EntryType::kRegular,
                                           EntryType::kDirectory, EntryType::kRegular}));
  std::vector<std::string> listed;
  for (const Entry& e : FindEntries(dir.path() + "/F/*")) listed.push_back(e.name);
  // A folder's own "." and ".." come first, as Windows gives them.
  EXPECT_EQ(listed, (std::vector<std::string>{".", "..", "A.ora", "b.ora", "other.sql", "Sub.ora",
                                              "_x.ora"}));
  File entry;
  EXPECT_EQ(folder.OpenEntry(folder.FindUpper("SUB.ORA"), &entry).code, kNotRegularFile);
  EXPECT_FALSE(folder.Open(dir.path() + "/missing").ok());
  EXPECT_EQ(folder.size(), 0u);
}

TEST(Status, TellsTheSystemsWordsAndTheProgramsOwn) {
  EXPECT_EQ(Status::Ok().Text(), "");
  EXPECT_EQ(Status::Errno(kNotRegularFile).Text(), "não é um arquivo comum");
  EXPECT_EQ(Status::Errno(kChangedMeanwhile).Text(),
            "alterado por outro programa durante a gravação");
  // The system's words, without a line break at the end.
  for (const int error : {ENOENT, EACCES, ENOSPC, EEXIST}) {
    const std::string text = Status::Errno(error).Text();
    EXPECT_FALSE(text.empty()) << error;
    EXPECT_NE(text.back(), '\n') << error;
    EXPECT_NE(text.back(), '\r') << error;
  }
#ifndef _WIN32
  EXPECT_EQ(Status::Errno(ENOSPC).Text(), std::strerror(ENOSPC));
#endif
}

}  // namespace
}  // namespace vkt::platform
