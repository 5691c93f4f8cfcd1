#include "generate/script_io.h"

#include <memory>
#include <optional>

#include "text/unicode_decoder.h"

namespace vkt::generate {

using platform::Status;

struct SourceFile::Impl {
  platform::File file;
  std::unique_ptr<char[]> buffer;
  size_t capacity = 0;
  size_t first_length = 0;
  size_t first_offset = 0;  // where the first block's text begins: after the mark
  std::optional<text::UnicodeForm> form;
  bool first_pending = false;
  bool at_end = true;
  bool empty = true;
  Status status;

  void EnsureCapacity(size_t want) {
    if (capacity >= want) return;
    buffer.reset(new char[want]);
    capacity = want;
  }

  // One read into the buffer from `offset` on; 0 at the end or on an error.
  size_t Fill(size_t offset = 0) {
    size_t got = 0;
    Status s = file.Read(buffer.get() + offset, capacity - offset, &got);
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
  // The longest mark is three bytes: a read that gives fewer is not yet the
  // whole file's beginning.
  while (m.first_length > 0 && m.first_length < 3 && !m.at_end)
    m.first_length += m.Fill(m.first_length);
  std::size_t mark = 0;
  text::UnicodeForm form;
  if (text::FormOfMark(std::string_view(m.buffer.get(), m.first_length), &form, &mark)) {
    m.form = form;
    // A mark that ends the first read: whether any text follows is known
    // before the header is due.
    if (m.first_length == mark && !m.at_end) {
      m.first_length = m.Fill();
      mark = 0;
    }
  }
  if (!m.status.ok()) {
    Status error = m.status;
    Close();
    return error;
  }
  m.first_offset = mark;
  m.first_pending = true;
  m.empty = m.first_length == m.first_offset;
  return Status::Ok();
}

std::optional<text::UnicodeForm> SourceFile::form() const { return impl_->form; }

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
  m.first_offset = 0;
  m.form.reset();
  m.at_end = true;
  m.empty = true;
}

std::string_view SourceFile::NextBlock() {
  Impl& m = *impl_;
  if (m.first_pending) {
    m.first_pending = false;
    return {m.buffer.get() + m.first_offset, m.first_length - m.first_offset};
  }
  if (m.at_end) return {};
  size_t got = m.Fill();
  return {m.buffer.get(), got};
}

}  // namespace vkt::generate
