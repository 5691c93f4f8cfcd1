// `vktgera` meeting files as they arrive from Windows or from odd places:
// file lists saved as UTF-16 or with CR-only line ends, script names that are
// not UTF-8, and FIFOs or devices where files should be.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "cli/vktgera_process.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using testing::TestRepository;
using testing::Utf16File;

const char kFim[] = "VKTGeraInstallBD: FIM\n";

// A repository with its main configuration and companion files (every
// install copies them).
void Configure(const TestRepository& repo) {
  repo.MainConfiguration(TestRepository::Paths::kRelative);
  repo.Companions();
}

// Runs vktgera with the repository's main configuration; a run that hangs
// is stopped (status 124).
Result Gera(const TestRepository& repo, const std::string& args) {
  return Shell(repo, "timeout 30 '" + std::string(VKTGERA_EXE) +
                         "' --config prog/VKTGeraInstallBD.ini " + args);
}

Result WriteNumbering(const TestRepository& repo) {
  return Gera(repo, "numbering --repo R1 --type TABELAS --write");
}

TEST(VktgeraOddFiles, AUtf16FileListIsReadAndWrittenBackInUtf16) {
  TestRepository repo;
  Configure(repo);
  repo.dir.Write("prog/VKTGeraInstallBD.ini",
                 Utf16File(repo.dir.Read("prog/VKTGeraInstallBD.ini")));
  repo.FileList(Utf16File("[TABELAS]\r\nNUMFILES=1\r\nFILE1=A\r\n"));
  // Ω has no Windows-1252 byte.
  for (const char* name : {"Tabelas/A", "Tabelas/\xCE\xA9MEGA"}) {
    repo.Source(std::string(name) + ".ora", "SELECT 2 FROM DUAL;\r\n");
    repo.Source(std::string(name) + ".sql", "SELECT 2\r\n");
  }

  Result r = WriteNumbering(repo);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(repo.dir.Read("files.ini"),
            Utf16File("[TABELAS]\r\nNUMFILES=2\r\nFILE1=A\r\nFILE2=\xCE\xA9MEGA\r\n"));
  Result install = Gera(repo, "install --repo R1 --type TABELAS");
  EXPECT_EQ(install.out, "") << install.err;
  EXPECT_NE(repo.Output("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql").find("SELECT 2"),
            std::string::npos);
}

TEST(VktgeraOddFiles, ACrOnlyFileListKeepsItsSectionAndItsLineEnds) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[TABELAS]\rNUMFILES=1\rFILE1=A\r\r[VIEWS]\rNUMFILES=0\r");
  repo.Source("Tabelas/A.ora", "");
  repo.Source("Tabelas/B.ora", "");
  Result r = WriteNumbering(repo);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(repo.dir.Read("files.ini"),
            "[TABELAS]\rNUMFILES=2\rFILE1=A\rFILE2=B\r\r[VIEWS]\rNUMFILES=0\r");
}

TEST(VktgeraOddFiles, ANameThatIsNotUtf8IsShownWrittenAndFoundAsWindows1252) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[TABELAS]\r\nNUMFILES=0\r\n");
  repo.Source("Tabelas/caf\xE9.ora", "SELECT 1 FROM DUAL;\r\n");
  repo.Source("Tabelas/caf\xE9.sql", "SELECT 1\r\n");

  Result shown = Gera(repo, "numbering --repo R1 --type TABELAS");
  EXPECT_EQ(shown.out, "FILE1=caf\xC3\xA9\n");
  for (int run = 0; run < 2; ++run) EXPECT_EQ(WriteNumbering(repo).status, 0);
  EXPECT_EQ(repo.dir.Read("files.ini"), "[TABELAS]\r\nNUMFILES=1\r\nFILE1=caf\xE9\r\n");
  Result install = Gera(repo, "install --repo R1 --type TABELAS");
  EXPECT_EQ(install.status, 0) << install.out;
  EXPECT_EQ(install.out, "");
  EXPECT_NE(repo.Output("sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql").size(), 2u);
}

TEST(VktgeraOddFiles, AnUnreadableSourceFolderIsReportedOnceBeforeItsFiles) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[TABELAS]\r\nNUMFILES=2\r\nFILE1=A\r\nFILE2=B\r\n");
  repo.Source("Tabelas/A.ora", "");
  repo.Source("Tabelas/A.sql", "");
  ASSERT_EQ(::chmod(repo.dir.path().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(repo.Path("src/Tabelas").c_str(), 0), 0);
  // Root reads every folder: the run goes as an ordinary account.
  const std::string as_user =
      ::geteuid() == 0 ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
  Result r =
      Shell(repo, as_user + "'" + std::string(VKTGERA_EXE) +
                      "' --config prog/VKTGeraInstallBD.ini install --repo R1 --type TABELAS");
  const std::string folder = "Erro ao ler a pasta: src/Tabelas - Permission denied\n";
  const std::string missing = "Arquivo n\xC3\xA3o encontrado: src/Tabelas/";
  EXPECT_EQ(r.out, folder + missing + "A.sql\n" + missing + "B.sql\n" + folder + missing +
                       "A.ora\n" + missing + "B.ora\n");
}

TEST(VktgeraOddFiles, BytesThatAreNotUtf8NeverReachTheStreams) {
  TestRepository repo;
  Result r = Vktgera(repo, "--config 'caf\xE9/VKTGeraInstallBD.ini' install --repo R1");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("/caf\xEF\xBF\xBD/VKTGeraInstallBD.ini: No such file"), std::string::npos)
      << r.err;
}

TEST(VktgeraOddFiles, AFifoOrDeviceIsReportedWithItsPathInsteadOfRead) {
  const std::string not_regular = " - n\xC3\xA3o \xC3\xA9 um arquivo comum";
  {
    TestRepository repo;
    Configure(repo);
    ASSERT_EQ(::symlink("/dev/zero", repo.Path("files.ini").c_str()), 0);
    Result r = Gera(repo, "install --repo R1 --type TABELAS");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "Initialization File Error: Error Number: 1001\r\nError Description: files.ini" +
                  not_regular + "\n" + kFim);
  }
  {
    TestRepository repo;
    Configure(repo);
    repo.FileList("[TABELAS]\r\nNUMFILES=1\r\nFILE1=A\r\n");
    repo.dir.MakeDir("src/Tabelas");
    ASSERT_EQ(::mkfifo(repo.Path("src/Tabelas/A.ora").c_str(), 0600), 0);
    repo.Source("Tabelas/A.sql", "SELECT 1\r\n");
    Result r = Gera(repo, "install --repo R1 --type TABELAS");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "Erro ao ler o arquivo: src/Tabelas/A.ora" + not_regular + "\n");
  }
  {
    TestRepository repo;
    Configure(repo);
    repo.FileList("[TABELAS]\r\nNUMFILES=0\r\n");
    ASSERT_EQ(::unlink(repo.Path("prog/docs/ORACLE/00-DBVKT_XYZ_Atualizacao.sql").c_str()), 0);
    ASSERT_EQ(::mkfifo(repo.Path("prog/docs/ORACLE/00-DBVKT_XYZ_Atualizacao.sql").c_str(), 0600),
              0);
    Result r = Gera(repo, "install --repo R1 --type TABELAS");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Erro ao copiar o bat"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace vkt::cli
