// Whole outputs that the user names on POSIX: a stream (a descriptor, a
// character device, a FIFO) is written where it is; what else a path names is
// left to AtomicFile.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"

namespace vkt::platform {

using namespace posix;

namespace {

// The descriptor that `path` names as such ("-", /dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N), or -1. Taken from the text: the links
// behind these names lead to whatever the descriptor holds (a pipe has no
// path), which only the descriptor itself reaches.
int NamedDescriptor(std::string_view path) {
  if (path == "-" || path == "/dev/stdout") return 1;
  if (path == "/dev/stderr") return 2;
  for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
    if (!path.starts_with(prefix) || path.size() == prefix.size()) continue;
    const std::string_view digits = path.substr(prefix.size());
    int fd = -1;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
    if (error == std::errc() && end == digits.data() + digits.size()) return fd;
  }
  return -1;
}

// What `path` names (see OutputKind), with the folder and name of a device or
// FIFO and its stat, which the open checks again.
struct Output {
  OutputKind kind = OutputKind::kFile;
  int descriptor = -1;  // a descriptor named as such
  UniqueFd folder;
  std::string name;
  struct stat st {};
};

void Classify(std::string_view path, Output* output) {
  output->descriptor = NamedDescriptor(path);
  if (output->descriptor >= 0) {
    output->kind = OutputKind::kStream;
    return;
  }
  std::string posix;
  // A link the rule would not follow (kForeignLink) and a path that cannot
  // be reached are AtomicFile's to replace or refuse, as for any file.
  if (!OpenTarget(path, LinkAtTarget::kFollowTrusted, WalkFor::kWriting, &output->folder,
                  &output->name, &posix)
           .ok() ||
      sys::Fstatat(output->folder.get(), output->name.c_str(), &output->st, AT_SYMLINK_NOFOLLOW) !=
          0) {
    return;
  }
  const mode_t mode = output->st.st_mode;
  if (S_ISCHR(mode) || S_ISFIFO(mode)) output->kind = OutputKind::kStream;
  if (S_ISDIR(mode)) output->kind = OutputKind::kFolder;
  if (S_ISBLK(mode)) output->kind = OutputKind::kBlockDevice;
}

}  // namespace

OutputKind KindOfOutput(std::string_view path) {
  Output output;
  Classify(path, &output);
  return output.kind;
}

Status OpenOutputStream(std::string_view path, File* out, OutputKind* kind) {
  return [&]() -> Status {
    Output output;
    Classify(path, &output);
    *kind = output.kind;
    if (output.kind == OutputKind::kBlockDevice) return Status::Errno(kBlockDevice);
    if (output.kind != OutputKind::kStream) return Status::Ok();
    int fd = -1;
    if (output.descriptor >= 0) {
      fd = sys::DupCloseOnExec(output.descriptor);
    } else {
      // Waits for a FIFO's reader. What the name holds by then must be what
      // was found there: anything else is closed unwritten.
      fd = sys::OpenAt(output.folder.get(), output.name.c_str(),
                       O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0) return FromErrno();
    UniqueFd opened(fd);
    struct stat st {};
    if (output.descriptor < 0 && (sys::Fstat(fd, &st) != 0 || st.st_dev != output.st.st_dev ||
                                  st.st_ino != output.st.st_ino)) {
      return Status::Errno(EAGAIN);
    }
    out->Close();
    out->handle_ = opened.release();
    return Status::Ok();
  }()
                      .About(Operation::kWriteFile, path);
}

Status GetFileIdentity(std::string_view path, FileIdentity* identity, std::uint64_t* links,
                       bool follow_link_at_name) {
  struct stat st {};
  // A descriptor named as such: the file behind it, whatever its path.
  if (const int descriptor = NamedDescriptor(path); descriptor >= 0) {
    if (sys::Fstat(descriptor, &st) != 0) return FromErrno();
  } else {
    std::string posix;
    if (!Resolve(path, &posix)) return Status::Errno(ENOENT);
    const int found =
        follow_link_at_name ? sys::Stat(posix.c_str(), &st) : sys::Lstat(posix.c_str(), &st);
    if (found != 0) return FromErrno();
  }
  if (!S_ISREG(st.st_mode)) return Status::Errno(kNotRegularFile);
  *identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  *links = static_cast<std::uint64_t>(st.st_nlink);
  return Status::Ok();
}

}  // namespace vkt::platform
