// What the ini files share (ini.h is their one surface):
//
//   ini_text.cpp       an ini file's text: its encodings, line ends and lines,
//                      and what a read gives for a stored value
//   ini_files.cpp      reading a whole file, and the box for one that cannot be
//                      read
//   ini_snapshot.cpp   IniSnapshot: one version of a file for a whole run
//   ini_read.cpp       parsing, the parse cache shared by instances, and reads
//   ini_key_edits.cpp  the text a write makes, one key or many in one pass
//   ini_write.cpp      replacing the file with it, single or gathered writes
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/ini.h"
#include "fs/platform/file_system.h"
#include "text/codepage.h"

namespace vkt::config::internal {

// ---- an ini file's text (ini_text.cpp) ----

// GetPrivateProfileStringA is called with a 255-byte buffer and copies at
// most size - 1 bytes.
inline constexpr std::size_t kMaxValueBytes = 254;
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The name under which a section or key is looked up.
std::string LookupName(std::string_view name);

// One line of an ini file (without its line end), taken apart.
struct LineParts {
  enum class Kind { kBlank, kComment, kSection, kKey };
  Kind kind = Kind::kBlank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
  bool has_equals = false;
};

// Takes `line` apart: blank, ";" comment, "[section]" or key line.
LineParts Classify(std::string_view line);

// Calls `fn(begin, end, next)` for every line of `text`: the line's content is
// [begin, end) without its line end (CR LF, LF or a lone CR), and `next` is
// where the following line starts (`next == end` only for a last line without
// a line end). `fn` returns false to stop.
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    std::size_t next = end;
    if (end == std::string_view::npos) {
      end = next = text.size();
    } else {
      next = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (!fn(pos, end, next)) return;
    pos = next;
  }
}

// The line end of `text`'s first line; CR LF for a text without one. A CR
// that ends the text is taken for a CR LF that lost its LF.
std::string_view LineEndOf(std::string_view text);

// An ini file's bytes as the reader and the writer see them. Windows reads a
// file that begins with FF FE as UTF-16LE and one that begins with EF BB BF
// as UTF-8, whatever the code page; any other file is in the code page. `text` is the body after
// the byte-order mark, in an encoding whose line ends and "[]=;" are the ASCII bytes: UTF-16LE
// files are held as UTF-8.
struct IniText {
  enum class Form { kCodePage, kUtf8, kUtf16Le };
  Form form = Form::kCodePage;
  std::string text;
  const text::CodePage* page = nullptr;  // how `text` decodes
  // How values are measured for the cut: the program reads through the
  // code-page functions, which hand out a UTF-16 file's text in the code page.
  const text::CodePage* cut_page = nullptr;
};

// Takes the file's bytes apart (see IniText); `page` is the code page of a
// file without a byte-order mark, and must outlive the result.
IniText Unpack(std::string bytes, const text::CodePage& page);
// The whole text of `ini` as UTF-8; `ini->text` is used up.
std::string TakeDecoded(IniText* ini);
// The same for the file's bytes, read where they lie: Unpack and TakeDecoded
// without a copy of the bytes. `*cut_page` gets IniText::cut_page.
std::string DecodeText(std::string_view bytes, const text::CodePage& page,
                       const text::CodePage** cut_page);
// The file's bytes for `body` (text in the form of `ini`).
std::string Pack(const IniText& ini, std::string_view body);

// What GetPrivateProfileStringA leaves in the buffer for a stored value, and
// whether its count was non-zero. A value wholly enclosed in matching quotes
// loses them.
struct ProfileValue {
  bool found = false;
  // The bytes the stored value takes in the code page when the limit cut it
  // (`text` then holds its first bytes); 0 when it was not cut. A file is at
  // most 64 MiB.
  std::uint32_t cut_from = 0;
  std::string text;
};

ProfileValue ProfileResult(std::string_view stored, const text::CodePage& page);

// ---- reading a file (ini_files.cpp) ----

// Opens `path` for reading, reached as `reach` says. `*missing` tells a file
// that is not there (no error) from one that is there but cannot be read.
platform::Status OpenToRead(const std::string& path, IniReach reach, platform::File* file,
                            bool* missing);
// Reads the rest of an open file into `*bytes` and closes it. A file above
// 64 MiB gives EFBIG.
platform::Status ReadRest(platform::File& file, std::string* bytes);
// Reads the whole file (see OpenToRead for `reach` and `*missing`). `*stamp`
// (when given) is the state of the file read; a missing file leaves it all
// zero.
platform::Status ReadWholeFile(const std::string& path, IniReach reach, std::string* bytes,
                               bool* missing, platform::FileStamp* stamp = nullptr);
// The box for a file that exists but cannot be read, once per file and run
// (until ForgetIniErrors): every driver call reads the file list through an
// instance of its own.
void ShowReadError(MessageBoxService& boxes, const std::string& path,
                   const platform::Status& status);

// ---- snapshots (ini_snapshot.cpp) ----

// The parse of a file's bytes (null when it could not be read) in a code page.
using ParseFunction = std::shared_ptr<const void> (*)(const std::string* bytes,
                                                      const text::CodePage& page);
// While a snapshot of `path` is held: its parse in `page`, made by `parse` on
// the first call for that page (from the snapshot's bytes, or from null when
// the file could not be read) and shared by the later ones, with the status of
// the snapshot's read in `*status` and `*missing`. Null while none is held.
std::shared_ptr<const void> SnapshotParse(const std::string& path, const text::CodePage& page,
                                          ParseFunction parse, platform::Status* status,
                                          bool* missing);

// ---- parses shared by instances (ini_read.cpp) ----

// Drops the shared parse of `path`, which is being written.
void ForgetSharedParse(const std::string& path);

// ---- the text of a write (ini_key_edits.cpp) ----

// True when `s` holds a CR, an LF or a NUL.
bool HasLineBreakOrNul(std::string_view s);
// Whether the texts of a write can form one key line; those that cannot are
// refused rather than written as something that reads back differently.
bool FormsKeyLine(std::string_view section, std::string_view key, std::string_view value);
// The text (an ini body in `page`, see IniText) with `sKey` = `sValor`
// written into section `sSection`, by the rules of INI::WriteIniSettings;
// the texts form one key line (FormsKeyLine).
std::string WithKey(std::string_view text, const text::CodePage& page, const std::string& sSection,
                    const std::string& sKey, const std::string& sValor);
// The text with every key of `writes` written into section `sSection`: the
// same as WithKey once per key in order, in one pass over `text`. Every
// write forms one key line. What WithKey does per key, folded: a key
// replaces the value of the first line of its name in the section, or adds
// a line after the section's last non-blank line (an added line being the
// last non-blank line for the next), or, with the section missing, adds the
// section at the end. A write to a line written before keeps, as WithKey
// does, the blanks that began the value it replaces.
std::string WithKeys(std::string_view text, const text::CodePage& page, const std::string& sSection,
                     const std::vector<INI::KeyValue>& writes);

}  // namespace vkt::config::internal
