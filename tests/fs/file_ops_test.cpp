#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fs/recording_fso.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::FakeDesktop;
using vkt::testing::MakeReadOnly;
using vkt::testing::OwnerCanWrite;
using vkt::testing::TempDir;
using Calls = std::vector<LogCall>;

// Each attempt is reported before it is made, with the executable's name
// without extension; a failed delete is not reported.
TEST(DeleteFile, ReportsThenDeletesWhatIsNeitherReadOnlyNorAFolderAndByPatterns) {
  TempDir dir;
  dir.Write("a.sql", "x");
  dir.Write("locked.sql", "x");
  MakeReadOnly(dir / "locked.sql");
  dir.MakeDir("Folder");
  RecordingFso fso;
  EXPECT_TRUE(fso.DeleteFile(dir.path() + "\\A.SQL"));
  EXPECT_FALSE(dir.Exists("a.sql"));
  EXPECT_EQ(fso.calls, Calls{Call("Excluindo Arquivo: " + dir.path() + "\\A.SQL", "DeleteFile")});
  EXPECT_EQ(platform::ExecutableName(), "fs_tests");
  // Every argument of the hook has a default: empty texts, no error.
  static_cast<FileSystemObject&>(fso).Grava_Log();
  EXPECT_EQ(fso.calls.back(), (LogCall{"", "", "", false, false, CurrentRunAs()}));
  fso.calls.pop_back();
  for (const char* name : {"locked.sql", "Folder", "missing"}) {
    EXPECT_FALSE(fso.DeleteFile(dir / name)) << name;
    EXPECT_EQ(dir.Exists(name), name != std::string("missing")) << name;
  }
  EXPECT_EQ(fso.calls.size(), 4u);
  // DeleteFiles deletes every pattern's files, read-only and hidden ones too.
  const std::string many = dir / "many";
  for (const char* name : {"a.tmp", "locked.TMP", ".hidden.bak", "keep.sql", "sub/deep.tmp"}) {
    dir.Write(std::string("many/") + name, "x");
  }
  MakeReadOnly(many + "/locked.TMP");
  MakeReadOnly(many + "/.hidden.bak");
  fso.calls.clear();
  fso.DeleteFiles(many, {"*.tmp", "*.none", "*.bak"});
  EXPECT_EQ(testing::FolderNames(many), (std::vector<std::string>{"keep.sql", "sub"}));
  EXPECT_TRUE(dir.Exists("many/sub/deep.tmp"));
  EXPECT_EQ(fso.calls, (Calls{
                           Call("Excluindo Arquivo: " + many + "\\a.tmp", "DeleteFile"),
                           Call("Excluindo Arquivo: " + many + "\\locked.TMP", "DeleteFile"),
                           Call("Excluindo Arquivo: " + many + "\\.hidden.bak", "DeleteFile"),
                       }));
}

// A move never lands on an existing file, a copy does unless told not to.
TEST(CopyFileAndMoveFile, ReplaceOnlyAsToldSkipIniFilesAndReportEvenAFailingHook) {
  TempDir dir;
  dir.Write("a.sql", "select 1");
  dir.Write("b.sql", "old");
  RecordingFso fso;
  EXPECT_FALSE(fso.CopyFile(dir / "a.sql", dir / "b.sql", true));
  EXPECT_EQ(dir.Read("b.sql"), "old");
  EXPECT_TRUE(fso.CopyFile(dir / "a.sql", dir / "b.sql"));
  EXPECT_EQ(dir.Read("b.sql"), "select 1");
  const LogCall copying = Call("Copiando Arquivo: " + dir / "a.sql", "CopyFile");
  EXPECT_EQ(fso.calls, (Calls{copying, copying}));
  // An existing ini file is never replaced, and nothing is reported; onto a
  // missing destination it is copied as any other file.
  for (const char* name : {"Config.INI", "config.ini", "x.Ini.bak"}) {
    dir.Write(name, "new");
    fso.calls.clear();
    EXPECT_TRUE(fso.CopyFile(dir / name, dir / "b.sql", false)) << name;
    EXPECT_EQ(dir.Read("b.sql"), "select 1") << name;
    EXPECT_TRUE(fso.calls.empty()) << name;
    EXPECT_TRUE(fso.CopyFile(dir / name, dir / "fresh", true)) << name;
    EXPECT_EQ(dir.Read("fresh"), "new") << name;
    EXPECT_EQ(fso.calls.size(), 1u) << name;
    std::filesystem::remove(dir / "fresh");
  }
  dir.Write("mine.sql", "mine");
  fso.calls.clear();
  EXPECT_FALSE(fso.MoveFile(dir / "mine.sql", dir / "b.sql"));
  EXPECT_EQ(dir.Read("mine.sql"), "mine");
  EXPECT_EQ(dir.Read("b.sql"), "select 1");
  EXPECT_TRUE(fso.MoveFile(dir / "mine.sql", dir / "moved.sql"));
  EXPECT_FALSE(dir.Exists("mine.sql"));
  EXPECT_EQ(dir.Read("moved.sql"), "mine");
  const LogCall moving = Call("Movendo Arquivo: " + dir / "mine.sql", "MoveFile");
  EXPECT_EQ(
      fso.calls,
      (Calls{moving, Call("Erro Movendo Arquivo: " + dir / "mine.sql" + " - ", "MoveFile", true),
             moving}));
  // A failing hook ends a CopyFileAS as a reported failure.
  fso.calls.clear();
  fso.on_log = [&](const std::string&) {
    if (fso.calls.size() == 1) throw std::runtime_error("log full");
  };
  EXPECT_FALSE(fso.CopyFileAS(dir / "a.sql", dir / "c.sql", "", "ana", "x", false));
  EXPECT_FALSE(dir.Exists("c.sql"));
  EXPECT_EQ(fso.calls,
            (Calls{
                Call("Copiando Arquivo: " + dir / "a.sql", "CopyFileAS"),
                Call("Erro Copia de Arquivo: " + dir / "a.sql" + " - ", "CopyFileAS", true),
            }));
}

TEST(CopyFiles, CopiesPatternByPatternClearingMarksYieldingAndStoppingAtAFailure) {
  TempDir dir;
  for (const char* name : {"b.sql", "a.sql", "c.ora", "d.txt"})
    dir.Write(std::string("src/") + name, name);
  MakeReadOnly(dir / "src/a.sql");
  dir.Write("dst/a.sql", "old");
  MakeReadOnly(dir / "dst/a.sql");
  FakeDesktop desktop;
  RecordingFso fso(desktop.services());
  EXPECT_TRUE(fso.CopyFiles(dir / "src", dir / "dst", false, {"*.ora", "*.sql"}));
  EXPECT_EQ(testing::FilesBelow(dir / "dst"),
            (std::map<std::string, std::string>{
                {"a.sql", "a.sql"}, {"b.sql", "b.sql"}, {"c.ora", "c.ora"}}));
  EXPECT_TRUE(OwnerCanWrite(dir / "src/a.sql"));
  EXPECT_TRUE(OwnerCanWrite(dir / "dst/a.sql"));
  const std::string src = dir / "src";
  EXPECT_EQ(fso.calls, (Calls{
                           Call("Copiando Arquivo: " + src + "\\c.ora", "CopyFile"),
                           Call("Copiando Arquivo: " + src + "\\a.sql", "CopyFile"),
                           Call("Copiando Arquivo: " + src + "\\b.sql", "CopyFile"),
                       }));
  EXPECT_EQ(desktop.yields, 3);
  // A failed copy stops the run; the earlier copies stay.
  dir.Write("dst2/b.sql", "old");
  EXPECT_FALSE(fso.CopyFiles(dir / "src", dir / "dst2", true, {"*.sql", "*.ora"}));
  EXPECT_EQ(testing::FilesBelow(dir / "dst2"),
            (std::map<std::string, std::string>{{"a.sql", "a.sql"}, {"b.sql", "old"}}));
  EXPECT_EQ(desktop.yields, 4);
}

}  // namespace
}  // namespace vkt::fs
