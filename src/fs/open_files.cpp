#include "fs/open_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <mutex>

#include "text/codepage.h"

namespace vkt::fs::open_files {
namespace {

// Bytes read ahead per refill; lines and single bytes come from this buffer.
constexpr std::size_t kReadAhead = std::size_t{64} * 1024;

bool Writes(FileAccess access) {
  return access == FileAccess::kTextOutput || access == FileAccess::kBytesWrite ||
         access == FileAccess::kBytes;
}

bool ReadsLines(FileAccess access) { return access == FileAccess::kLineInput; }

bool ReadsBytes(FileAccess access) {
  return access == FileAccess::kBytesRead || access == FileAccess::kBytes;
}

bool WritesBytes(FileAccess access) {
  return access == FileAccess::kBytesWrite || access == FileAccess::kBytes;
}

bool IsBytes(FileAccess access) { return ReadsBytes(access) || WritesBytes(access); }

struct Entry {
  platform::File file;
  FileAccess access = FileAccess::kLineInput;
  platform::FileIdentity id;
  std::int64_t pos = 0;  // 0-based offset of the next byte
  // Read-ahead: the bytes of the file from `buffer_start` on. Dropped by every
  // write, so it never disagrees with the file.
  std::string buffer;
  std::int64_t buffer_start = 0;
};

struct Table {
  std::mutex mutex;
  std::array<std::unique_ptr<Entry>, kLastNumber + 1> slots;  // slot 0 unused
};

Table& TheTable() {
  static Table table;
  return table;
}

Entry* Find(Table& table, int number) {
  if (number < kFirstNumber || number > kLastNumber) return nullptr;
  return table.slots[static_cast<std::size_t>(number)].get();
}

int LowestFree(const Table& table) {
  for (int n = kFirstNumber; n <= kLastNumber; ++n) {
    if (!table.slots[static_cast<std::size_t>(n)]) return n;
  }
  return 0;
}

std::int64_t BufferEnd(const Entry& e) {
  return e.buffer_start + static_cast<std::int64_t>(e.buffer.size());
}

// Makes the buffer hold the byte at `e.pos` when the file has one. False at the
// end of the file or on a read error.
bool EnsureBuffered(Entry& e) {
  if (e.pos >= e.buffer_start && e.pos < BufferEnd(e)) return true;
  e.buffer.clear();
  e.buffer_start = e.pos;
  if (!e.file.Seek(e.pos).ok()) return false;
  e.buffer.resize(kReadAhead);
  std::size_t got = 0;
  if (!e.file.Read(e.buffer.data(), e.buffer.size(), &got).ok()) got = 0;
  e.buffer.resize(got);
  return got > 0;
}

// Bytes left between the position and the end of the file.
std::int64_t Remaining(const Entry& e) {
  std::int64_t size = e.file.Size();
  return size > e.pos ? size - e.pos : 0;
}

std::optional<std::string> ReadExactly(Entry& e, std::size_t count) {
  if (count == 0) return std::string();
  // Checked against the file first: a damaged length must not allocate.
  if (static_cast<std::uint64_t>(Remaining(e)) < count) return std::nullopt;
  const std::int64_t start = e.pos;
  std::string out;
  out.reserve(count);
  while (out.size() < count) {
    if (!EnsureBuffered(e)) {
      e.pos = start;
      return std::nullopt;
    }
    const std::size_t offset = static_cast<std::size_t>(e.pos - e.buffer_start);
    const std::size_t take = std::min(count - out.size(), e.buffer.size() - offset);
    out.append(e.buffer, offset, take);
    e.pos += static_cast<std::int64_t>(take);
  }
  return out;
}

bool WriteAt(Entry& e, std::string_view bytes) {
  if (bytes.empty()) return true;
  e.buffer.clear();
  e.buffer_start = 0;
  if (!e.file.Seek(e.pos).ok()) return false;
  if (!e.file.Write(bytes.data(), bytes.size()).ok()) return false;
  e.pos += static_cast<std::int64_t>(bytes.size());
  return true;
}

platform::File::Mode PlatformMode(FileAccess access) {
  switch (access) {
    case FileAccess::kLineInput:
    case FileAccess::kBytesRead:
      return platform::File::Mode::kRead;
    case FileAccess::kTextOutput:
    case FileAccess::kBytesWrite:
      // Emptied only after the sharing checks passed.
      return platform::File::Mode::kWriteKeep;
    case FileAccess::kBytes:
      return platform::File::Mode::kReadWrite;
  }
  return platform::File::Mode::kRead;
}

void SetError(platform::Status* error, const platform::Status& status) {
  if (error) *error = status;
}

}  // namespace

int FreeNumber() {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  return LowestFree(table);
}

int Open(std::string_view path, FileAccess access, platform::Status* error) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  const int number = LowestFree(table);
  if (number == 0) {
    SetError(error, platform::Status::Errno(EMFILE));
    return 0;
  }
  auto entry = std::make_unique<Entry>();
  entry->access = access;
  platform::Status status =
      platform::File::Open(path, PlatformMode(access), &entry->file, /*share_read_only=*/true);
  if (!status.ok()) {
    SetError(error, status);
    return 0;
  }
  if (!entry->file.Identity(&entry->id)) {
    SetError(error, platform::Status::Errno(EIO));
    return 0;
  }
  // The advisory lock already keeps a second writer out on this platform; the
  // table keeps the rule by itself wherever locks are missing or ignored.
  for (int n = kFirstNumber; n <= kLastNumber; ++n) {
    const Entry* other = table.slots[static_cast<std::size_t>(n)].get();
    if (other && other->id == entry->id && (Writes(access) || Writes(other->access))) {
      SetError(error, platform::Status::Errno(EWOULDBLOCK));
      return 0;
    }
  }
  if (access == FileAccess::kTextOutput || access == FileAccess::kBytesWrite) {
    status = entry->file.Truncate(0);
    if (!status.ok()) {
      SetError(error, status);
      return 0;
    }
  }
  table.slots[static_cast<std::size_t>(number)] = std::move(entry);
  SetError(error, platform::Status::Ok());
  return number;
}

bool Close(int number) {
  Table& table = TheTable();
  std::unique_ptr<Entry> entry;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    if (!Find(table, number)) return false;
    entry = std::move(table.slots[static_cast<std::size_t>(number)]);
  }
  entry->file.Close();
  return true;
}

void CloseAll() {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  for (auto& slot : table.slots) slot.reset();
}

bool IsOpen(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  return Find(table, number) != nullptr;
}

std::optional<FileAccess> AccessOf(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  const Entry* e = Find(table, number);
  if (!e) return std::nullopt;
  return e->access;
}

std::optional<std::string> ReadLine(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !ReadsLines(e->access)) return std::nullopt;
  if (!EnsureBuffered(*e)) return std::nullopt;  // past the end
  std::string bytes;
  for (;;) {
    const std::size_t offset = static_cast<std::size_t>(e->pos - e->buffer_start);
    const std::size_t cr = e->buffer.find('\r', offset);
    if (cr == std::string::npos) {
      bytes.append(e->buffer, offset, std::string::npos);
      e->pos = BufferEnd(*e);
      if (!EnsureBuffered(*e)) break;  // a last line without terminator
      continue;
    }
    bytes.append(e->buffer, offset, cr - offset);
    e->pos = e->buffer_start + static_cast<std::int64_t>(cr) + 1;
    // A line feed right after the carriage return belongs to the terminator,
    // also when it lies beyond the buffered bytes.
    if (EnsureBuffered(*e) &&
        e->buffer[static_cast<std::size_t>(e->pos - e->buffer_start)] == '\n') {
      ++e->pos;
    }
    break;
  }
  return text::SystemCodePage().Decode(bytes);
}

bool WriteText(int number, std::string_view utf8) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || e->access != FileAccess::kTextOutput) return false;
  return WriteAt(*e, text::SystemCodePage().Encode(utf8));
}

bool WriteLine(int number, std::string_view utf8) {
  std::string line(utf8);
  line += "\r\n";
  return WriteText(number, line);
}

std::optional<std::string> ReadBytes(int number, std::size_t count) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !ReadsBytes(e->access)) return std::nullopt;
  return ReadExactly(*e, count);
}

std::optional<unsigned char> ReadByte(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !ReadsBytes(e->access) || !EnsureBuffered(*e)) return std::nullopt;
  const unsigned char b =
      static_cast<unsigned char>(e->buffer[static_cast<std::size_t>(e->pos - e->buffer_start)]);
  ++e->pos;
  return b;
}

bool WriteBytes(int number, std::string_view bytes) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !WritesBytes(e->access)) return false;
  return WriteAt(*e, bytes);
}

std::optional<std::int64_t> Length(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  const Entry* e = Find(table, number);
  if (!e) return std::nullopt;
  const std::int64_t size = e->file.Size();
  if (size < 0) return std::nullopt;
  return size;
}

std::optional<std::int64_t> Position(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  const Entry* e = Find(table, number);
  if (!e) return std::nullopt;
  return e->pos + 1;
}

bool SetPosition(int number, std::int64_t position) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !IsBytes(e->access) || position < 1) return false;
  e->pos = position - 1;
  return true;
}

bool StepBack(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !IsBytes(e->access) || e->pos == 0) return false;
  --e->pos;
  return true;
}

bool AtEnd(int number) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Entry* e = Find(table, number);
  if (!e || !(ReadsLines(e->access) || ReadsBytes(e->access))) return true;
  return !EnsureBuffered(*e);
}

}  // namespace vkt::fs::open_files
