// Made to fail on purpose. First the platform layer, on every system: the Nth
// write, rename, flush, creation, removal or change of metadata of a
// replacement, a copy or a document fails, for every N up to the number of
// such calls. After each, the file holds its old or its new content, the
// failure says which error it was, and the next run leaves no temporary file.
// Then whole runs: the Nth write, rename, fsync or folder creation of a whole
// installation (companion copies included) followed by a numbering update
// fails, for every N. After each: every file holds its old or its new content,
// a message names what failed and why, and the next run leaves no temporary
// file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/file_list_update.h"
#include "app/run_dispatch.h"
#include "fs/file_system_object.h"
#include "fs/open_files.h"
#include "fs/platform/file_system.h"
#include "support/durability.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::TempDir;
using vkt::testing::TestRepository;
using Files = std::map<std::string, std::string>;
using Names = std::vector<std::string>;

struct Operation {
  const char* name;
  // Writes the new content of "out.sql" in `dir`; the result of the call.
  std::function<Status(const TempDir& dir)> run;
};

const std::string kOld = "old content\r\n";
const std::string kNew = "new content, longer than the old one\r\n";

std::vector<Operation> Operations() {
  return {
      {"ReplaceFile", [](const TempDir& dir) { return ReplaceFile(dir / "out.sql", kNew); }},
      {"AtomicFile",
       [](const TempDir& dir) {
         AtomicFile file;
         Status status = file.Create(dir / "out.sql");
         for (std::size_t at = 0; status.ok() && at < kNew.size(); at += 8) {
           status = file.Write(kNew.data() + at, std::min<std::size_t>(8, kNew.size() - at));
         }
         return status.ok() ? file.Commit() : status;
       }},
      {"CopyFileReplacing",
       [](const TempDir& dir) { return CopyFileReplacing(dir / "new.src", dir / "out.sql"); }},
      {"ReplaceFile unless changed",
       [](const TempDir& dir) {
         File file;
         FileStamp read;
         if (!File::Open(dir / "out.sql", File::Mode::kRead, &file).ok() || !file.Stamp(&read)) {
           return Status::Errno(EIO);
         }
         file.Close();
         return ReplaceFile(dir / "out.sql", kNew, {.unchanged_since = &read});
       }},
  };
}

TEST(PlatformFaults, EveryFailingCallLeavesTheOldOrTheNewFile) {
  const std::pair<FaultKind, int> kinds[] = {
      {kFaultWrite, ENOSPC},  {kFaultRename, EIO},    {kFaultSync, EIO},
      {kFaultCreate, ENOSPC}, {kFaultRemove, EACCES}, {kFaultMetadata, EIO},
  };
  for (const Operation& operation : Operations()) {
    for (const auto& [kind, error] : kinds) {
      for (int n = 1;; ++n) {
        SCOPED_TRACE(std::string(operation.name) + ", fault kind " + std::to_string(kind) + " #" +
                     std::to_string(n));
        TempDir dir;
        dir.Write("out.sql", kOld);
        dir.Write("new.src", kNew);
        ArmFault(kind, n, error);
        const Status status = operation.run(dir);
        const int calls = DisarmFault();
        const std::string now = dir.Read("out.sql");
        EXPECT_TRUE(now == kOld || now == kNew) << now;
        // Old content is explained by the error; the file is whole either way.
        if (now == kOld) {
          EXPECT_EQ(status.code, error) << status.Text();
        }
        if (status.ok()) {
          EXPECT_EQ(now, kNew);
        }
        // A temporary whose removal failed is the next run's to delete.
        EXPECT_TRUE(RemoveLeftoverTemporaries(dir / "out.sql").ok());
        EXPECT_EQ(FolderNames(dir.path()), (Names{"new.src", "out.sql"}));
        if (calls < n) break;
      }
    }
  }
}

// A document written through a temporary file of the class's own naming
// (SetLines), whose old content goes aside until the new one is in place.
TEST(PlatformFaults, ADocumentKeepsItsOldOrItsNewLines) {
  for (const auto& [kind, error] :
       {std::pair{kFaultWrite, ENOSPC}, std::pair{kFaultRename, EIO},
        std::pair{kFaultCreate, ENOSPC}, std::pair{kFaultRemove, EIO}}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::to_string(kind) + " #" + std::to_string(n));
      TempDir dir;
      dir.Write("doc.txt", "a\r\nb\r\n");
      fs::FileSystemObject fso;
      // The temporary file goes to the current folder: here the test's own.
      const std::filesystem::path previous = std::filesystem::current_path();
      std::filesystem::current_path(dir.path());
      ArmFault(kind, n, error);
      fso.SetLines({"x", "y", "z"}, dir / "doc.txt", false, false, false);
      const int calls = DisarmFault();
      fs::open_files::CloseAll();
      std::filesystem::current_path(previous);
      const std::string now = dir.Read("doc.txt");
      EXPECT_TRUE(now == "a\r\nb\r\n" || now == "x\r\ny\r\nz\r\n") << now;
      if (calls < n) break;
    }
  }
}

// ---- whole runs ----

// An earlier run's leftover, as a killed run leaves it.
constexpr char kLeftover[] =
    "out/ORACLE/02-ATUALIZACAO/.13-DBVKT_XYZ_Versao_Database.sql.tmp-k1LLed";

// The runs under test; every message and box text they gave.
std::vector<std::string> RunAll(TestRepository& repo) {
  testing::FakeDesktop desktop;
  app::cmdExecuta_Click(repo.session, {1, "TODOS"});
  std::vector<std::string> said = repo.session.Mensagens;
  for (const auto& box : desktop.boxes) said.push_back(box.text);
  said.push_back(app::UpdateFileList(repo.session, "VIEWS", {"VIEWS_NEW"}).error);
  return said;
}

// A repository in its old state: empty, or after one earlier run; then the
// sources and companions change.
void Prepare(TestRepository& repo, bool earlier_run) {
  testing::DurabilityRepository(repo, 2, "v1");
  if (earlier_run) {
    RunAll(repo);
    repo.dir.Write(kLeftover, "half");
  }
  testing::DurabilityRepository(repo, 2, "v2");
}

bool Mentions(const std::vector<std::string>& said, const std::string& a, const std::string& b) {
  return std::any_of(said.begin(), said.end(), [&](const std::string& text) {
    return text.find(a) != std::string::npos && text.find(b) != std::string::npos;
  });
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(FaultInjection, EveryFailingCallLeavesOldOrNewFilesAndSaysWhy) {
  // The failures are injected, not real: a file system in memory, where a
  // flush costs nothing, keeps the hundreds of runs quick.
  testing::ScopedTempRoot in_memory("/dev/shm");
  const std::pair<FaultKind, const char*> kinds[] = {{kFaultWrite, "write"},
                                                     {kFaultRename, "rename"},
                                                     {kFaultSync, "fsync"},
                                                     {kFaultMkdir, "mkdir"}};
  for (bool earlier_run : {false, true}) {
    Files old_files, new_files;
    {
      TestRepository reference;
      Prepare(reference, earlier_run);
      old_files = testing::WrittenFiles(reference);
      old_files.erase(kLeftover);
      RunAll(reference);
      new_files = testing::WrittenFiles(reference);
    }
    for (const auto& [kind, name] : kinds) {
      int calls = 0;
      for (int n = 1;; ++n) {
        const int error = n % 2 == 1 ? ENOSPC : EIO;
        TestRepository repo;
        Prepare(repo, earlier_run);
        ArmFault(kind, n, error);
        const std::vector<std::string> said = RunAll(repo);
        calls = DisarmFault();
        if (calls < n) break;
        SCOPED_TRACE(std::string(name) + " #" + std::to_string(n) +
                     (earlier_run ? " over an earlier run" : " into an empty folder"));
        const Files now = testing::WrittenFiles(repo);
        std::vector<std::string> not_new;
        for (const auto& [path, bytes] : now) {
          if (path == kLeftover) continue;
          const bool is_new = new_files.contains(path) && new_files.at(path) == bytes;
          const bool is_old = old_files.contains(path) && old_files.at(path) == bytes;
          EXPECT_TRUE(is_new || is_old) << path;
          if (!is_new) not_new.push_back(path);
        }
        for (const auto& [path, bytes] : new_files) {
          if (now.contains(path)) continue;
          EXPECT_FALSE(old_files.contains(path)) << path << " is gone";
          not_new.push_back(path);
        }
        // What did not come out new is explained: a message names the file
        // that failed (which may be one that did come out new, when only its
        // folder could not be flushed; the run did not go on to the others)
        // and the reason.
        const bool explained = std::any_of(new_files.begin(), new_files.end(), [&](auto& file) {
          return Mentions(said, BaseName(file.first), platform::Status::Errno(error).Text());
        });
        EXPECT_TRUE(not_new.empty() || explained) << not_new.front();
        RunAll(repo);
        EXPECT_EQ(testing::TemporariesBelow(repo.dir.path()), std::vector<std::string>());
      }
      // Over an earlier run every folder exists already.
      if (!earlier_run || kind != kFaultMkdir) {
        EXPECT_GT(calls, 0) << name;
      }
    }
  }
}

#ifndef _WIN32  // POSIX only: the root "/" as PathDestino
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
#endif

}  // namespace
}  // namespace vkt::platform
