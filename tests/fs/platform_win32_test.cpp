// What only the Windows platform layer does: its table of Windows errors,
// attributes as Windows keeps them, native paths with drive letters and UNC
// names, the lock file, short names and the Windows time zone. Where Wine
// cannot show what Windows does, the logic is tested on its own.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/account.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "fs/platform/win32_internal.h"
#include "support/atomic_replace.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::FolderNames;
using vkt::testing::Replace;
using vkt::testing::TempDir;
using Names = std::vector<std::string>;
using namespace win32;

std::wstring W(const std::string& path) { return SystemPath(path); }

DWORD AttributesAt(const std::string& path) { return ::GetFileAttributesW(W(path).c_str()); }

// Wine, unlike Windows, has an ntdll of its own.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(WindowsErrors, BecomeThePortableNumbersTheCoreCompares) {
  const struct {
    DWORD windows;
    int portable;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, ENOENT},
      {ERROR_PATH_NOT_FOUND, ENOENT},
      {ERROR_BAD_NETPATH, ENOENT},
      {ERROR_ACCESS_DENIED, EACCES},
      {ERROR_ALREADY_EXISTS, EEXIST},
      {ERROR_FILE_EXISTS, EEXIST},
      {ERROR_SHARING_VIOLATION, EWOULDBLOCK},
      {ERROR_LOCK_VIOLATION, EWOULDBLOCK},
      {ERROR_DISK_FULL, ENOSPC},
      {ERROR_HANDLE_DISK_FULL, ENOSPC},
      {ERROR_DIRECTORY, ENOTDIR},
      {ERROR_DIR_NOT_EMPTY, ENOTEMPTY},
      {ERROR_NOT_SAME_DEVICE, EXDEV},
      {ERROR_NO_DATA, EPIPE},
      {ERROR_BROKEN_PIPE, EPIPE},
      {ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
      {ERROR_INVALID_PARAMETER, EINVAL},
      {ERROR_PRIVILEGE_NOT_HELD, EPERM},
      {ERROR_SUCCESS, 0},
      {ERROR_INVALID_EA_NAME, EIO},  // unknown: EIO
  };
  for (const auto& c : cases) EXPECT_EQ(ErrnoFromWindows(c.windows), c.portable) << c.windows;
  // Every number the layer injects or finds itself stands for a Windows error
  // that the table turns back into it.
  for (const int portable : {ENOENT, EACCES, EEXIST, EWOULDBLOCK, ENOSPC, ENOTDIR, EISDIR, EIO,
                             EXDEV, EINVAL, EBADF, EPIPE, EFBIG, ELOOP, EMFILE, ENOTEMPTY}) {
    const DWORD windows = WindowsErrorFromErrno(portable);
    EXPECT_NE(windows, 0u) << portable;
    EXPECT_EQ(ErrnoFromWindows(windows), portable) << portable;
  }
  EXPECT_EQ(WindowsErrorFromErrno(kNotRegularFile), 0u);
}

TEST(WindowsErrors, AreToldInTheSystemsWordsWithoutTheLineBreak) {
  const Status status = WindowsError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(status.code, ENOENT);
  EXPECT_EQ(status.native, static_cast<int>(ERROR_FILE_NOT_FOUND));
  wchar_t buffer[512] = {};
  ASSERT_NE(::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_FILE_NOT_FOUND, 0, buffer, 512, nullptr),
            0u);
  std::wstring expected = buffer;
  while (!expected.empty() && (expected.back() == L'\n' || expected.back() == L'\r')) {
    expected.pop_back();
  }
  EXPECT_EQ(status.Text(), Narrow(expected));
  // A failure the layer found itself is told as the Windows error standing for it.
  EXPECT_EQ(Status::Errno(EACCES).Text(), WindowsError(ERROR_ACCESS_DENIED).Text());
  // An injected failure comes as the Windows error, and back as its number.
  TempDir dir;
  ArmFault(kFaultCreate, 1, ENOSPC);
  const Status failed = Replace(dir / "a.sql", "x");
  DisarmFault();
  EXPECT_EQ(failed.code, ENOSPC);
  EXPECT_EQ(failed.native, static_cast<int>(ERROR_DISK_FULL));
  EXPECT_EQ(FolderNames(dir.path()), Names{});
}

TEST(WindowsAttributes, AreTheSystemsOwn) {
  const struct {
    DWORD windows;
    std::uint32_t word;
  } cases[] = {
      {FILE_ATTRIBUTE_ARCHIVE, kAttrArchive},
      {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, kAttrReadOnly | kAttrArchive},
      {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY,
       kAttrHidden | kAttrSystem | kAttrDirectory},
      {FILE_ATTRIBUTE_NORMAL, kAttrNormal},
      {FILE_ATTRIBUTE_TEMPORARY, kAttrNormal},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, kAttrDirectory},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, kAttrArchive},
  };
  for (const auto& c : cases) EXPECT_EQ(AttributesFromWindows(c.windows), c.word) << c.windows;
  // Setting keeps what the program does not know of, and NORMAL stands alone.
  EXPECT_EQ(AttributesToWindows(FILE_ATTRIBUTE_ARCHIVE, kAttrReadOnly | kAttrHidden),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(AttributesToWindows(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, 0),
            static_cast<DWORD>(FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  EXPECT_EQ(AttributesToWindows(FILE_ATTRIBUTE_READONLY, 0),
            static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));

  TempDir dir;
  dir.Write("a.sql", "x");
  dir.MakeDir("Folder");
  fs::FileSystemObject fso;
  EXPECT_TRUE(fso.FileExists(dir / "*.sql"));  // the folder's listing, cached
  ASSERT_NE(fso.SetFileAttributes(dir / "a.sql", kAttrHidden | kAttrSystem | kAttrArchive), 0);
  EXPECT_EQ(fso.GetFileAttributes(dir / "a.sql"), 38);
  // A hidden file is not there for the existence test, as on Windows, also
  // where a listing was read before.
  EXPECT_FALSE(fso.FileExists(dir / "a.sql"));
  EXPECT_FALSE(fso.FileExists(dir / "*.sql"));
  EXPECT_EQ(fso.EnumFiles(dir / "*.sql"), (Names{"", "a.sql"}));
  ASSERT_NE(fso.SetFileAttributes(dir / "a.sql", kAttrReadOnly), 0);
  // Windows reads 1; Wine adds the archive bit to every file.
  EXPECT_EQ(fso.GetFileAttributes(dir / "a.sql") & ~kAttrArchive, 1);
  EXPECT_TRUE(fso.FileExists(dir / "a.sql"));
  EXPECT_FALSE(fso.DeleteFile(dir / "a.sql"));
  // DeleteFiles clears read-only, hidden and system first.
  ASSERT_NE(fso.SetFileAttributes(dir / "a.sql", kAttrReadOnly | kAttrHidden | kAttrSystem), 0);
  fso.DeleteFiles(dir.path(), {"*.sql"});
  EXPECT_EQ(FolderNames(dir.path()), Names{"Folder"});
  EXPECT_EQ(fso.GetFileAttributes(dir / "Folder") & kAttrDirectory, kAttrDirectory);
}

TEST(WindowsPaths, SeparateWithEitherSeparatorAndKeepDrivesAndServers) {
  const struct {
    std::string in, out;
  } texts[] = {
      {"C:/repo//Tabelas\\", "C:\\repo\\Tabelas\\"},
      {"//server/share//x", "\\\\server\\share\\x"},
      {"\\\\\\server\\share", "\\\\server\\share"},
      {"\\\\?\\C:\\x", "\\\\?\\C:\\x"},
      {"a//b\\\\c", "a\\b\\c"},
      {"C:x", "C:x"},
  };
  for (const auto& c : texts) {
    std::string native;
    ASSERT_TRUE(NativeText(c.in, &native)) << c.in;
    EXPECT_EQ(native, c.out) << c.in;
  }
  std::string native;
  EXPECT_FALSE(NativeText("", &native));
  const struct {
    std::string path;
    std::size_t root;
    std::string folder, name;
  } splits[] = {
      {"C:\\a", 3, "C:\\", "a"},
      {"C:\\a\\b\\", 3, "C:\\a", "b"},
      {"C:a", 2, "C:", "a"},
      {"\\\\srv\\share\\a", 12, "\\\\srv\\share\\", "a"},
      {"\\\\srv\\share", 11, "\\\\srv\\share", ""},
      {"\\\\", 2, "\\\\", ""},  // a UNC path's lead alone is a root
      {"\\a", 1, "\\", "a"},
      {"a", 0, "", "a"},
      {"a\\b", 0, "a", "b"},
  };
  for (const auto& c : splits) {
    EXPECT_EQ(RootLength(c.path), c.root) << c.path;
    std::string folder, name;
    SplitLast(c.path, &folder, &name);
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
    if (!c.name.empty()) {
      EXPECT_EQ(Join(folder, name),
                c.path.back() == '\\' ? c.path.substr(0, c.path.size() - 1) : c.path);
    }
  }
  EXPECT_EQ(WithoutLongPrefix(L"\\\\?\\C:\\x"), "C:\\x");
  EXPECT_EQ(WithoutLongPrefix(L"\\\\?\\UNC\\srv\\share\\x"), "\\\\srv\\share\\x");
  // Long paths reach the system with the "\\?\" prefix, made absolute.
  const std::string deep = "C:\\" + std::string(300, 'd');
  EXPECT_EQ(SystemPath(deep), L"\\\\?\\C:\\" + std::wstring(300, L'd'));

  // Paths the system takes: both separators and a run of them, in a path
  // with a drive letter; a file keeps the name on disk.
  TempDir dir;
  dir.Write("Repo/Views/v1.ora", "x");
  ASSERT_TRUE(IsRegularFile(dir.path() + "//Repo\\\\Views/v1.ora"));
  EXPECT_TRUE(IsDirectory(dir.path() + "\\Repo\\"));
  std::string resolved;
  ASSERT_TRUE(ResolvePath(dir.path() + "/REPO/VIEWS/V1.ORA", &resolved));
  EXPECT_TRUE(resolved.ends_with("\\REPO\\VIEWS\\v1.ora")) << resolved;
  std::string canonical, folder;
  ASSERT_TRUE(CanonicalPath(dir.path() + "/REPO/VIEWS/V1.ORA", &canonical).ok());
  ASSERT_TRUE(CanonicalPath(dir.path(), &folder).ok());
  EXPECT_TRUE(IsSameOrInside(canonical, folder)) << canonical << " in " << folder;
  EXPECT_TRUE(IsSameOrInside("c:\\Repo\\a", "C:\\REPO"));  // no regard to case
  EXPECT_FALSE(IsSameOrInside("C:\\Repository", "C:\\Repo"));
  EXPECT_TRUE(IsDirectory(ExecutableFolder()));
}

TEST(WindowsLongPaths, TakeThePrefixFromTheLengthWherePlainPathsStop) {
  const std::wstring long_name(300, L'd');
  // "C:\" and so many letters that the path is `length` characters long.
  const auto drive_path = [](std::size_t length) {
    return L"C:\\" + std::wstring(length - 3, L'x');
  };
  const struct {
    std::wstring full, system;
  } cases[] = {
      {L"C:\\" + long_name, L"\\\\?\\C:\\" + long_name},
      {L"\\\\srv\\share\\" + long_name, L"\\\\?\\UNC\\srv\\share\\" + long_name},
      // Already in the system's own forms.
      {L"\\\\?\\C:\\" + long_name, L"\\\\?\\C:\\" + long_name},
      {L"\\\\?\\UNC\\srv\\share\\" + long_name, L"\\\\?\\UNC\\srv\\share\\" + long_name},
      {L"\\\\.\\pipe\\" + long_name, L"\\\\.\\pipe\\" + long_name},
      // Relative: the prefix takes full paths only (SystemPath makes them so).
      {long_name, long_name},
      {L"C:" + long_name, L"C:" + long_name},
      {L"\\" + long_name, L"\\" + long_name},
      // Around the limit: CreateDirectoryW's, below MAX_PATH.
      {drive_path(kLongPathFrom - 1), drive_path(kLongPathFrom - 1)},
      {drive_path(kLongPathFrom), L"\\\\?\\" + drive_path(kLongPathFrom)},
      {drive_path(MAX_PATH), L"\\\\?\\" + drive_path(MAX_PATH)},
      {L"C:\\a", L"C:\\a"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LongPathForm(c.full), c.system) << Narrow(c.full).size() << ": " << Narrow(c.full);
  }

  // SystemPath makes a long path full first: relative to the current folder,
  // with "." and ".." folded, which the prefix would leave to the file system.
  const std::wstring current = FullPath(L".");
  const std::string relative = "a\\.\\..\\" + std::string(300, 'r');
  EXPECT_EQ(SystemPath(relative), LongPathForm(current + L"\\" + std::wstring(300, L'r')));
  EXPECT_TRUE(SystemPath(relative).starts_with(L"\\\\?\\")) << Narrow(SystemPath(relative));
  // Short once folded: folded, without the prefix; short as given: as it is.
  EXPECT_EQ(SystemPath("C:\\" + std::string(300, 'd') + "\\..\\e"), L"C:\\e");
  EXPECT_EQ(SystemPath("C:\\a\\..\\b"), L"C:\\a\\..\\b");
}

// A file below a folder past MAX_PATH: written, read back, resolved to its
// place (without the "\\?\" the system gives back) and found inside its
// folder, also where GetFinalPathNameByHandleW gives up (Wine).
TEST(WindowsLongPaths, AreWrittenReadAndResolved) {
  TempDir dir;
  std::vector<std::string> folders = {dir.path()};
  for (int i = 0; i < 3; ++i) {
    folders.push_back(folders.back() + "\\" + std::string(100, static_cast<char>('a' + i)));
    ASSERT_TRUE(CreateDirectory(folders.back()).ok()) << folders.back().size();
  }
  const std::string file = folders.back() + "/V1.sql";
  ASSERT_GT(file.size(), std::size_t{MAX_PATH});
  ASSERT_TRUE(ReplaceFile(file, "x").ok());
  std::string root, canonical;
  ASSERT_TRUE(CanonicalPath(dir.path(), &root).ok());
  ASSERT_TRUE(CanonicalPath(file, &canonical).ok());
  EXPECT_FALSE(canonical.starts_with("\\\\?\\")) << canonical;
  EXPECT_TRUE(
      canonical.ends_with(std::string(100, 'b') + "\\" + std::string(100, 'c') + "\\V1.sql"))
      << canonical;
  EXPECT_TRUE(IsSameOrInside(canonical, root)) << canonical << " in " << root;
  File opened;
  ASSERT_TRUE(File::Open(file, File::Mode::kRead, &opened).ok());
  std::string by_handle;
  ASSERT_TRUE(opened.CanonicalPath(&by_handle).ok());
  EXPECT_EQ(by_handle, canonical);
  opened.Close();

  EXPECT_TRUE(DeleteFile(file).ok());
  for (std::size_t i = folders.size() - 1; i > 0; --i)
    EXPECT_TRUE(RemoveDirectory(folders[i]).ok());
}

TEST(WindowsLock, IsAFileNoOneSharesGoneWithTheLock) {
  TempDir dir;
  const std::string lock_file = dir / kLockFileName;
  {
    FolderLock lock;
    ASSERT_TRUE(lock.Acquire(dir.path()).ok());
    const DWORD attributes = AttributesAt(lock_file);
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    // Another opener, here or through a file server elsewhere, is refused.
    HANDLE other = ::CreateFileW(W(lock_file).c_str(), GENERIC_READ, kShareAll, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE) ::CloseHandle(other);
    EXPECT_EQ(FolderLock().Acquire(dir.path() + "\\").code, EWOULDBLOCK);
  }
  EXPECT_EQ(FolderNames(dir.path()), Names{});
  // A lock file that nobody holds (left by a machine that went away) is
  // taken over.
  dir.Write(kLockFileName, "");
  FolderLock lock;
  EXPECT_TRUE(lock.Acquire(dir.path()).ok());
  lock.Release();
  EXPECT_EQ(FolderNames(dir.path()), Names{});
  dir.Write("file", "");
  EXPECT_EQ(FolderLock().Acquire(dir / "file").code, ENOTDIR);
}

TEST(WindowsReplacement, RefusesReadOnlyTargetsAndKeepsTheTargetsAttributes) {
  TempDir dir;
  dir.Write("ro.sql", "keep");
  ASSERT_TRUE(SetReadOnly(dir / "ro.sql", true).ok());
  EXPECT_EQ(Replace(dir / "ro.sql", "new").code, EACCES);
  // Made read-only after the writer started: Windows refuses the
  // replacement, which Wine would make, and the layer refuses it itself.
  ASSERT_TRUE(SetReadOnly(dir / "ro.sql", false).ok());
  AtomicFile late;
  ASSERT_TRUE(late.Create(dir / "ro.sql").ok());
  ASSERT_TRUE(late.Write("new", 3).ok());
  ASSERT_TRUE(SetReadOnly(dir / "ro.sql", true).ok());
  EXPECT_EQ(late.Commit().code, EACCES);
  EXPECT_EQ(dir.Read("ro.sql"), "keep");
  EXPECT_EQ(FolderNames(dir.path()), Names{"ro.sql"});
  // A replaced file of the user keeps its attributes; a copy takes its source's.
  dir.Write("hidden.sql", "old");
  ASSERT_TRUE(SetAttributes(dir / "hidden.sql", kAttrHidden | kAttrArchive).ok());
  Replaced replaced;
  ASSERT_TRUE(ReplaceFile(dir / "hidden.sql", "new", {}, &replaced).ok());
  EXPECT_EQ(replaced.other_owner, "");
  EXPECT_EQ(dir.Read("hidden.sql"), "new");
  EXPECT_NE(AttributesAt(dir / "hidden.sql") & FILE_ATTRIBUTE_HIDDEN, 0u);
  ASSERT_TRUE(CopyFileReplacing(dir / "ro.sql", dir / "copy.sql").ok());
  EXPECT_EQ(dir.Read("copy.sql"), "keep");
  EXPECT_NE(AttributesAt(dir / "copy.sql") & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(FolderNames(dir.path()), (Names{"copy.sql", "hidden.sql", "ro.sql"}));
}

// No file of another account can be made here (nor under Wine): the choice is
// tested on its own. ReplaceFileW would give the new file the old one's
// security descriptor, so another account's file is moved over instead.
TEST(WindowsReplacement, OnlyTheUsersOwnFileHandsOnItsSecurityDescriptor) {
  const struct {
    bool exists, own_attributes, must_be_missing, other_owner;
    Replacement way;
  } rows[] = {
      {true, false, false, false, Replacement::kReplaceFile},
      {true, false, false, true, Replacement::kMove},
      {false, false, false, false, Replacement::kMove},
      {true, true, false, false, Replacement::kMove},
      {true, false, true, false, Replacement::kMove},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(
        ChooseReplacement(row.exists, row.own_attributes, row.must_be_missing, row.other_owner),
        row.way)
        << row.exists << row.own_attributes << row.must_be_missing << row.other_owner;
  }
}

TEST(WindowsReplacement, LeftoversOfThisUserGoAndOthersStay) {
  TempDir dir;
  dir.Write("a.sql", "old");
  dir.Write(TemporaryName("a.sql", "Qw12Er"), "half");
  dir.Write(TemporaryName("A.SQL", "Zx34Cv"), "half");
  dir.Write(TemporaryName("b.sql", "Qw12Er"), "theirs");
  dir.MakeDir(TemporaryName("a.sql", "Folder"));
  ASSERT_TRUE(RemoveLeftoverTemporaries(dir / "a.sql").ok());
  EXPECT_EQ(FolderNames(dir.path()),
            (Names{TemporaryName("a.sql", "Folder"), TemporaryName("b.sql", "Qw12Er"), "a.sql"}));
}

TEST(WindowsShortNames, AreGivenWhereTheVolumeKeepsThem) {
  for (const char* name : {"PROGRA~1", "A.TXT", "ABCDEFGH.SQL", "X~1.T$$"}) {
    EXPECT_TRUE(IsShortName(name)) << name;
  }
  for (const char* name : {"Program Files", "abc.txt", "ABCDEFGHI.SQL", "A.SQLX", "A.B.C", "A."}) {
    EXPECT_FALSE(IsShortName(name)) << name;
  }
  TempDir dir;
  dir.Write("a long file name.sql2005", "");
  const std::string short_name =
      fs::FileSystemObject().GetShortFilename(dir / "a long file name.sql2005");
  // "" where the volume keeps no short names; else a path of 8.3 names.
  if (!short_name.empty()) {
    std::string folder, name;
    SplitLast(short_name, &folder, &name);
    EXPECT_TRUE(IsShortName(name)) << short_name;
    EXPECT_TRUE(IsRegularFile(short_name)) << short_name;
  }
  EXPECT_EQ(fs::FileSystemObject().GetShortFilename(dir / "missing.sql"), "");
}

TEST(WindowsTimeZone, LocalTimesGoBothWays) {
  for (const std::int64_t utc : {0LL, 1710508530LL, 1719835200LL, 1705320000LL, -2209161600LL}) {
    std::int64_t local = 0, back = 0;
    ASSERT_TRUE(UtcToLocalSeconds(utc, &local)) << utc;
    const std::int64_t offset = local - utc;
    EXPECT_EQ(offset % 900, 0) << utc;
    EXPECT_LE(offset < 0 ? -offset : offset, 14 * 3600) << utc;
    ASSERT_TRUE(LocalToUtcSeconds(local, &back)) << utc;
    EXPECT_EQ(back, utc) << utc;
  }
  // Before 1601 there is no Windows time.
  std::int64_t local = 7;
  EXPECT_FALSE(UtcToLocalSeconds(-11644473601LL, &local));
  EXPECT_EQ(local, 7);
}

TEST(WindowsLinks, ALinkedFolderIsUnlinkedNotEntered) {
  TempDir dir;
  dir.Write("outside/precious.sql", "x");
  dir.Write("tree/a.sql", "x");
  if (!::CreateSymbolicLinkW(W(dir / "tree/link").c_str(), W(dir / "outside").c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "no directory symbolic links here (error " << ::GetLastError() << ")";
  }
  // Wine makes the link a POSIX one, which it shows as no reparse point.
  if (!IsReparsePoint(AttributesAt(dir / "tree/link"))) GTEST_SKIP() << "a link shown as none";
  EXPECT_TRUE(IsSymbolicLink(dir / "tree/link"));
  fs::FileSystemObject().DeletePath(dir.path() + "\\TREE\\");
  EXPECT_EQ(FolderNames(dir.path()), Names{"outside"});
  EXPECT_TRUE(dir.Exists("outside/precious.sql"));
}

TEST(WindowsTimes, TheClassSetsAndReadsAllThreeTimesInLocalTime) {
  TempDir dir;
  dir.Write("a.sql", "x");
  fs::FileSystemObject fso;
  const fs::OleDate creation = 45000.25, access = 45100.5, write = 45200.75;
  fso.SetFileTime(dir / "a.sql", creation, access, write);
  fs::OleDate c = 0, a = 0, w = 0;
  EXPECT_DOUBLE_EQ(fso.GetFileTime(dir / "a.sql", &c, &a, &w), write);
  EXPECT_DOUBLE_EQ(a, access);
  EXPECT_DOUBLE_EQ(w, write);
  // Wine keeps no creation time of its own on a POSIX file system.
  if (c != creation) GTEST_SKIP() << "creation time not kept here: " << c;
}

// Ctrl+Break in a console program that writes a file: the temporary in
// progress goes, and the program ends as Windows ends an interrupted one.
// The test runs itself again in a console of its own as the program.
TEST(WindowsInterruption, CtrlBreakDeletesTheTemporaryInProgress) {
  if (const std::string folder = EnvironmentVariable("VKT_INTERRUPTED_IN"); !folder.empty()) {
    InstallSignalCleanup();
    AtomicFile file;
    ASSERT_TRUE(file.Create(folder + "\\out.sql").ok());
    ASSERT_TRUE(file.Write("half", 4).ok());
    // Wine sends no console control event here: the handler is called as
    // Windows would call it.
    if (UnderWine()) RemoveTemporariesAndExit(CTRL_BREAK_EVENT);
    ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0);
    // The handler ends the process on a thread of its own.
    ::Sleep(INFINITE);
  }
  TempDir dir;
  dir.Write("out.sql", "old");
  wchar_t exe[MAX_PATH] = {};
  ASSERT_NE(::GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  std::wstring command =
      L"\"" + std::wstring(exe) +
      L"\" --gtest_filter=WindowsInterruption.CtrlBreakDeletesTheTemporaryInProgress";
  ASSERT_TRUE(::SetEnvironmentVariableW(L"VKT_INTERRUPTED_IN", Wide(dir.path()).c_str()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  const BOOL started = ::CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE,
                                        CREATE_NEW_CONSOLE, nullptr, nullptr, &startup, &child);
  ::SetEnvironmentVariableW(L"VKT_INTERRUPTED_IN", nullptr);
  ASSERT_TRUE(started) << ::GetLastError();
  ::WaitForSingleObject(child.hProcess, INFINITE);
  DWORD status = 0;
  ::GetExitCodeProcess(child.hProcess, &status);
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);
  EXPECT_EQ(status, 0xC000013Au);
  EXPECT_EQ(FolderNames(dir.path()), Names{"out.sql"});
  EXPECT_EQ(dir.Read("out.sql"), "old");
}

// LogonUserW is a stub under Wine: only what needs no logon is tested here.
TEST(WindowsAccounts, AnAccountIsOnlyWhatALogonGave) {
  Account account;
  EXPECT_EQ(LookUpAccount("ninguem", &account).code, ENOENT);
  EXPECT_EQ(LookUpAccount("", &account).code, ENOENT);
  EXPECT_EQ(Authenticate("", "secret").code, EACCES);
  IdentitySwitch identity;
  EXPECT_EQ(identity.Assume(account).code, EINVAL);
  EXPECT_FALSE(identity.active());
}

}  // namespace
}  // namespace vkt::platform
