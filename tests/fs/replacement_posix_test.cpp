// How the POSIX platform layer replaces a file where symbolic links, hard
// links, FIFOs and a file system without an atomic exchange come in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "support/atomic_replace.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::Replace;
using vkt::testing::StampOf;
using vkt::testing::TempDir;
using Names = std::vector<std::string>;

TEST(AtomicFile, ALinkAtTheNameIsReplacedUnlessFollowingIsAsked) {
  TempDir dir;
  dir.Write("target", "kept");
  ASSERT_EQ(::symlink("target", (dir / "out").c_str()), 0);
  ASSERT_EQ(::symlink("target", (dir / "list").c_str()), 0);
  ASSERT_TRUE(Replace(dir / "out", "new").ok());
  EXPECT_EQ(dir.Read("target"), "kept");
  EXPECT_FALSE(std::filesystem::is_symlink(dir / "out"));
  EXPECT_EQ(dir.Read("out"), "new");
  // The user's own link is followed where asked: the file it leads to is new.
  ASSERT_TRUE(ReplaceFile(dir / "list", "listed", {.links = LinkAtTarget::kFollowTrusted}).ok());
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "list"));
  EXPECT_EQ(dir.Read("target"), "listed");
  // A hard-linked target gets a file of its own; the other name keeps the old content.
  ASSERT_EQ(::link((dir / "target").c_str(), (dir / "second").c_str()), 0);
  bool other_links = false;
  ASSERT_TRUE(ReplaceFile(dir / "target", "whole", {}, &other_links).ok());
  EXPECT_TRUE(other_links);
  EXPECT_EQ(dir.Read("target"), "whole");
  EXPECT_EQ(dir.Read("second"), "listed");
}

TEST(AtomicFile, WhereTheFileSystemHasNoExchangeTheTestComesRightBeforeTheRename) {
  TempDir dir;
  const std::string list = dir / "list.ini";
  auto editor_saves = [&](const std::string& bytes) {
    dir.Write("editor.tmp", bytes);
    ASSERT_EQ(std::rename((dir / "editor.tmp").c_str(), list.c_str()), 0);
  };
  FileStamp read;
  // Where the file system has no exchange, the test comes right before the rename.
  editor_saves("v1");
  read = StampOf(list);
  ArmFault(kFaultRename, 1, EINVAL);
  EXPECT_TRUE(Replace(list, "ours", &read).ok());
  DisarmFault();
  EXPECT_EQ(dir.Read("list.ini"), "ours");
}

TEST(CheckReplaceable, ALinkAtTheNameWouldBeReplaced) {
  TempDir dir;
  dir.Write("ro", "x");
  vkt::testing::MakeReadOnly(dir / "ro");
  ASSERT_EQ(::symlink("ro", (dir / "link").c_str()), 0);
  EXPECT_TRUE(CheckReplaceable(dir / "link").ok());  // the link would be replaced
  EXPECT_EQ(FolderNames(dir.path()), (Names{"link", "ro"}));
}

TEST(ReadOutputFile, ReadsNeitherALinksTargetNorAFifo) {
  TempDir dir;
  dir.Write("secret", "not ours");
  ASSERT_EQ(::symlink("secret", (dir / "link.sql").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo.sql").c_str(), 0600), 0);
  std::string bytes = "x";
  EXPECT_EQ(ReadOutputFile(dir / "link.sql", &bytes).code, ENOENT);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadOutputFile(dir / "fifo.sql", &bytes).code, kNotRegularFile);
}

}  // namespace
}  // namespace vkt::platform
