// Replacing files that carry history: owners and modes survive; one writer
// at a time per folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

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
