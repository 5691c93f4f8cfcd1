// Replacing files that carry history: links, owners and modes survive, the
// temporary files of an interrupted run go, one writer at a time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "app/file_list_update.h"
#include "app/run_dispatch.h"
#include "fs/platform/file_system.h"
#include "support/durability.h"
#include "support/fake_desktop.h"

namespace vkt::platform {
namespace {

using testing::TempDir;
using testing::TestRepository;

struct stat Lstat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

TEST(ReplaceFile, ASymlinkedFileListStaysALinkAndItsTargetChanges) {
  TestRepository repo;
  repo.dir.Write("lists/real.ini", "[VIEWS]\r\nNUMFILES=1\r\nFILE1=A\r\n");
  ASSERT_EQ(::symlink("lists/real.ini", repo.Path("files.ini").c_str()), 0);
  ASSERT_TRUE(app::UpdateFileList(repo.session, "VIEWS", {"B"}).ok);
  EXPECT_TRUE(S_ISLNK(Lstat(repo.Path("files.ini")).st_mode));
  EXPECT_EQ(repo.dir.Read("lists/real.ini"), "[VIEWS]\r\nNUMFILES=2\r\nFILE1=A\r\nFILE2=B\r\n");
  EXPECT_EQ(testing::TemporariesBelow(repo.dir.path()), std::vector<std::string>());
}

TEST(ReplaceFile, EveryHardLinkSeesTheNewContent) {
  TempDir dir;
  dir.Write("a", "old content");
  ASSERT_EQ(::link((dir / "a").c_str(), (dir / "b").c_str()), 0);
  ASSERT_TRUE(ReplaceFile(dir / "a", "new").ok());
  EXPECT_EQ(dir.Read("b"), "new");
  EXPECT_EQ(Lstat(dir / "a").st_ino, Lstat(dir / "b").st_ino);
  EXPECT_EQ(testing::FolderNames(dir.path()), (std::vector<std::string>{"a", "b"}));
}

TEST(ReplaceFile, KeepsModeOwnerAndGroup) {
  TempDir dir;
  dir.Write("list.ini", "old");
  ASSERT_EQ(::chmod((dir / "list.ini").c_str(), 0640), 0);
  // Root may give the file away, as a run by root must not take it.
  const bool root = ::geteuid() == 0;
  const uid_t uid = root ? 4321 : ::geteuid();
  const gid_t gid = root ? 4322 : ::getegid();
  ASSERT_EQ(::chown((dir / "list.ini").c_str(), uid, gid), 0);
  ASSERT_TRUE(ReplaceFile(dir / "list.ini", "new").ok());
  const struct stat st = Lstat(dir / "list.ini");
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(st.st_uid, uid);
  EXPECT_EQ(st.st_gid, gid);
  EXPECT_EQ(dir.Read("list.ini"), "new");
}

TEST(LeftoverTemporaries, OnlyFilesOfTheProgramsOwnNamingGo) {
  TempDir dir;
  const std::vector<std::string> gone = {".a.sql.tmp-Ab12Cd", ".files.ini.tmp-000000"};
  const std::vector<std::string> kept = {"a.sql.tmp-Ab12Cd", ".a.sql.tmp-Ab12C", ".a.tmp-Ab12C!",
                                         ".tmp-Ab12Cd", ".a.sql.tmp-Ab12Cd.bak"};
  for (const std::string& name : gone) dir.Write(name, "x");
  for (const std::string& name : kept) dir.Write(name, "x");
  dir.MakeDir(".d.tmp-Ab12Cd");  // a folder is never one
  ASSERT_TRUE(RemoveLeftoverTemporaries(dir.path()).ok());
  for (const std::string& name : gone) EXPECT_FALSE(dir.Exists(name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(dir.Exists(name)) << name;
  EXPECT_TRUE(dir.Exists(".d.tmp-Ab12Cd"));
}

TEST(WriterLock, ASecondWriterStopsBeforeWritingAnything) {
  TestRepository repo;
  testing::DurabilityRepository(repo, 1, "v1");
  repo.dir.MakeDir("out");
  const std::string leftover = "out/ORACLE/02-ATUALIZACAO/.x.sql.tmp-Ab12Cd";
  repo.dir.Write(leftover, "x");
  for (int index : {1, 0}) {
    FolderLock other;
    const std::string folder = index == 1 ? repo.Path("out") : repo.dir.path();
    ASSERT_TRUE(other.Acquire(folder).ok());
    const auto before = testing::FilesBelow(repo.dir.path());
    testing::FakeDesktop desktop;
    EXPECT_EQ(app::cmdExecuta_Click(repo.session, {index, "VIEWS"},
                                    app::RunOptions{.writes_file_list = true}),
              app::RunOutcome::kLocked);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].text, "Outra execução está gravando em: " + folder);
    EXPECT_EQ(testing::FilesBelow(repo.dir.path()), before);
  }
  // Once free, the lock is taken and the leftovers go: the package's, and the
  // file list's for a numbering that writes it.
  repo.dir.Write(".files.ini.tmp-Ab12Cd", "x");
  testing::FakeDesktop desktop;
  EXPECT_EQ(app::cmdExecuta_Click(repo.session, {1, "VIEWS"}), app::RunOutcome::kRan);
  EXPECT_FALSE(repo.dir.Exists(leftover));
  EXPECT_TRUE(repo.dir.Exists(".files.ini.tmp-Ab12Cd"));
  EXPECT_EQ(
      app::cmdExecuta_Click(repo.session, {0, "VIEWS"}, app::RunOptions{.writes_file_list = true}),
      app::RunOutcome::kRan);
  EXPECT_FALSE(repo.dir.Exists(".files.ini.tmp-Ab12Cd"));
  // A dry run takes no lock.
  FolderLock other;
  ASSERT_TRUE(other.Acquire(repo.Path("out")).ok());
  EXPECT_EQ(app::cmdExecuta_Click(repo.session, {1, "VIEWS"}, app::RunOptions{.dry_run = true}),
            app::RunOutcome::kRan);
}

TEST(WriterLock, IsNotTakenTwiceInOneFolder) {
  TempDir dir;
  FolderLock first, second;
  ASSERT_TRUE(first.Acquire(dir.path()).ok());
  EXPECT_EQ(second.Acquire(dir.path()).code, EWOULDBLOCK);
  first.Release();
  EXPECT_TRUE(second.Acquire(dir.path()).ok());
  EXPECT_EQ(FolderLock().Acquire(dir / "missing").code, ENOENT);
}

TEST(EnsureFolder, AFolderBelowTheRootThatCannotBeMadeIsNamed) {
  TestRepository repo;
  repo.session.settings.PathDestino = "/";
  testing::FakeDesktop desktop;
  ArmFault(kFaultMkdir, 1, EACCES, /*sticky=*/true);
  app::cmdExecuta_Click(repo.session, {1, "VIEWS"});
  DisarmFault();
  const std::vector<std::string>& said = repo.session.Mensagens;
  EXPECT_NE(std::find(said.begin(), said.end(),
                      "Erro ao criar a pasta: //sql_server - Permission denied"),
            said.end());
  for (const std::string& line : said) {
    EXPECT_EQ(line.find("Erro ao criar a pasta: / "), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace vkt::platform
