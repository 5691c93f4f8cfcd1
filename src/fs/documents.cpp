// GetLines, SetLines and SetLinesFromText: whole text files as arrays of lines,
// through the table of numbered open files with byte access.
//
// Line terminators when reading: a line feed, a carriage return and the pair
// carriage return + line feed each end a line and stay out of its text. A line
// feed at the very end leaves an empty last element; a carriage return (alone
// or in a pair) at the very end does not, and reports NoReturnLastLine false
// instead, so that what GetLines reads SetLines writes back byte for byte.
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/open_files.h"
#include "fs/platform/file_system.h"
#include "services/build_facts.h"
#include "text/codepage.h"
#include "text/word_wrap.h"

namespace vkt::fs {
namespace {

constexpr std::int32_t kSawLoneCarriageReturn = 2;
constexpr std::int32_t kSawCarriageReturnLineFeed = 4;

// The folder part of `path` (up to its last separator), "" for a bare name.
std::string FolderOf(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (internal::IsSeparator(path[i - 1])) return path.substr(0, i - 1);
  }
  return {};
}

// Puts the finished temporary file in the place of `target`. False when it
// could not; `target` then holds what it held before.
bool ReplaceWithTemporary(FileSystemObject& fso, const std::string& temp,
                          const std::string& given_target) {
  if (!internal::NamesFile(given_target)) return fso.MoveFile(temp, given_target);
  // A read-only target is kept: it could not be deleted to make room.
  if (fso.GetFileAttributes(given_target) & platform::kAttrReadOnly) return false;
  // The file found keeps its name, whatever the letter case of the one given.
  std::string target;
  if (!platform::ResolvePath(given_target, &target)) return false;
  // The old content goes aside, in its own folder so that the rename stays on
  // its file system, until the new content is in place; then it is deleted.
  // Deleting the target first would lose it whenever the move then failed.
  const std::string aside = fso.GetUniqueFilename(kTempFilePrefix, FolderOf(target), false);
  if (aside.empty() || !fso.MoveFile(target, aside)) return false;
  if (!fso.MoveFile(temp, target)) {
    fso.MoveFile(aside, target);
    return false;
  }
  if (!fso.DeleteFile(aside)) {
    // The old file cannot go after all: it stays the target.
    fso.DeleteFile(target);
    fso.MoveFile(aside, target);
    return false;
  }
  return true;
}

// The lines WrapText gives a text when it has no width limit, with their line
// breaks stripped: the text cut at its CR LF pairs, NULs dropped, a text that
// ends with CR LF ending with an empty line. Cutting directly spares measuring
// every growing line on the screen, which costs the square of a line's length.
std::vector<std::string> CutAtHardBreaks(const std::string& data) {
  std::vector<std::string> lines;
  if (data.empty()) return lines;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = data.find(text::kHardBreak, from);
    const std::string piece = data.substr(from, at == std::string::npos ? at : at - from);
    lines.push_back(text::StripLineBreaks(text::RemoveNulls(piece)));
    if (at == std::string::npos) break;
    from = at + 2;
  }
  return lines;
}

}  // namespace

std::vector<std::string> FileSystemObject::GetLines(const std::string& Filename,
                                                    std::int32_t& UnixLineTerm,
                                                    bool& NoReturnLastLine) {
  // Hidden files are documents like any other here (FileExists skips them).
  if (!internal::NamesFile(Filename)) return {};
  const int number = open_files::Open(Filename, FileAccess::kBytesRead);
  if (number == 0) return {};
  const std::int64_t length = open_files::Length(number).value_or(0);
  // A one-byte file reads as nothing, as it always did.
  std::optional<std::string> bytes;
  if (length >= 2) bytes = open_files::ReadBytes(number, static_cast<std::size_t>(length));
  open_files::Close(number);
  if (!bytes) return {};

  const text::CodePage& page = text::SystemCodePage();
  std::vector<std::string> lines;
  std::string current;        // bytes of the element being read
  bool new_line_due = false;  // a carriage return ended the element before
  bool ends_with_carriage_return = false;
  std::int32_t bits = 0;
  auto finish_element = [&] {
    lines.push_back(page.Decode(current));
    current.clear();
  };

  const std::string& data = *bytes;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (new_line_due) {
      finish_element();
      new_line_due = false;
    }
    const char b = data[i];
    ends_with_carriage_return = false;
    if (b == '\r') {
      if (i + 1 < data.size() && data[i + 1] == '\n') {
        bits |= kSawCarriageReturnLineFeed;
        ++i;
      } else {
        bits |= kSawLoneCarriageReturn;
      }
      // The next element starts only when another byte follows.
      new_line_due = true;
      ends_with_carriage_return = true;
    } else if (b == '\n') {
      finish_element();
    } else {
      current += b;
    }
  }
  finish_element();

  NoReturnLastLine = !ends_with_carriage_return;
  UnixLineTerm = bits / 2 - 1;
  return lines;
}

void FileSystemObject::SetLines(const std::vector<std::string>& data, const std::string& Filename,
                                bool UnixLineTerm, bool NoCrLf, const bool& NoReturnLastLine) {
  const std::string temp = GetUniqueFilename(kTempFilePrefix, "", false);
  if (temp.empty()) return;
  const int number = open_files::Open(temp, FileAccess::kBytesWrite);
  if (number == 0) return;

  bool written = true;
  const text::CodePage& page = text::SystemCodePage();
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::string piece = data[i];
    const bool bare = (NoReturnLastLine && i + 1 == data.size()) || NoCrLf;
    if (!bare) piece += UnixLineTerm ? "\r" : "\r\n";
    const std::string bytes = page.Encode(piece);
    if (!bytes.empty() && !open_files::WriteBytes(number, bytes)) written = false;
  }
  open_files::Close(number);
  // A temporary file that did not get all its bytes never replaces the target.
  if (!written || !ReplaceWithTemporary(*this, temp, Filename)) {
    DeleteFile(temp);
    return;
  }
  // Reseeds the name counter for the next temporary file.
  GetUniqueFilename(kTempFilePrefix, "", true);
}

void FileSystemObject::SetLinesFromText(const std::string& data, const std::string& Filename,
                                        bool NoReturnLastLine) {
  std::vector<std::string> lines = CutAtHardBreaks(data);
  // A true flag leaves out the final terminator of a text that ends with one:
  // the empty last element that carries it is not written.
  if (NoReturnLastLine && lines.size() > 1 && lines.back().empty()) lines.pop_back();
  SetLines(lines, Filename, false, false, true);
}

}  // namespace vkt::fs
