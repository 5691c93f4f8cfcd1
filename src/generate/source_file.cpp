#include "generate/script_io.h"

#include <memory>

namespace vkt::generate {

using platform::Status;

struct SourceFile::Impl {
  platform::File file;
  std::unique_ptr<char[]> buffer;
  size_t capacity = 0;
  size_t first_length = 0;
  bool first_pending = false;
  bool at_end = true;
  bool empty = true;
  Status status;

  void EnsureCapacity(size_t want) {
    if (capacity >= want) return;
    buffer.reset(new char[want]);
    capacity = want;
  }

  // One read into the buffer; 0 at the end or on an error.
  size_t Fill() {
    size_t got = 0;
    Status s = file.Read(buffer.get(), capacity, &got);
    if (!s.ok()) {
      status = s;
      at_end = true;
      return 0;
    }
    if (got == 0) at_end = true;
    return got;
  }
};

SourceFile::SourceFile() : impl_(std::make_unique<Impl>()) {}
SourceFile::~SourceFile() = default;

Status SourceFile::Open(const std::string& path) {
  Close();
  Status s = platform::File::Open(path, platform::File::Mode::kRead, &impl_->file);
  return s.ok() ? ReadFirstBlock() : s;
}

Status SourceFile::Open(const platform::ListedFolder& folder, std::size_t entry) {
  Close();
  Status s = folder.OpenEntry(entry, &impl_->file);
  return s.ok() ? ReadFirstBlock() : s;
}

Status SourceFile::ReadFirstBlock() {
  Impl& m = *impl_;
  // One block, whatever the file's size: asking for its size would cost a
  // system call per file, and a small file is read whole by the first read.
  m.EnsureCapacity(kBlockSize);
  m.at_end = false;
  m.status = Status::Ok();
  m.first_length = m.Fill();
  if (!m.status.ok()) {
    Status error = m.status;
    Close();
    return error;
  }
  m.first_pending = true;
  m.empty = m.first_length == 0;
  return Status::Ok();
}

bool SourceFile::empty() const { return impl_->empty; }

Status SourceFile::CanonicalPath(std::string* canonical) const {
  return impl_->file.CanonicalPath(canonical);
}

Status SourceFile::status() const { return impl_->status; }

void SourceFile::Close() {
  Impl& m = *impl_;
  m.file.Close();
  m.first_pending = false;
  m.first_length = 0;
  m.at_end = true;
  m.empty = true;
}

std::string_view SourceFile::NextBlock() {
  Impl& m = *impl_;
  if (m.first_pending) {
    m.first_pending = false;
    return {m.buffer.get(), m.first_length};
  }
  if (m.at_end) return {};
  size_t got = m.Fill();
  return {m.buffer.get(), got};
}

}  // namespace vkt::generate
