// The POSIX platform layer's copy of a file's data: only the regions that
// hold data, so that a sparse file stays sparse, by the file system where it
// can copy (copy_file_range), else by reading and writing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <vector>

#include "fs/platform/file_system.h"
#include "fs/platform/posix_internal.h"

namespace vkt::platform::posix {

namespace {

// True for the errors of copy_file_range that mean the file system cannot
// copy by itself.
bool FileSystemCannotCopy(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
}

Status ReadFailed() { return FromErrno().About(Operation::kReadFile, ""); }

// Copies up to `left` bytes from the offset of `in` to the offset of `out`
// (fewer where `in` ends first) by reading and writing.
Status CopyByReading(int in, int out, off_t left, std::vector<char>* buffer) {
  buffer->resize(std::size_t{1} << 20);
  while (left > 0) {
    const ssize_t n =
        sys::Read(in, buffer->data(), static_cast<size_t>(std::min<off_t>(left, buffer->size())));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadFailed();
    }
    if (Status s = WriteAll(out, buffer->data(), static_cast<size_t>(n)); !s.ok()) return s;
    left -= n;
  }
  return Status::Ok();
}

// Copies the bytes of `in` from `from` up to `to` (or its end, if it comes
// first) to the same place of `out`: by the file system while
// `*by_file_system`, which falls to false where it cannot, else by reading
// and writing.
Status CopyRegion(int in, int out, off_t from, off_t to, bool* by_file_system,
                  std::vector<char>* buffer) {
  if (sys::Lseek(in, from, SEEK_SET) < 0) return ReadFailed();
  if (sys::Lseek(out, from, SEEK_SET) < 0) return FromErrno();
  off_t left = to - from;
  while (*by_file_system && left > 0) {
    const ssize_t n =
        sys::CopyFileRange(in, out, static_cast<size_t>(std::min<off_t>(left, off_t{1} << 30)));
    if (n == 0) return Status::Ok();  // the file ended early
    if (n > 0) {
      left -= n;
    } else if (errno != EINTR) {
      if (!FileSystemCannotCopy(errno)) return FromErrno();
      *by_file_system = false;
    }
  }
  return CopyByReading(in, out, left, buffer);
}

}  // namespace

Status CopyFileData(int in, int out) {
  bool by_file_system = true;
  std::vector<char> buffer;  // for reading and writing, where the file system cannot copy
  off_t pos = 0;
  for (;;) {
    off_t data = sys::Lseek(in, pos, SEEK_DATA);
    off_t hole = data;
    if (data < 0 && errno == ENXIO) break;  // nothing but a hole up to the end
    if (data >= 0) hole = sys::Lseek(in, data, SEEK_HOLE);
    if (data < 0 || hole < 0) {
      // A file system that cannot tell its holes: the rest is data.
      if (errno != EINVAL && errno != EOPNOTSUPP) return ReadFailed();
      data = pos;
      hole = std::numeric_limits<off_t>::max();
    }
    if (Status s = CopyRegion(in, out, data, hole, &by_file_system, &buffer); !s.ok()) return s;
    if (hole == std::numeric_limits<off_t>::max()) return Status::Ok();
    pos = hole;
  }
  // A hole at the end: the copy takes the file's size.
  struct stat st {};
  if (sys::Fstat(in, &st) != 0) return ReadFailed();
  if (st.st_size > pos && sys::Ftruncate(out, st.st_size) != 0) return FromErrno();
  return Status::Ok();
}

}  // namespace vkt::platform::posix
