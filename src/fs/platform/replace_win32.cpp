// Durable replacement of the Windows platform layer: AtomicFile and what
// builds on it, the temporaries an interrupted run leaves and their clean-up,
// the console handler that deletes the temporary in progress.
#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fs/platform/console_win32.h"
#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "fs/platform/win32_internal.h"
#include "text/letter_case.h"

namespace vkt::platform {

using namespace win32;

namespace internal {

bool SystemRandom(unsigned char* bytes, std::size_t size) {
  return RtlGenRandom(bytes, static_cast<ULONG>(size)) != FALSE;
}

}  // namespace internal

namespace {

// Windows' exit status of a console program stopped by Ctrl+C.
constexpr UINT kInterruptedExit = 0xC000013A;

// The temporary files in progress, for the console handler. The handler runs
// on a thread of its own: it takes the lock and never gives it back, so a
// file is created and known, or renamed and forgotten, wholly before or
// wholly after it.
std::mutex& TemporariesMutex() {
  static std::mutex m;
  return m;
}

std::map<int, std::wstring>& Temporaries() {
  static std::map<int, std::wstring> temporaries;
  return temporaries;
}

// Called with the lock held.
int RegisterTemporary(const std::wstring& path) {
  static int next = 0;
  Temporaries()[next] = path;
  return next++;
}

// Called with the lock held.
void UnregisterTemporary(int* slot) {
  if (*slot >= 0) Temporaries().erase(*slot);
  *slot = -1;
}

}  // namespace

win32::Replacement win32::ChooseReplacement(bool exists, bool own_attributes, bool must_be_missing,
                                            bool other_owner) {
  const bool hands_on = exists && !own_attributes && !must_be_missing && !other_owner;
  return hands_on ? Replacement::kReplaceFile : Replacement::kMove;
}

BOOL WINAPI win32::RemoveTemporariesAndExit(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      break;
    default:
      return FALSE;
  }
  TemporariesMutex().lock();  // kept: the process ends here
  for (const auto& [slot, path] : Temporaries()) ::DeleteFileW(path.c_str());
  WriteInterruptNotice();
  ::ExitProcess(kInterruptedExit);
}

namespace {

// The account name of the owner `sid` ("DOMAIN\name", or the name alone
// where it has no domain), or the SID's text where the system knows no name.
std::string AccountName(PSID sid) {
  wchar_t name[256], domain[256];
  DWORD name_size = 256, domain_size = 256;
  SID_NAME_USE use;
  if (::LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    return domain_size == 0 ? Narrow(name) : Narrow(domain) + "\\" + Narrow(name);
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return "?";
  std::string shown = Narrow(text);
  ::LocalFree(text);
  return shown;
}

// The account name of the owner of the file `path` when that is not the user
// running the program (OwnSids); "" for the user's own file, and where the
// owner cannot be read (it is then replaced as the user's own).
std::string OtherOwner(const std::wstring& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  internal::CountCall(SystemCall::kSecurity);
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  std::string name;
  if (owner != nullptr && !OwnSids().Owns(owner)) name = AccountName(owner);
  ::LocalFree(descriptor);
  return name;
}

// A file's attributes as found at `path` (links not followed).
DWORD AttributesOf(const std::wstring& path) { return sys::GetFileAttributes(path.c_str()); }

// The stamp of the file at `path` (links not followed); false when it names
// nothing.
bool StampAt(const std::wstring& path, FileStamp* stamp) {
  UniqueHandle handle(OpenForAttributes(path, true));
  return handle.valid() && StampOfHandle(handle.get(), stamp);
}

// Whether `now` is the file of `stamp`. A rename changes a file's change
// time, so after one only the identity, the size and the write time can tell.
bool IsStampedFile(const FileStamp& now, const FileStamp& stamp, bool renamed_since) {
  return now.identity == stamp.identity && now.size == stamp.size &&
         now.write_ns == stamp.write_ns && (renamed_since || now.change_ns == stamp.change_ns);
}

// Where a file of a run goes and what stands there (see AtomicFile::Create).
struct Target {
  std::string folder;  // native, "" = current folder
  std::string name;
  std::string path;                            // native
  DWORD attributes = INVALID_FILE_ATTRIBUTES;  // of what stands at the name, not followed
  bool exists = false;  // a file stands there (a link counts as nothing: it is replaced)
  bool other_links = false;
  std::string other_owner;  // of the file there, when another user's (OtherOwner)
};

Status FindTarget(std::string_view given, LinkAtTarget links, Target* target) {
  std::string native;
  if (!NativeText(given, &native)) return Status::Errno(ENOENT);
  SplitLast(native, &target->folder, &target->name);
  if (target->name.empty() || target->name == "." || target->name == "..") {
    return Status::Errno(EISDIR);
  }
  target->path = Join(target->folder, target->name);
  if (links == LinkAtTarget::kFollowTrusted &&
      IsReparsePoint(AttributesOf(SystemPath(target->path)))) {
    // Every link on the way followed: the file it leads to is replaced.
    UniqueHandle handle(OpenForAttributes(SystemPath(target->path), false));
    if (!handle.valid()) return LastError();
    std::string final_path;
    if (Status s = FinalPath(handle.get(), &final_path); !s.ok()) return s;
    target->path = final_path;
    SplitLast(final_path, &target->folder, &target->name);
  }
  if (!target->folder.empty()) {
    const std::wstring folder = SystemPath(target->folder);
    UniqueHandle handle(OpenForAttributes(folder, false));
    if (!handle.valid()) return LastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (!sys::GetFileInformationByHandle(handle.get(), &info)) return LastError();
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Status::Errno(ENOTDIR);
  }
  target->attributes = AttributesOf(SystemPath(target->path));
  target->exists =
      target->attributes != INVALID_FILE_ATTRIBUTES && !IsReparsePoint(target->attributes);
  if (target->exists && (target->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Status::Errno(EISDIR);
  }
  // Windows refuses to replace a read-only file (Wine would replace it).
  if (target->exists && (target->attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
  }
  if (target->exists) {
    UniqueHandle handle(OpenForAttributes(SystemPath(target->path), true));
    BY_HANDLE_FILE_INFORMATION info;
    target->other_links = handle.valid() && sys::GetFileInformationByHandle(handle.get(), &info) &&
                          info.nNumberOfLinks > 1;
    target->other_owner = OtherOwner(SystemPath(target->path));
  }
  return Status::Ok();
}

// Deletes a temporary file (its read-only mark cleared first).
void RemoveTemporary(const std::wstring& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    ::SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  (void)sys::DeleteFile(path.c_str());
}

}  // namespace

// ---- AtomicFile -------------------------------------------------------------

Status CheckReplaceable(std::string_view target, LinkAtTarget links) {
  Target found;
  return FindTarget(target, links, &found).About(Operation::kWriteFile, target);
}

AtomicFile::~AtomicFile() { Abort(); }

Status AtomicFile::Create(std::string_view target, LinkAtTarget links) {
  return [&]() -> Status {
    Abort();
    target_ = std::string(target);
    other_links_ = replaced_other_links_ = false;
    replaced_other_owner_.clear();
    own_attributes_ = 0;
    Target found;
    if (Status s = FindTarget(target, links, &found); !s.ok()) return s;
    target_name_ = found.name;
    target_path_ = found.path;
    other_links_ = found.other_links;
    other_owner_ = found.other_owner;
    DWORD error = ERROR_FILE_EXISTS;
    std::lock_guard<std::mutex> lock(TemporariesMutex());
    for (int attempt = 0;
         attempt < 100 && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
         ++attempt) {
      const std::string path =
          Join(found.folder, TemporaryName(found.name, internal::RandomLetters()));
      const std::wstring wide = SystemPath(path);
      // Shared for deletion, so that the console handler can delete it while
      // it is open.
      HANDLE handle =
          sys::CreateFile(wide.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
      if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        continue;
      }
      handle_ = FromHandle(handle);
      temp_name_ = path;
      slot_ = RegisterTemporary(wide);
      error = ERROR_SUCCESS;
    }
    if (error != ERROR_SUCCESS) return WindowsError(error);
    return Status::Ok();
  }()
                      .About(Operation::kWriteFile, target);
}

Status AtomicFile::Write(const void* data, std::size_t size) {
  return WriteAll(ToHandle(handle_), data, size).About(Operation::kWriteFile, target_);
}

Status AtomicFile::SetMode(std::uint32_t mode) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  return SetAttributes((mode & 0200) != 0 ? kAttrArchive : kAttrArchive | kAttrReadOnly);
}

Status AtomicFile::SetAttributes(std::uint32_t attributes) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  // Given at the commit: a read-only temporary could not be deleted.
  own_attributes_ = AttributesToWindows(0, attributes);
  return Status::Ok();
}

Status AtomicFile::SetTimes(std::int64_t access_ns, std::int64_t write_ns) {
  if (handle_ == kNoHandle) return Status::Errno(EBADF);
  const FILETIME access = NsToFileTime(access_ns), write = NsToFileTime(write_ns);
  if (!sys::SetFileTime(ToHandle(handle_), nullptr, &access, &write)) return LastError();
  return Status::Ok();
}

namespace {

// Whether the target `wide_target` (`exists` or not) is still the file of
// `unchanged`. No exchange on Windows: the test comes right before the
// replacement, and the replaced file is checked again after it.
bool StillTheFileRead(const std::wstring& wide_target, bool exists, const FileStamp& unchanged) {
  FileStamp now;
  return exists && StampAt(wide_target, &now) && IsStampedFile(now, unchanged, false);
}

// Moves `wide_temp` to `wide_target`, over a file there unless it
// `must_be_missing` (then kChangedMeanwhile where one is there).
Status MoveIntoPlace(const std::wstring& wide_temp, const std::wstring& wide_target,
                     bool must_be_missing) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (must_be_missing ? 0 : MOVEFILE_REPLACE_EXISTING);
  if (sys::MoveFileEx(wide_temp.c_str(), wide_target.c_str(), flags)) return Status::Ok();
  Status failed = LastError();
  return must_be_missing && failed.code == EEXIST ? Status::Errno(kChangedMeanwhile) : failed;
}

// Replaces the existing `wide_target` (`name` in `folder`, with Windows'
// `attributes`) by `wide_temp` with ReplaceFileW, through a backup name; the
// replaced file must be the one of `unchanged` where that is given.
Status ReplaceExisting(const std::string& folder, const std::string& name,
                       const std::wstring& wide_temp, const std::wstring& wide_target,
                       DWORD attributes, const FileStamp* unchanged) {
  // ReplaceFileW keeps the replaced file's attributes and security
  // descriptor. The attributes are given here too, for the systems that keep
  // them not (Wine). It is given a backup name: without one a failure halfway
  // may leave no file at the target's name.
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  if (kept != 0 && !sys::SetFileAttributes(wide_temp.c_str(), kept | FILE_ATTRIBUTE_ARCHIVE)) {
    return LastError();
  }
  const std::string backup = Join(folder, TemporaryName(name, internal::RandomLetters()));
  const std::wstring wide_backup = SystemPath(backup);
  if (!sys::ReplaceFile(wide_target.c_str(), wide_temp.c_str(), wide_backup.c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
      // The replaced file went to the backup name: back in place.
      (void)sys::MoveFileEx(wide_backup.c_str(), wide_target.c_str(), 0);
    }
    return WindowsError(error);
  }
  if (unchanged != nullptr) {
    FileStamp replaced;
    if (!StampAt(wide_backup, &replaced) || !IsStampedFile(replaced, *unchanged, true)) {
      // Another program's save came between the test and the replacement:
      // it goes back in place, and the new file with it.
      if (!sys::MoveFileEx(wide_backup.c_str(), wide_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return Status::Errno(EAGAIN);  // the backup name holds their file: kept
      }
      return Status::Errno(kChangedMeanwhile);
    }
  }
  RemoveTemporary(wide_backup);
  return Status::Ok();
}

// Puts the temporary file `temp` in the place of `target` (both native) in
// `folder`, as AtomicFile::Commit says. `own_attributes` (0: none) are given
// instead of the target's; a target of another user (`other_owner`) hands
// nothing on. On EAGAIN the temporary name holds another program's file,
// which stays.
Status PutInPlace(const std::string& folder, const std::string& name, const std::string& temp,
                  const std::string& target, DWORD own_attributes, bool other_owner,
                  const FileStamp* unchanged) {
  const std::wstring wide_temp = SystemPath(temp), wide_target = SystemPath(target);
  const DWORD attributes = AttributesOf(wide_target);
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES && !IsReparsePoint(attributes);
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Status::Errno(EISDIR);
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::System(EACCES, static_cast<int>(ERROR_ACCESS_DENIED));
  }
  const bool must_be_missing = unchanged != nullptr && unchanged->identity == FileIdentity{};
  if (unchanged != nullptr && !must_be_missing &&
      !StillTheFileRead(wide_target, exists, *unchanged)) {
    return Status::Errno(kChangedMeanwhile);
  }
  if (own_attributes != 0 && !sys::SetFileAttributes(wide_temp.c_str(), own_attributes)) {
    return LastError();
  }
  if (ChooseReplacement(exists, own_attributes != 0, must_be_missing, other_owner) ==
      Replacement::kMove) {
    return MoveIntoPlace(wide_temp, wide_target, must_be_missing);
  }
  return ReplaceExisting(folder, name, wide_temp, wide_target, attributes, unchanged);
}

}  // namespace

Status AtomicFile::Commit(bool durable, const FileStamp* unchanged_since) {
  const std::string target = target_;
  return [&]() -> Status {
    if (handle_ == kNoHandle) return Status::Errno(EBADF);
    Status s;
    HANDLE handle = ToHandle(handle_);
    if (durable && !sys::FlushFileBuffers(handle)) s = LastError();
    handle_ = kNoHandle;
    if (!sys::CloseHandle(handle) && s.ok()) s = LastError();
    std::string folder, name;
    SplitLast(target_path_, &folder, &name);
    std::lock_guard<std::mutex> lock(TemporariesMutex());
    if (s.ok()) {
      s = PutInPlace(folder, name, temp_name_, target_path_, own_attributes_, !other_owner_.empty(),
                     unchanged_since);
    }
    // What is left under the temporary name is the new file (a failure);
    // another program's file (EAGAIN) stays.
    if (!s.ok() && s.code != EAGAIN) RemoveTemporary(SystemPath(temp_name_));
    UnregisterTemporary(&slot_);
    temp_name_.clear();
    if (s.ok()) {
      replaced_other_links_ = other_links_;
      replaced_other_owner_ = other_owner_;
      ForgetListingOf(target_path_);
      if (durable) {
        // The replacement reaches the disk with the file's own metadata.
        UniqueHandle written(sys::CreateFile(SystemPath(target_path_).c_str(), GENERIC_WRITE,
                                             kShareAll, OPEN_EXISTING,
                                             FILE_FLAG_OPEN_REPARSE_POINT));
        if (!written.valid() || !sys::FlushFileBuffers(written.get())) s = LastError();
      }
    }
    return s;
  }()
                      .About(Operation::kWriteFile, target);
}

void AtomicFile::Abort() {
  if (handle_ != kNoHandle) {
    sys::CloseHandle(ToHandle(handle_));
    handle_ = kNoHandle;
  }
  std::lock_guard<std::mutex> lock(TemporariesMutex());
  if (!temp_name_.empty()) {
    RemoveTemporary(SystemPath(temp_name_));
    temp_name_.clear();
  }
  UnregisterTemporary(&slot_);
}

Status CopyFileReplacing(std::string_view from, std::string_view to, Replaced* replaced) {
  File source;
  Status status = File::Open(from, File::Mode::kRead, &source);
  if (!status.ok()) return status;
  auto read_failed = [&](Status failed) { return failed.About(Operation::kReadFile, from); };
  BY_HANDLE_FILE_INFORMATION info;
  if (!sys::GetFileInformationByHandle(ToHandle(source.handle_), &info)) {
    return read_failed(LastError());
  }
  AtomicFile copy;
  status = copy.Create(to);
  if (!status.ok()) return status;
  std::vector<char> buffer(std::size_t{1} << 16);
  for (;;) {
    std::size_t got = 0;
    status = source.Read(buffer.data(), buffer.size(), &got);
    if (!status.ok()) return read_failed(status);
    if (got == 0) break;
    status = copy.Write(buffer.data(), got);
    if (!status.ok()) return status;
  }
  // The source's attributes and times, as CopyFileExW gives them.
  status = copy.SetAttributes(AttributesFromWindows(info.dwFileAttributes));
  if (status.ok()) {
    status = copy.SetTimes(FileTimeToNs(info.ftLastAccessTime), FileTimeToNs(info.ftLastWriteTime));
  }
  if (status.ok()) status = copy.Commit();
  if (replaced != nullptr) *replaced = {copy.replaced_other_links(), copy.replaced_other_owner()};
  return status.About(Operation::kWriteFile, to);
}

// ---- leftovers ----------------------------------------------------------------

Status RemoveLeftoverTemporaries(std::string_view path, LinkAtTarget links) {
  Target target;
  Status status = FindTarget(path, links, &target);
  // A file that could not be replaced may still have leftovers beside it.
  if (status.code == ENOENT || status.code == ENOTDIR) return Status::Ok();
  if (!status.ok() && status.code != EACCES && status.code != EISDIR) return status;
  status = Status::Ok();
  const std::string prefix = text::UpperCase(TemporaryName(target.name, ""));
  WIN32_FIND_DATAW found;
  const std::wstring pattern = SystemPath(Join(target.folder.empty() ? "." : target.folder, "*"));
  HANDLE search = sys::FindFirstFileEx(pattern.c_str(), &found, 0);
  if (search == INVALID_HANDLE_VALUE) return Status::Ok();
  const OwnSids own;
  bool removed = false;
  do {
    const std::string entry = Narrow(found.cFileName);
    if (entry.size() != prefix.size() + internal::kTempRandom || !IsTemporaryName(entry) ||
        text::UpperCase(entry.substr(0, prefix.size())) != prefix) {
      continue;
    }
    // Only a file of this user's making: another user's file of that name,
    // a folder or a link stays where it is.
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      continue;
    }
    const std::wstring wide = SystemPath(Join(target.folder, entry));
    if (!OwnedBy(wide, own)) continue;
    if (!sys::DeleteFile(wide.c_str())) {
      if (status.ok()) status = LastError();
      continue;
    }
    removed = true;
  } while (sys::FindNextFile(search, &found));
  sys::FindClose(search);
  if (removed) ForgetListingOf(target.path);
  return status;
}

void InstallSignalCleanup() { ::SetConsoleCtrlHandler(RemoveTemporariesAndExit, TRUE); }

// Windows has no SIGPIPE: a write to a pipe whose reader has gone fails by
// itself (ERROR_NO_DATA), which the table tells as EPIPE.
void IgnoreBrokenPipe() {}

void IgnoreFileSizeLimit() {}

}  // namespace vkt::platform
