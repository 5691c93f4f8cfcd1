// The platform layer made to fail on purpose, on every system: the Nth write,
// rename, flush, creation, removal or change of metadata of a replacement, a
// copy or a document fails, for every N up to the number of such calls. After
// each, the file holds its old or its new content, the failure says which
// error it was, and the next run leaves no temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/open_files.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::TempDir;
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

}  // namespace
}  // namespace vkt::platform
