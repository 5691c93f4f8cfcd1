// What the POSIX platform layer does that Windows does not: names found
// without regard to case, names that are not UTF-8, FIFOs and sockets,
// symbolic links made with symlink(), descriptors, replacing a file without an
// atomic exchange, the terminating signals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/call_count.h"
#include "fs/platform/fault_seam.h"
#include "fs/platform/file_system.h"
#include "support/atomic_replace.h"
#include "support/durability.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::Replace;
using vkt::testing::StampOf;
using vkt::testing::TempDir;
using Names = std::vector<std::string>;

Names Listed(const std::string& expression) {
  Names names;
  for (const auto& e : FindEntries(expression)) names.push_back(e.name);
  return names;
}

std::string Resolved(const std::string& path) {
  std::string posix;
  return ResolvePath(path, &posix) ? posix : "<none>";
}

TEST(ResolvePath, MatchesComponentsWithoutCasePreferringTheExactSpelling) {
  TempDir dir;
  dir.Write("Repo/Views/v1.ora", "x");
  dir.Write("views/a.sql", "lower");
  dir.Write("Views/a.sql", "mixed");
  dir.MakeDir("Out");
  dir.MakeDir("@:");  // no letter before the colon: a name like any other
  const struct {
    std::string in, out;
  } cases[] = {
      {dir.path() + "\\REPO\\VIEWS\\V1.ORA", dir / "Repo/Views/v1.ora"},
      {dir.path() + "/Views/a.sql", dir / "Views/a.sql"},
      // Neither spelling is exact: the first in listing order wins (ties by bytes).
      {dir.path() + "/VIEWS/a.sql", dir / "Views/a.sql"},
      {dir.path() + "\\OUT\\New\\File.sql", dir / "Out/New/File.sql"},
      {dir.path() + "/@:", dir / "@:"},
  };
  for (const auto& c : cases) EXPECT_EQ(Resolved(c.in), c.out) << c.in;
  for (const char* drive : {"C:\\repo", "a:x", "z:", "A:\\", "Z:/", ""}) {
    EXPECT_EQ(Resolved(drive), "<none>") << drive;
  }
}

TEST(ResolvePath, SeesEntriesCreatedAfterAFolderWasCached) {
  TempDir dir;
  // A listing read well after the folder last changed is trusted only while
  // the folder's time stays as it was; a folder made or a file copied here is
  // seen even where that time does not move (a coarse clock).
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(10);
  std::filesystem::last_write_time(dir.path(), old);
  EXPECT_EQ(Resolved(dir.path() + "/ORACLE"), dir / "ORACLE");  // caches the listing
  ASSERT_TRUE(CreateDirectory(dir.path() + "/oracle").ok());
  std::filesystem::last_write_time(dir.path(), old);
  EXPECT_EQ(Resolved(dir.path() + "/ORACLE/x"), dir / "oracle/x");
  EXPECT_FALSE(CreateDirectory(dir.path() + "\\Oracle").ok());
  dir.Write("f/other.sql", "");
  EXPECT_EQ(Resolved(dir.path() + "/F/NEW.SQL"), dir / "f/NEW.SQL");  // caches "f"
  dir.Write("f/new.sql", "x");  // not through the platform layer
  EXPECT_EQ(Resolved(dir.path() + "/F/NEW.SQL"), dir / "f/new.sql");
  EXPECT_EQ(Listed(dir.path() + "/f/*.SQL"), (Names{"new.sql", "other.sql"}));
  dir.MakeDir("g");
  std::filesystem::last_write_time(dir / "g", old);
  EXPECT_EQ(Resolved(dir.path() + "/G/NEW.SQL"), dir / "g/NEW.SQL");  // caches "g"
  dir.Write("g/new.sql", "x");
  EXPECT_EQ(Resolved(dir.path() + "/G/NEW.SQL"), dir / "g/new.sql");
  dir.Write("k/src.txt", "c");
  std::filesystem::last_write_time(dir / "k", old);
  EXPECT_EQ(Resolved(dir.path() + "/K/COPY.TXT"), dir / "k/COPY.TXT");  // caches "k"
  ASSERT_TRUE(CopyFile(dir / "k/src.txt", dir / "k/copy.txt", false).ok());
  std::filesystem::last_write_time(dir / "k", old);
  EXPECT_EQ(Resolved(dir.path() + "/K/COPY.TXT"), dir / "k/copy.txt");
  // A folder found without regard to case is remembered until the caches
  // are dropped, as a run does when it starts.
  dir.Write("h/Views/a.sql", "");
  EXPECT_EQ(Resolved(dir.path() + "/h/VIEWS/a.sql"), dir / "h/Views/a.sql");
  // It serves every script in it: the next costs one look at the file itself.
  dir.Write("h/Views/b.sql", "");
  StartCountingCalls();
  EXPECT_EQ(Resolved(dir.path() + "/h/VIEWS/b.sql"), dir / "h/Views/b.sql");
  EXPECT_EQ(StopCountingCalls().Total(), 1u);
  dir.Write("h/VIEWS/a.sql", "");
  ForgetListings();
  EXPECT_EQ(Resolved(dir.path() + "/h/VIEWS/a.sql"), dir / "h/VIEWS/a.sql");
}

// Listing order: upper-cased names compared by UTF-16 code units (the
// end-to-end numbering cases show the order of every kind of name). A name
// that is not UTF-8 is shown and found as Windows-1252.
TEST(PathAsShown, NamesWhatTheRunFoundAsItIsOnDiskAndTheRestAsBuilt) {
  TempDir dir;
  dir.Write("Repo/Triggers/TRG_A.sql", "x");
  dir.Write("Repo/caf\xE9/V.sql", "x");  // a name that is not UTF-8
  ForgetListings();
  const std::string missing = dir.path() + "\\REPO\\TRIGGERS\\trg_b.sql";
  // Nothing looked up yet: as built.
  EXPECT_EQ(PathAsShown(missing), dir / "REPO/TRIGGERS/trg_b.sql");
  EXPECT_FALSE(IsRegularFile(missing));
  EXPECT_EQ(PathAsShown(missing), dir / "Repo/Triggers/trg_b.sql");
  // A file found is named as it is; the folder found serves its other paths.
  EXPECT_TRUE(IsRegularFile(dir.path() + "/REPO/TRIGGERS/trg_a.SQL"));
  EXPECT_EQ(PathAsShown(dir.path() + "/REPO/TRIGGERS/trg_a.SQL"), dir / "Repo/Triggers/TRG_A.sql");
  EXPECT_EQ(PathAsShown(dir.path() + "\\REPO\\TRIGGERS\\"), dir / "Repo/Triggers/");
  EXPECT_TRUE(IsRegularFile(dir.path() + "/REPO/CAF\u00C9/v.sql"));
  EXPECT_EQ(PathAsShown(dir.path() + "/REPO/CAF\u00C9/v.sql"), dir / "Repo/caf\u00E9/V.sql");
  // What was found stays what is shown while the run writes.
  ASSERT_TRUE(CreateDirectory(dir.path() + "/REPO/TRIGGERS/Novo").ok());
  EXPECT_EQ(PathAsShown(missing), dir / "Repo/Triggers/trg_b.sql");
  // A new run starts from what is on disk.
  ForgetListings();
  EXPECT_EQ(PathAsShown(missing), dir / "REPO/TRIGGERS/trg_b.sql");
}

TEST(FindEntries, ListsMatchesInNtfsOrder) {
  TempDir dir;
  for (const char* name : {"b.sql", "A.sql", "_x.sql", "c.ora", ".hidden.sql", "b.sqlx",
                           "\xC3\xA7\xC3\xA3o.SQL", "caf\xE9.ora", "A\x81.ora"}) {
    dir.Write(std::string("f/") + name, "");
  }
  dir.MakeDir("f/old");
  const std::string f = dir.path() + "/f/";
  const struct {
    std::string expression;
    Names names;
  } cases[] = {
      {f + "\xC3\x87*", {"\xC3\xA7\xC3\xA3o.SQL"}},  // Ç*
      {f + "?.SQL?", {"b.sqlx"}},
      {dir.path() + "/F/CAF\xC3\x89.ORA", {"caf\xC3\xA9.ora"}},
      {dir.path() + "/F/a.SQL", {"A.sql"}},
      {f, {}},
      {dir.path() + "/missing/*", {}},
      {"C:\\*", {}},
      {"C:*", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Listed(c.expression), c.names) << c.expression;
  EXPECT_TRUE(FindEntries(f + "old")[0].is_directory);
  EXPECT_TRUE(FindEntries(f + "..")[0].is_directory);
  EXPECT_FALSE(FindEntries(f + ".")[0].is_hidden);
  // A drive's root has no dot entries.
  for (const char* dots : {"/.", "/.."}) EXPECT_TRUE(FindEntries(dots).empty()) << dots;
  EXPECT_FALSE(FindEntries(f + "c.ora")[0].is_directory);
  for (const auto& e : FindEntries("/*")) EXPECT_TRUE(e.name != "." && e.name != "..") << e.name;
  EXPECT_FALSE(FindEntries("/*").empty());
  EXPECT_TRUE(fs::FileSystemObject().FileExists(dir.path() + "\\f\\A\xC2\x81.ora"));
}

// A name beyond U+FFFF comes before one in U+E000-U+FFFF whichever of the two
// the folder gives first (in memory, the newest entry comes first).
TEST(FindEntries, PutsNamesBeyondTheBasicPlaneBeforeTheHighestOnes) {
  testing::ScopedTempRoot in_memory("/dev/shm");
  const std::string pair = "\xF0\x9F\x98\x80.sql", high = "\xEE\x80\x80.sql";
  for (const bool pair_first : {true, false}) {
    TempDir dir;
    dir.Write(pair_first ? pair : high, "");
    dir.Write(pair_first ? high : pair, "");
    EXPECT_EQ(Listed(dir.path() + "/*.sql"), (Names{pair, high})) << pair_first;
  }
}

// Where the system cannot copy or rename by itself (an older kernel, another
// file system), a copy reads and writes and a move links and unlinks or
// copies; any other error is the caller's.
TEST(FileChanges, FallBackWhereTheSystemCannotAndReportOtherErrors) {
  TempDir dir;
  dir.Write("src", "content");
  for (const int error : {EXDEV, ENOSYS, EINVAL, EOPNOTSUPP, EIO}) {
    SCOPED_TRACE(error);
    const bool falls_back = error != EIO;
    ArmFault(kFaultWrite, 1, error);
    EXPECT_EQ(CopyFile(dir / "src", dir / "copy", false).code, falls_back ? 0 : EIO);
    DisarmFault();
    EXPECT_EQ(dir.Read("copy"), falls_back ? "content" : "");
    if (error == EOPNOTSUPP) continue;
    dir.Write("a", "moved");
    ArmFault(kFaultRename, 1, error);
    EXPECT_EQ(MoveFile(dir / "a", dir / "b").code, falls_back ? 0 : EIO);
    DisarmFault();
    EXPECT_EQ(dir.Read("b"), falls_back ? "moved" : "");
    EXPECT_EQ(dir.Exists("a"), !falls_back);
    std::filesystem::remove(dir / "b");
    std::filesystem::remove(dir / "copy");
  }
}

// A sparse file is copied with its holes: a 16 MiB file of a few written
// blocks takes a few blocks, and reads back the same.
TEST(FileChanges, CopyKeepsHoles) {
  TempDir dir;
  {
    std::ofstream sparse(dir / "sparse", std::ios::binary);
    sparse.seekp(6 << 20);
    sparse << "data in the middle";
  }
  std::filesystem::resize_file(dir / "sparse", 16 << 20);
  ASSERT_TRUE(CopyFile(dir / "sparse", dir / "copy", false).ok());
  struct stat st {};
  ASSERT_EQ(::stat((dir / "copy").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 16 << 20);
  EXPECT_LT(st.st_blocks, 1024);  // 512-byte blocks: under 512 KiB allocated
  EXPECT_EQ(dir.Read("copy"), dir.Read("sparse"));
}

// A process started with standard input closed hands out descriptor 0 for
// the first file or folder it opens: that one works like any other, counts as
// open and is closed. A replacement dropped without Commit leaves nothing behind.
TEST(Descriptors, ZeroServesAsAnyOtherAndIsGivenBack) {
  TempDir dir;
  dir.Write("in.txt", "in");
  // Listed as a FIFO, a regular file by the time it is opened.
  ASSERT_EQ(::mkfifo((dir / "swapped.txt").c_str(), 0600), 0);
  ListedFolder listed;
  ASSERT_TRUE(listed.Open(dir.path()).ok());
  ::unlink((dir / "swapped.txt").c_str());
  dir.Write("swapped.txt", "now a file");
  const int saved = ::dup(0);
  ASSERT_GE(saved, 0);
  ::close(0);
  // Each in a scope of its own, so that each gets descriptor 0.
  {
    File out;
    EXPECT_TRUE(File::Open(dir / "out.txt", File::Mode::kWrite, &out).ok() && out.is_open());
  }
  {
    File in;
    EXPECT_TRUE(File::Open(dir / "in.txt", File::Mode::kRead, &in).ok());
  }
  {
    AtomicFile w;
    EXPECT_TRUE(w.Create(dir / "new.txt").ok() && w.Write("x", 1).ok() && w.Commit().ok());
  }
  {
    AtomicFile dropped;
    EXPECT_TRUE(dropped.Create(dir / "dropped.txt").ok());
  }
  {
    // The lock file itself on descriptor 0: the folder opened while /dev/null
    // holds 0, which is freed right before the lock file is created.
    ASSERT_EQ(::open("/dev/null", O_RDONLY), 0);
    ArmAction(kFaultCreate, 1, [] { ::close(0); });
    FolderLock lock;
    EXPECT_TRUE(lock.Acquire(dir.path()).ok());
    EXPECT_EQ(DisarmFault(), 1);
  }
  {
    ListedFolder folder;
    EXPECT_TRUE(folder.Open(dir.path()).ok() && folder.is_open());
  }
  {
    File swapped;
    EXPECT_TRUE(listed.OpenEntry(listed.Find("swapped.txt", "SWAPPED.TXT"), &swapped).ok() &&
                swapped.is_open());
  }
  const int next = ::open("/dev/null", O_RDONLY);
  ::dup2(saved, 0);
  ::close(saved);
  if (next > 0) ::close(next);
  EXPECT_EQ(next, 0) << "descriptor 0 was kept";
  EXPECT_EQ(FolderNames(dir.path()), (Names{"in.txt", "new.txt", "out.txt", "swapped.txt"}));
}

// A file dropped while it is written closes all it opened and leaves no
// temporary behind.
TEST(AtomicFile, ADroppedFileClosesWhatItOpened) {
  TempDir dir;
  const auto open_descriptors = [] { return FolderNames("/proc/self/fd").size(); };
  const auto drop = [&dir] {
    AtomicFile dropped;
    ASSERT_TRUE(dropped.Create(dir / "dropped.txt").ok());
    ASSERT_TRUE(dropped.Write("x", 1).ok());
  };
  // The folder's handle stays open with its cached listing, from the first.
  drop();
  const std::size_t before = open_descriptors();
  drop();
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_EQ(FolderNames(dir.path()), Names{});
}

// ---- replacing a file ----

// Where the file system has no exchange, the test comes right before the rename.
TEST(AtomicFile, WhereTheFileSystemHasNoExchangeTheTestComesRightBeforeTheRename) {
  TempDir dir;
  const std::string list = dir / "list.ini";
  dir.Write("list.ini", "v1");
  const FileStamp read = StampOf(list);
  ArmFault(kFaultRename, 1, EINVAL);
  EXPECT_TRUE(Replace(list, "ours", &read).ok());
  DisarmFault();
  EXPECT_EQ(dir.Read("list.ini"), "ours");
  // Nor without the rename that refuses to replace: a file that was missing
  // when read is written where its name is still free.
  const FileStamp missing{};
  ArmFault(kFaultRename, 1, EINVAL);
  EXPECT_TRUE(Replace(dir / "new.ini", "new", &missing).ok());
  DisarmFault();
  EXPECT_EQ(dir.Read("new.ini"), "new");
}

// A link at an output's name would be replaced, not what it leads to; neither
// it nor a FIFO is read, and checking writes nothing.
TEST(OutputFile, ALinkAtTheNameWouldBeReplacedAndNeitherItNorAFifoIsRead) {
  TempDir dir;
  dir.Write("ro", "not ours");
  vkt::testing::MakeReadOnly(dir / "ro");
  ASSERT_EQ(::symlink("ro", (dir / "link.sql").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo.sql").c_str(), 0600), 0);
  EXPECT_TRUE(CheckReplaceable(dir / "link.sql").ok());
  std::string bytes = "x";
  EXPECT_EQ(ReadOutputFile(dir / "link.sql", &bytes).code, ENOENT);
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(ReadOutputFile(dir / "fifo.sql", &bytes).code, kNotRegularFile);
  // A socket cannot even be opened: told as what it is, not as a missing device.
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{AF_UNIX, {}};
  const std::string socket_path = dir / "sock.sql";
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(ReadOutputFile(socket_path, &bytes).code, kNotRegularFile);
  ::close(sock);
  EXPECT_EQ(FolderNames(dir.path()), (Names{"fifo.sql", "link.sql", "ro", "sock.sql"}));
}

// While the cleanup of one terminating signal runs, the others wait.
TEST(SignalCleanup, ASecondSignalWaitsForTheFirstsCleanup) {
  const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction saved[3]{};
  for (int i = 0; i < 3; ++i) ::sigaction(kSignals[i], nullptr, &saved[i]);
  InstallSignalCleanup();
  for (int i = 0; i < 3; ++i) {
    struct sigaction installed {};
    ::sigaction(kSignals[i], &saved[i], &installed);  // the test's own back in place
    for (int other : kSignals) EXPECT_EQ(sigismember(&installed.sa_mask, other), 1) << other;
  }
}

}  // namespace
}  // namespace vkt::platform
