#include "generate/gera_script.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "generate/framing.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;

// The lines of `lines` that begin with `prefix`.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines,
                                           std::string_view prefix) {
  std::vector<std::string> found;
  for (const std::string& line : lines) {
    if (line.starts_with(prefix)) found.push_back(line);
  }
  return found;
}

// Tables A and B, the second listed through ".." so that it is opened by
// path and its place looked up on its own.
void TwoTables(const TestRepository& repo) {
  repo.FileList("[TABELAS]\nNUMFILES=2\nFILE1=A\nFILE2=..\\Tabelas\\B\n");
  repo.Source("Tabelas/A.ora", "a\r\n");
  repo.Source("Tabelas/B.ora", "b\r\n");
}

// A file whose place the system cannot tell is not copied, and the line says
// so with the system's reason rather than calling it outside the source.
TEST(GeraScript, AListedFileThatCannotBeResolvedIsToldAsSuch) {
  TestRepository repo;
  TwoTables(repo);
  FakeDesktop desktop;
  // The root's resolution, the listed folder's, then B's.
  platform::ArmFault(platform::kFaultResolve, 3, EIO);
  GeraScript(desktop.services(), repo.session, "TABELAS", DatabaseKind::kOracle, false);
  EXPECT_EQ(platform::DisarmFault(), 3);
  const std::vector<std::string> lines = LinesStartingWith(repo.session.Mensagens, kNaoResolvido);
  ASSERT_EQ(lines.size(), 1U);
  const std::string shown =
      std::string(kNaoResolvido) + CaminhoMensagem(repo.Path("src") + "\\Tabelas\\..\\Tabelas\\B");
  EXPECT_TRUE(lines[0].starts_with(shown + ".ora - ")) << lines[0];
  EXPECT_GT(lines[0].size(), shown.size() + 7) << "the reason";
  EXPECT_TRUE(LinesStartingWith(repo.session.Mensagens, kForaDaOrigem).empty());
  const std::string script = repo.dir.Read("out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql");
  EXPECT_NE(script.find("a\r\n"), std::string::npos);
  EXPECT_EQ(script.find("b\r\n"), std::string::npos);
}

// Without the source root's place no file can be told to lie inside it: the
// root's line comes once, and no listed file is copied.
TEST(GeraScript, ASourceRootThatCannotBeResolvedIsToldOnce) {
  TestRepository repo;
  TwoTables(repo);
  FakeDesktop desktop;
  platform::ArmFault(platform::kFaultResolve, 1, EIO, /*sticky=*/true);
  GeraScript(desktop.services(), repo.session, "TABELAS", DatabaseKind::kOracle, false);
  platform::DisarmFault();
  const std::vector<std::string> lines = LinesStartingWith(repo.session.Mensagens, kNaoResolvido);
  ASSERT_EQ(lines.size(), 1U);
  EXPECT_TRUE(lines[0].starts_with(std::string(kNaoResolvido) +
                                   CaminhoMensagem(repo.session.settings.PathOrigem) + " - "))
      << lines[0];
  const std::string script = repo.dir.Read("out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql");
  EXPECT_EQ(script.find("a\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vkt::generate
