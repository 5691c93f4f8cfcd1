#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/system_info.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::FakeDesktop;
using vkt::testing::MakeReadOnly;
using vkt::testing::OwnerCanWrite;
using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

struct LogCall {
  std::string message, exe, operation;
  bool error = false, last = false;
  bool operator==(const LogCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LogCall& c) {
  return out << "{" << c.message << " | " << c.exe << " | " << c.operation << " | " << c.error
             << " | " << c.last << "}";
}

// Records every call of the logging hook.
class RecordingFso : public FileSystemObject {
 public:
  void Grava_Log(const std::string& a, const std::string& b, const std::string& c, bool d,
                 bool e) override {
    calls.push_back({a, b, c, d, e});
  }
  std::vector<LogCall> calls;
};

// A hook that fails (throws) the first time it is called.
class ThrowingFso : public RecordingFso {
 public:
  void Grava_Log(const std::string& a, const std::string& b, const std::string& c, bool d,
                 bool e) override {
    RecordingFso::Grava_Log(a, b, c, d, e);
    if (calls.size() == 1) throw std::runtime_error("log full");
  }
};

LogCall Call(const std::string& message, const std::string& operation, bool error = false) {
  return {message, platform::ExecutableName(), operation, error, false};
}

TEST(Grava_Log, ReceivesTheExecutableNameWithoutExtension) {
  EXPECT_EQ(platform::ExecutableName(), "fs_tests");
}

TEST(DeleteFile, ReportsThenDeletes) {
  TempDir dir;
  dir.Write("a.sql", "x");
  RecordingFso fso;
  EXPECT_TRUE(fso.DeleteFile(dir.path() + "\\A.SQL"));
  EXPECT_FALSE(dir.Exists("a.sql"));
  EXPECT_EQ(fso.calls, std::vector<LogCall>{
                           Call("Excluindo Arquivo: " + dir.path() + "\\A.SQL", "DeleteFile")});
}

TEST(DeleteFile, FailsOnReadOnlyFilesFoldersAndMissingFiles) {
  TempDir dir;
  dir.Write("locked.sql", "x");
  MakeReadOnly(dir / "locked.sql");
  dir.MakeDir("Folder");
  RecordingFso fso;
  EXPECT_FALSE(fso.DeleteFile(dir / "locked.sql"));
  EXPECT_TRUE(dir.Exists("locked.sql"));
  EXPECT_FALSE(fso.DeleteFile(dir / "Folder"));
  EXPECT_TRUE(dir.Exists("Folder"));
  EXPECT_FALSE(fso.DeleteFile(dir / "missing"));
  EXPECT_EQ(fso.calls.size(), 3u);  // reported before each attempt, failures not reported
}

TEST(CopyFile, CopiesContentsAndReports) {
  TempDir dir;
  dir.Write("a.sql", "select 1");
  RecordingFso fso;
  EXPECT_TRUE(fso.CopyFile(dir / "a.sql", dir / "b.sql"));
  EXPECT_EQ(dir.Read("b.sql"), "select 1");
  EXPECT_EQ(fso.calls,
            std::vector<LogCall>{Call("Copiando Arquivo: " + dir / "a.sql", "CopyFile")});
}

TEST(CopyFile, ReplacesAnExistingFileUnlessFailIfExists) {
  TempDir dir;
  dir.Write("a.sql", "new");
  dir.Write("b.sql", "old");
  RecordingFso fso;
  EXPECT_FALSE(fso.CopyFile(dir / "a.sql", dir / "b.sql", true));
  EXPECT_EQ(dir.Read("b.sql"), "old");
  EXPECT_TRUE(fso.CopyFile(dir / "a.sql", dir / "b.sql"));
  EXPECT_EQ(dir.Read("b.sql"), "new");
  EXPECT_EQ(fso.calls.size(), 2u);
}

TEST(CopyFile, NeverReplacesAnExistingIniFile) {
  const char* names[] = {"Config.INI", "config.ini", "x.Ini.bak"};
  for (const char* name : names) {
    TempDir dir;
    dir.Write(name, "new");
    dir.Write("dest/kept", "old");
    RecordingFso fso;
    EXPECT_TRUE(fso.CopyFile(dir / name, dir / "dest/kept", false)) << name;
    EXPECT_EQ(dir.Read("dest/kept"), "old") << name;
    EXPECT_TRUE(fso.calls.empty()) << name;
    // Onto a missing destination the ini file is copied as any other.
    EXPECT_TRUE(fso.CopyFile(dir / name, dir / "dest/fresh", true)) << name;
    EXPECT_EQ(dir.Read("dest/fresh"), "new") << name;
    EXPECT_EQ(fso.calls.size(), 1u) << name;
  }
}

TEST(CopyFileAS, AFailingHookEndsTheCopyAsAReportedFailure) {
  TempDir dir;
  dir.Write("a.sql", "x");
  ThrowingFso fso;
  EXPECT_FALSE(fso.CopyFileAS(dir / "a.sql", dir / "b.sql", "", "ana", "x", false));
  EXPECT_FALSE(dir.Exists("b.sql"));
  EXPECT_EQ(fso.calls,
            (std::vector<LogCall>{
                Call("Copiando Arquivo: " + dir / "a.sql", "CopyFileAS"),
                Call("Erro Copia de Arquivo: " + dir / "a.sql" + " - ", "CopyFileAS", true),
            }));
}

TEST(MoveFile, MovesAndReports) {
  TempDir dir;
  dir.Write("a.sql", "x");
  RecordingFso fso;
  EXPECT_TRUE(fso.MoveFile(dir / "a.sql", dir / "b.sql"));
  EXPECT_FALSE(dir.Exists("a.sql"));
  EXPECT_EQ(dir.Read("b.sql"), "x");
  EXPECT_EQ(fso.calls, std::vector<LogCall>{Call("Movendo Arquivo: " + dir / "a.sql", "MoveFile")});
}

TEST(MoveFile, FailsOntoAnExistingFileAndReportsTheFailure) {
  TempDir dir;
  dir.Write("a.sql", "mine");
  dir.Write("b.sql", "theirs");
  RecordingFso fso;
  EXPECT_FALSE(fso.MoveFile(dir / "a.sql", dir / "b.sql"));
  EXPECT_EQ(dir.Read("a.sql"), "mine");
  EXPECT_EQ(dir.Read("b.sql"), "theirs");
  EXPECT_EQ(fso.calls, (std::vector<LogCall>{
                           Call("Movendo Arquivo: " + dir / "a.sql", "MoveFile"),
                           Call("Erro Movendo Arquivo: " + dir / "a.sql" + " - ", "MoveFile", true),
                       }));
}

TEST(DeleteFiles, DeletesEveryPatternIncludingReadOnlyAndHiddenFiles) {
  TempDir dir;
  dir.Write("a.tmp", "x");
  dir.Write("locked.TMP", "x");
  MakeReadOnly(dir / "locked.TMP");
  dir.Write(".hidden.bak", "x");
  MakeReadOnly(dir / ".hidden.bak");
  dir.Write("keep.sql", "x");
  dir.Write("sub/deep.tmp", "x");
  RecordingFso fso;
  fso.DeleteFiles(dir.path(), {"*.tmp", "*.none", "*.bak"});
  EXPECT_FALSE(dir.Exists("a.tmp"));
  EXPECT_FALSE(dir.Exists("locked.TMP"));
  EXPECT_FALSE(dir.Exists(".hidden.bak"));
  EXPECT_TRUE(dir.Exists("keep.sql"));
  EXPECT_TRUE(dir.Exists("sub/deep.tmp"));
  EXPECT_EQ(fso.calls, (std::vector<LogCall>{
                           Call("Excluindo Arquivo: " + dir.path() + "\\a.tmp", "DeleteFile"),
                           Call("Excluindo Arquivo: " + dir.path() + "\\locked.TMP", "DeleteFile"),
                           Call("Excluindo Arquivo: " + dir.path() + "\\.hidden.bak", "DeleteFile"),
                       }));
}

TEST(CopyFiles, CopiesPatternByPatternAndYieldsAfterEachFile) {
  TempDir dir;
  dir.Write("src/b.sql", "b");
  dir.Write("src/a.sql", "a");
  dir.Write("src/c.ora", "c");
  dir.Write("src/d.txt", "d");
  dir.MakeDir("dst");
  FakeDesktop desktop;
  RecordingFso fso;
  EXPECT_TRUE(fso.CopyFiles(dir / "src", dir / "dst", false, {"*.ora", "*.sql"}));
  EXPECT_EQ(dir.Read("dst/a.sql"), "a");
  EXPECT_EQ(dir.Read("dst/b.sql"), "b");
  EXPECT_EQ(dir.Read("dst/c.ora"), "c");
  EXPECT_FALSE(dir.Exists("dst/d.txt"));
  const std::string src = dir / "src";
  EXPECT_EQ(fso.calls, (std::vector<LogCall>{
                           Call("Copiando Arquivo: " + src + "\\c.ora", "CopyFile"),
                           Call("Copiando Arquivo: " + src + "\\a.sql", "CopyFile"),
                           Call("Copiando Arquivo: " + src + "\\b.sql", "CopyFile"),
                       }));
  EXPECT_EQ(desktop.yields, 3);
}

TEST(CopyFiles, StopsAtTheFirstFailedCopyAndKeepsEarlierCopies) {
  TempDir dir;
  dir.Write("src/a.sql", "a");
  dir.Write("src/b.sql", "b");
  dir.Write("src/c.sql", "c");
  dir.Write("src/d.ora", "d");
  dir.Write("dst/b.sql", "old");
  FakeDesktop desktop;
  RecordingFso fso;
  EXPECT_FALSE(fso.CopyFiles(dir / "src", dir / "dst", true, {"*.sql", "*.ora"}));
  EXPECT_EQ(dir.Read("dst/a.sql"), "a");
  EXPECT_EQ(dir.Read("dst/b.sql"), "old");
  EXPECT_FALSE(dir.Exists("dst/c.sql"));
  EXPECT_FALSE(dir.Exists("dst/d.ora"));
  EXPECT_EQ(desktop.yields, 1);
}

TEST(CopyFiles, ClearsTheProtectiveMarksOnBothSides) {
  TempDir dir;
  dir.Write("src/a.sql", "new");
  MakeReadOnly(dir / "src/a.sql");
  dir.Write("dst/a.sql", "old");
  MakeReadOnly(dir / "dst/a.sql");
  RecordingFso fso;
  EXPECT_TRUE(fso.CopyFiles(dir / "src", dir / "dst", false, {"*.*"}));
  EXPECT_EQ(dir.Read("dst/a.sql"), "new");
  EXPECT_TRUE(OwnerCanWrite(dir / "src/a.sql"));
  EXPECT_TRUE(OwnerCanWrite(dir / "dst/a.sql"));
}

}  // namespace
}  // namespace vkt::fs
