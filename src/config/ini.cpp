#include "config/ini.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "fs/platform/file_system.h"
#include "services/desktop.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::config {
namespace {

// GetPrivateProfileStringA is called with a 255-byte buffer and copies at
// most size - 1 bytes.
constexpr std::size_t kMaxValueBytes = 254;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
// No ini file of the program comes near this; anything larger is refused
// before it is read, not allocated.
constexpr std::int64_t kMaxFileBytes = std::int64_t{64} << 20;

// How a file read in the state `read` is replaced. Users link their ini files
// on purpose (a list shared by branches): a write follows links, but only
// those the kernel's protected_symlinks rule trusts. Another program may save
// the file between the read and the write (an editor): its save is kept, and
// the write fails with kChangedMeanwhile.
platform::ReplaceOptions Guarded(const platform::FileStamp& read) {
  return {.links = platform::LinkAtTarget::kFollowTrusted, .unchanged_since = &read};
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The name under which a section or key is looked up.
std::string LookupName(std::string_view name) { return text::UpperCase(TrimBlanks(name)); }

// One line of an ini file (without its line end), taken apart.
struct LineParts {
  enum class Kind { kBlank, kComment, kSection, kKey };
  Kind kind = Kind::kBlank;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
  bool has_equals = false;
};

LineParts Classify(std::string_view line) {
  LineParts parts;
  std::string_view t = TrimBlanks(line);
  if (t.empty()) return parts;
  if (t.front() == ';') {
    parts.kind = LineParts::Kind::kComment;
    return parts;
  }
  if (t.front() == '[') {
    // The name runs to the last "]" of the line; a line without one is read
    // as a key, as the private-profile functions do.
    std::size_t close = t.rfind(']');
    if (close != std::string_view::npos) {
      parts.kind = LineParts::Kind::kSection;
      parts.name = TrimBlanks(t.substr(1, close - 1));
      return parts;
    }
  }
  parts.kind = LineParts::Kind::kKey;
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    parts.name = t;
    return parts;
  }
  parts.has_equals = true;
  parts.name = TrimBlanks(t.substr(0, eq));
  parts.value = TrimBlanks(t.substr(eq + 1));
  return parts;
}

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
std::string_view LineEndOf(std::string_view text) {
  std::size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos || text.compare(end, 2, "\r\n") == 0) return "\r\n";
  if (text[end] == '\n') return "\n";
  return end + 1 == text.size() ? "\r\n" : "\r";
}

const text::CodePage& Utf8Page() {
  static const std::unique_ptr<text::CodePage> page = text::CodePage::Open("UTF-8", nullptr);
  return *page;
}

// An ini file's bytes as the reader and the writer see them. Windows reads a
// file that begins with FF FE as UTF-16LE and one that begins with EF BB BF
// as UTF-8, whatever the system code page; any other file is in the code
// page. `text` is the body after the byte-order mark, in an encoding whose
// line ends and "[]=;" are the ASCII bytes: UTF-16LE files are held as UTF-8.
struct IniText {
  enum class Form { kCodePage, kUtf8, kUtf16Le };
  Form form = Form::kCodePage;
  std::string text;
  const text::CodePage* page = nullptr;  // how `text` decodes
  // How values are measured for the cut: the program reads through the
  // code-page functions, which hand out a UTF-16 file's text in the code page.
  const text::CodePage* cut_page = nullptr;
};

IniText Unpack(std::string bytes) {
  IniText ini;
  ini.page = ini.cut_page = &text::SystemCodePage();
  if (bytes.starts_with(kUtf16LeBom)) {
    ini.form = IniText::Form::kUtf16Le;
    ini.page = &Utf8Page();
    const std::string_view body = std::string_view(bytes).substr(kUtf16LeBom.size());
    std::u16string units(body.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<char16_t>(static_cast<unsigned char>(body[2 * i]) |
                                       static_cast<unsigned char>(body[2 * i + 1]) << 8);
    }
    ini.text = text::Utf16ToUtf8(units);
    return ini;
  }
  if (bytes.starts_with(kUtf8Bom)) {
    ini.form = IniText::Form::kUtf8;
    ini.page = ini.cut_page = &Utf8Page();
    bytes.erase(0, kUtf8Bom.size());
  }
  ini.text = std::move(bytes);
  return ini;
}

// The whole text of `ini` as UTF-8; `ini->text` is used up.
std::string TakeDecoded(IniText* ini) {
  std::string decoded =
      ini->form == IniText::Form::kUtf16Le ? std::move(ini->text) : ini->page->Decode(ini->text);
  ini->text.clear();
  return decoded;
}

// The file's bytes for `body` (text in the form of `ini`).
std::string Pack(const IniText& ini, std::string_view body) {
  switch (ini.form) {
    case IniText::Form::kCodePage:
      return std::string(body);
    case IniText::Form::kUtf8:
      return std::string(kUtf8Bom) + std::string(body);
    case IniText::Form::kUtf16Le:
      break;
  }
  std::string bytes(kUtf16LeBom);
  for (char16_t unit : text::Utf8ToUtf16(body)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// The first `kMaxValueBytes` bytes of `value` in the code page, as UTF-8.
// A character is never split: where the cut would fall inside one, it falls
// before it.
std::string CutToProfileLimit(std::string_view value, const text::CodePage& page) {
  if (value.size() <= kMaxValueBytes) {
    // A single-byte page never needs more bytes than UTF-8; others are measured.
    if (page.single_byte() || page.Encode(value).size() <= kMaxValueBytes) {
      return std::string(value);
    }
  }
  std::size_t bytes = 0;
  std::size_t pos = 0;
  while (pos < value.size()) {
    std::size_t len = 1;
    unsigned char lead = static_cast<unsigned char>(value[pos]);
    if (lead >= 0xF0) {
      len = 4;
    } else if (lead >= 0xE0) {
      len = 3;
    } else if (lead >= 0xC0) {
      len = 2;
    }
    len = std::min(len, value.size() - pos);
    std::size_t width = page.single_byte() ? 1 : page.Encode(value.substr(pos, len)).size();
    if (bytes + width > kMaxValueBytes) break;
    bytes += width;
    pos += len;
  }
  return std::string(value.substr(0, pos));
}

// What GetPrivateProfileStringA leaves in the buffer for a stored value, and
// whether its count was non-zero. A value wholly enclosed in matching quotes
// loses them.
struct ProfileValue {
  bool found = false;
  std::string text;
};

ProfileValue ProfileResult(std::string_view stored, const text::CodePage& page) {
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
      stored.back() == stored.front()) {
    stored = stored.substr(1, stored.size() - 2);
  }
  ProfileValue result;
  if (stored.empty()) return result;
  result.found = true;
  std::string cut = CutToProfileLimit(stored, page);
  // The caller takes the buffer up to its first NUL, then trims it.
  std::size_t nul = cut.find('\0');
  if (nul != std::string::npos) cut.resize(nul);
  result.text = std::string(TrimBlanks(cut));
  return result;
}

// Opens `path` for reading. `*missing` tells a file that is not there (no
// error) from one that is there but cannot be read.
platform::Status OpenToRead(const std::string& path, platform::File* file, bool* missing) {
  platform::Status status = platform::File::Open(path, platform::File::Mode::kRead, file);
  *missing = !status.ok() && (status.code == ENOENT || status.code == ENOTDIR);
  return status;
}

// Reads the rest of an open file into `*bytes` and closes it.
platform::Status ReadRest(platform::File& file, std::string* bytes) {
  bytes->clear();
  std::int64_t size = file.Size();
  if (size > kMaxFileBytes) return platform::Status::Errno(EFBIG);
  if (size > 0) bytes->reserve(static_cast<std::size_t>(size));
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    platform::Status status = file.Read(buffer, sizeof buffer, &got);
    if (!status.ok()) return status;
    if (got == 0) break;
    // A file may grow while it is read, or tell no size (/proc).
    if (static_cast<std::int64_t>(bytes->size() + got) > kMaxFileBytes) {
      return platform::Status::Errno(EFBIG);
    }
    bytes->append(buffer, got);
  }
  return file.Close();
}

// Reads the whole file (see OpenToRead for `*missing`). `*stamp` (when
// given) is the state of the file read; a missing file leaves it all zero.
platform::Status ReadWholeFile(const std::string& path, std::string* bytes, bool* missing,
                               platform::FileStamp* stamp = nullptr) {
  bytes->clear();
  if (stamp != nullptr) *stamp = {};
  platform::File file;
  platform::Status status = OpenToRead(path, &file, missing);
  if (status.ok() && stamp != nullptr && !file.Stamp(stamp)) *stamp = {};
  return status.ok() ? ReadRest(file, bytes) : status;
}

// The files a run reads once (IniSnapshot): their content when the first
// snapshot of them was taken, and its parse once made.
struct Snapshot {
  int holders = 0;
  platform::Status status;
  bool missing = false;
  std::string bytes;
  std::shared_ptr<const void> parsed;
};

std::mutex& SnapshotMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unordered_map<std::string, Snapshot>& Snapshots() {
  static std::unordered_map<std::string, Snapshot> snapshots;
  return snapshots;
}

// Reads the file for a look at its keys: from its snapshot while one is
// held, else from disk.
platform::Status ReadForReading(const std::string& path, std::string* bytes, bool* missing) {
  {
    std::lock_guard<std::mutex> lock(SnapshotMutex());
    auto it = Snapshots().find(path);
    if (it != Snapshots().end()) {
      *bytes = it->second.bytes;
      *missing = it->second.missing;
      return it->second.status;
    }
  }
  return ReadWholeFile(path, bytes, missing);
}

// A change made within this time of a parse may share the tick of the
// file-system clock of the change before it, and so leave the file's stamp as
// it was: such a parse is not kept.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Parses of unchanged files, shared by every instance: an installation run
// reads its file list once per object type and database kind, and a list of
// 100,000 names must not be parsed each time. A parse serves while the file
// keeps the stamp and the system code page it was read with.
template <typename Parsed>
class ParseCache {
 public:
  std::shared_ptr<const Parsed> Find(const std::string& path, const platform::FileStamp& stamp) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.stamp == stamp) ||
        it->second.page != text::SystemCodePage().name()) {
      return nullptr;
    }
    return it->second.parsed;
  }

  void Keep(const std::string& path, const platform::FileStamp& stamp,
            std::shared_ptr<const Parsed> parsed) {
    const bool racy = NowNs() - std::max(stamp.write_ns, stamp.change_ns) < kRacyWindowNs;
    std::lock_guard<std::mutex> lock(mutex_);
    if (racy) {
      entries_.erase(path);
      return;
    }
    // A few files are read in a session; the bound only keeps memory in check.
    if (entries_.size() >= kMaxFiles && !entries_.contains(path)) entries_.clear();
    entries_[path] = {stamp, text::SystemCodePage().name(), std::move(parsed)};
  }

  void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(path);
  }

 private:
  static constexpr std::size_t kMaxFiles = 8;
  struct Entry {
    platform::FileStamp stamp;
    std::string page;
    std::shared_ptr<const Parsed> parsed;
  };
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

template <typename Parsed>
ParseCache<Parsed>& SharedParses() {
  static ParseCache<Parsed> cache;
  return cache;
}

// The files whose "Initialization File Error" box this run has shown.
std::mutex& ShownMutex() {
  static std::mutex mutex;
  return mutex;
}
std::unordered_set<std::string>& ShownFiles() {
  static std::unordered_set<std::string> files;
  return files;
}

// The box for a file that exists but cannot be read, once per file and run:
// every driver call reads the file list through an instance of its own.
void ShowReadError(const std::string& path, const platform::Status& status) {
  {
    std::lock_guard<std::mutex> lock(ShownMutex());
    if (!ShownFiles().insert(path).second) return;
  }
  std::string description = status.Text();
  if (status.code == platform::kNotRegularFile || status.code == EFBIG) {
    // The system's own texts name no file; these name what was refused.
    std::string shown = path;
    std::replace(shown.begin(), shown.end(), '\\', '/');
    description = shown + " - " + (status.code == EFBIG ? "arquivo maior que 64 MiB" : description);
  }
  Desktop().boxes->Show(
      "Error Number: " + std::to_string(status.code) + "\r\nError Description: " + description,
      "Initialization File Error", BoxIcon::kCritical);
}

// The content of the last line of `text`, which ends with a line end.
std::string_view LastLine(std::string_view text) {
  std::size_t end = text.size() - 1;
  if (end > 0 && text[end] == '\n' && text[end - 1] == '\r') --end;
  std::size_t prev = end == 0 ? std::string_view::npos : text.find_last_of("\r\n", end - 1);
  std::size_t start = prev == std::string_view::npos ? 0 : prev + 1;
  return text.substr(start, end - start);
}

bool IsBlankLine(std::string_view line) { return TrimBlanks(line).empty(); }

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Whether the texts of a write can form one key line; those that cannot are
// refused rather than written as something that reads back differently.
bool FormsKeyLine(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view name = TrimBlanks(key);
  return !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) && !HasLineBreakOrNul(value) &&
         !name.empty() && name.find('=') == std::string_view::npos && name.front() != ';' &&
         name.front() != '[';
}

// The blanks that begin `text`.
std::string_view LeadingBlanks(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsBlank(text[n])) ++n;
  return text.substr(0, n);
}

// Where an existing key line's value starts: the key as written, its "=" and
// the blanks after it are kept. A line without "=" keeps its key without the
// blanks that end it, and gets `*joiner` = "=". Offsets within `line`.
std::size_t KeptPartOfKeyLine(std::string_view line, std::string* joiner) {
  joiner->clear();
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    std::size_t keep = line.size();
    while (keep > 0 && IsBlank(line[keep - 1])) --keep;
    *joiner = "=";
    return keep;
  }
  std::size_t keep = eq + 1;
  while (keep < line.size() && IsBlank(line[keep])) ++keep;
  return keep;
}

// The text (an ini body in `page`, see IniText) with `sKey` = `sValor`
// written into section `sSection`, by the rules of INI::WriteIniSettings;
// the texts form one key line (FormsKeyLine).
std::string WithKey(std::string_view text, const text::CodePage& page, const std::string& sSection,
                    const std::string& sKey, const std::string& sValor) {
  const std::string wanted_section = LookupName(sSection);
  const std::string wanted_key = LookupName(sKey);
  // New lines end as the file's lines do; CR LF in a new file.
  const std::string eol(LineEndOf(text));

  bool in_section = false;
  bool section_found = false;
  bool key_found = false;
  std::size_t key_begin = 0, key_end = 0;
  std::size_t last_end = 0, last_next = 0;  // last non-blank line of the section
  ForEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t next) {
    std::string decoded = page.Decode(text.substr(begin, end - begin));
    LineParts parts = Classify(decoded);
    if (parts.kind == LineParts::Kind::kSection) {
      if (in_section) return false;  // only the first section of the name counts
      if (LookupName(parts.name) == wanted_section) {
        in_section = true;
        section_found = true;
        last_end = end;
        last_next = next;
      }
      return true;
    }
    if (!in_section || parts.kind == LineParts::Kind::kBlank) return true;
    if (parts.kind == LineParts::Kind::kKey && LookupName(parts.name) == wanted_key) {
      key_found = true;
      key_begin = begin;
      key_end = end;
      return false;
    }
    last_end = end;
    last_next = next;
    return true;
  });

  const std::string value = page.Encode(sValor);
  // A CR that ends a file whose lines end otherwise is a line end that lost
  // its LF: what is added completes it.
  const bool cut_line_end = !text.empty() && text.back() == '\r' && eol != "\r";
  std::string out;
  out.reserve(text.size() + sSection.size() + sKey.size() + value.size() + 16);
  if (key_found) {
    std::string joiner;
    const std::size_t keep =
        KeptPartOfKeyLine(text.substr(key_begin, key_end - key_begin), &joiner);
    out.append(text, 0, key_begin + keep);
    out += joiner;
    out += value;
    out.append(text, key_end, std::string::npos);
  } else {
    const std::string key_line = page.Encode(sKey) + "=" + value;
    if (section_found) {
      out.append(text, 0, last_next);
      if (last_next == last_end) {
        out += eol + key_line;  // the section ends the file without a line end
      } else if (last_next == text.size() && cut_line_end) {
        out += "\n" + key_line;
      } else {
        out += key_line + eol;
      }
      out.append(text, last_next, std::string::npos);
    } else {
      out = text;
      if (!out.empty()) {
        if (cut_line_end) {
          out += '\n';
        } else if (out.back() != '\n' && out.back() != '\r') {
          out += eol;
        }
        // A blank line between the last section and the new one.
        if (!IsBlankLine(LastLine(out))) out += eol;
      }
      out += "[" + page.Encode(sSection) + "]" + eol + key_line + eol;
    }
  }
  return out;
}

// Whether the header a write adds for `section`, and the key line it adds
// for `key`, are found again by those names: not so where the encoding
// lacks a character of the name ("?" is written in its place).
bool SectionFindsItself(const text::CodePage& page, const std::string& section) {
  const std::string line = page.Decode("[" + page.Encode(section) + "]");
  const LineParts parts = Classify(line);
  return parts.kind == LineParts::Kind::kSection && LookupName(parts.name) == LookupName(section);
}
bool KeyFindsItself(const text::CodePage& page, const std::string& key) {
  const std::string encoded = page.Encode(key);
  if (encoded.find('=') != std::string::npos) return false;
  const std::string line = page.Decode(encoded + "=");
  const LineParts parts = Classify(line);
  return parts.kind == LineParts::Kind::kKey && LookupName(parts.name) == LookupName(key);
}

// The text with every key of `writes` written into section `sSection`: the
// same as WithKey once per key in order, in one pass over `text`. Every
// write forms one key line. What WithKey does per key, folded: a key
// replaces the value of the first line of its name in the section, or adds
// a line after the section's last non-blank line (an added line being the
// last non-blank line for the next), or, with the section missing, adds the
// section at the end. A write to a line written before keeps, as WithKey
// does, the blanks that began the value it replaces.
std::string WithKeys(std::string_view text, const text::CodePage& page, const std::string& sSection,
                     const std::vector<INI::KeyValue>& writes) {
  // Where a name is not found again through its own encoding, the lines a
  // write adds are not the ones the next write finds: keys are then written
  // one at a time. Never so for names in ASCII.
  bool one_pass = SectionFindsItself(page, sSection);
  for (const INI::KeyValue& w : writes) one_pass = one_pass && KeyFindsItself(page, w.key);
  if (!one_pass) {
    std::string out(text);
    for (const INI::KeyValue& w : writes) out = WithKey(out, page, sSection, w.key, w.value);
    return out;
  }

  const std::string wanted_section = LookupName(sSection);
  const std::string eol(LineEndOf(text));
  bool in_section = false;
  bool section_found = false;
  std::size_t last_end = 0, last_next = 0;  // last non-blank line of the section
  struct Span {
    std::size_t begin, end;
  };
  std::unordered_map<std::string, Span> first_line;  // the section's first line of each key
  ForEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t next) {
    std::string decoded = page.Decode(text.substr(begin, end - begin));
    LineParts parts = Classify(decoded);
    if (parts.kind == LineParts::Kind::kSection) {
      if (in_section) return false;  // only the first section of the name counts
      if (LookupName(parts.name) == wanted_section) {
        in_section = true;
        section_found = true;
        last_end = end;
        last_next = next;
      }
      return true;
    }
    if (!in_section || parts.kind == LineParts::Kind::kBlank) return true;
    if (parts.kind == LineParts::Kind::kKey) {
      first_line.try_emplace(LookupName(parts.name), Span{begin, end});
    }
    last_end = end;
    last_next = next;
    return true;
  });

  // Each line written: `kept` + `value` in place of text[keep, end) of an
  // existing line, or a whole added line.
  struct Written {
    bool added = false;
    std::size_t keep = 0, end = 0;
    std::string kept;
    std::string value;
  };
  std::vector<Written> written;
  std::unordered_map<std::string, std::size_t> written_of_key;
  std::size_t added_bytes = 0;
  for (const INI::KeyValue& w : writes) {
    std::string lookup = LookupName(w.key);
    std::string value = page.Encode(w.value);
    added_bytes += value.size();
    if (auto it = written_of_key.find(lookup); it != written_of_key.end()) {
      Written& line = written[it->second];
      line.kept += LeadingBlanks(line.value);
      line.value = std::move(value);
      continue;
    }
    Written line;
    if (auto it = first_line.find(lookup); it != first_line.end()) {
      line.keep = it->second.begin +
                  KeptPartOfKeyLine(
                      text.substr(it->second.begin, it->second.end - it->second.begin), &line.kept);
      line.end = it->second.end;
    } else {
      line.added = true;
      line.kept = page.Encode(w.key) + "=";
      added_bytes += line.kept.size() + eol.size();
    }
    line.value = std::move(value);
    written_of_key.emplace(std::move(lookup), written.size());
    written.push_back(std::move(line));
  }

  std::vector<const Written*> replaced;
  for (const Written& line : written) {
    if (!line.added) replaced.push_back(&line);
  }
  std::sort(replaced.begin(), replaced.end(),
            [](const Written* a, const Written* b) { return a->keep < b->keep; });
  std::string out;
  out.reserve(text.size() + added_bytes + sSection.size() + 16);
  std::size_t pos = 0;
  for (const Written* line : replaced) {
    out.append(text, pos, line->keep - pos);
    out += line->kept;
    out += line->value;
    pos = line->end;
  }
  const bool cut_line_end = !text.empty() && text.back() == '\r' && eol != "\r";
  if (section_found) {
    // Every line of the section lies before `last_next`.
    out.append(text, pos, last_next - pos);
    // Where the section's last line ends the file without a line end (or
    // with a CR that lost its LF), each added line is put after a line end.
    bool after_line_end = last_next == last_end;
    for (const Written& line : written) {
      if (!line.added) continue;
      if (after_line_end) {
        out += eol;
      } else if (last_next == text.size() && cut_line_end) {
        out += '\n';
        after_line_end = true;
      }
      out += line.kept;
      out += line.value;
      if (!after_line_end) out += eol;
    }
    out.append(text, last_next, std::string::npos);
    return out;
  }
  out.append(text, pos, std::string::npos);
  if (written.empty()) return out;
  if (!out.empty()) {
    if (cut_line_end) {
      out += '\n';
    } else if (out.back() != '\n' && out.back() != '\r') {
      out += eol;
    }
    if (!IsBlankLine(LastLine(out))) out += eol;
  }
  out += "[" + page.Encode(sSection) + "]" + eol;
  for (const Written& line : written) out += line.kept + line.value + eol;
  return out;
}

}  // namespace

struct INI::Parsed {
  // Only the first section of a name counts, and in it the first line of a key.
  std::unordered_map<std::string, std::unordered_map<std::string, ProfileValue>> sections;
};

void INI::ININame(const std::string& path) {
  ini_name_ = path;
  parsed_.reset();
}

std::shared_ptr<const INI::Parsed> INI::Parse(std::string bytes) {
  auto parsed = std::make_shared<Parsed>();
  IniText ini = Unpack(std::move(bytes));
  const std::string decoded = TakeDecoded(&ini);
  std::unordered_map<std::string, ProfileValue>* current = nullptr;
  ForEachLine(decoded, [&](std::size_t begin, std::size_t end, std::size_t) {
    LineParts parts = Classify(std::string_view(decoded).substr(begin, end - begin));
    if (parts.kind == LineParts::Kind::kSection) {
      auto [it, inserted] = parsed->sections.try_emplace(LookupName(parts.name));
      current = inserted ? &it->second : nullptr;
    } else if (parts.kind == LineParts::Kind::kKey && current != nullptr) {
      std::string key = LookupName(parts.name);
      if (current->find(key) == current->end()) {
        current->emplace(std::move(key), ProfileResult(parts.value, *ini.cut_page));
      }
    }
    return true;
  });
  return parsed;
}

bool INI::Load() {
  if (parsed_) return true;
  // Between BeginWrites and CommitWrites reads see what was gathered.
  if (gathered_) {
    parsed_ = Parse(*gathered_);
    return true;
  }
  {
    std::lock_guard<std::mutex> lock(SnapshotMutex());
    auto it = Snapshots().find(ini_name_);
    if (it != Snapshots().end()) {
      Snapshot& snapshot = it->second;
      if (!snapshot.parsed) {
        snapshot.parsed = snapshot.status.ok() ? Parse(snapshot.bytes) : std::make_shared<Parsed>();
      }
      parsed_ = std::static_pointer_cast<const Parsed>(snapshot.parsed);
      if (snapshot.status.ok() || snapshot.missing) return true;
    }
  }
  if (parsed_) {
    // A snapshot of a file that could not be read.
    bool missing = false;
    std::string bytes;
    ShowReadError(ini_name_, ReadForReading(ini_name_, &bytes, &missing));
    return false;
  }
  std::string bytes;
  bool missing = false;
  platform::File file;
  platform::FileStamp stamp;
  platform::Status status = OpenToRead(ini_name_, &file, &missing);
  const bool stamped = status.ok() && file.Stamp(&stamp);
  if (stamped) {
    if (auto shared = SharedParses<Parsed>().Find(ini_name_, stamp)) {
      parsed_ = std::move(shared);
      return true;
    }
  }
  if (status.ok()) status = ReadRest(file, &bytes);
  if (!status.ok()) {
    if (!missing) ShowReadError(ini_name_, status);
    parsed_ = std::make_shared<Parsed>();
    return missing;
  }
  auto parsed = Parse(std::move(bytes));
  if (stamped) SharedParses<Parsed>().Keep(ini_name_, stamp, parsed);
  parsed_ = std::move(parsed);
  return true;
}

std::string INI::ReadINISettings(const std::string& sKey) {
  IniValue value = ReadINISettings(sKey, IniValue(std::string()));
  return std::get<std::string>(value);
}

IniValue INI::ReadINISettings(const std::string& sKey, const IniValue& ValorDefault) {
  Load();
  auto section = parsed_->sections.find(LookupName(section_));
  if (section == parsed_->sections.end()) return ValorDefault;
  auto key = section->second.find(LookupName(sKey));
  if (key == section->second.end() || !key->second.found) return ValorDefault;
  return key->second.text;
}

template <typename Edit>
bool INI::Rewrite(const Edit& edit) {
  parsed_.reset();
  SharedParses<Parsed>().Forget(ini_name_);

  std::string bytes;
  bool missing = false;
  platform::Status status;
  platform::FileStamp stamp;
  if (gathered_) {
    bytes = *gathered_;
  } else {
    status = ReadWholeFile(ini_name_, &bytes, &missing, &stamp);
  }
  if (!status.ok() && !missing) {
    write_error_ = status.code;
    return false;
  }

  const IniText ini = Unpack(bytes);
  // A UTF-16 file that would not come back as it was (an odd byte, a lone
  // surrogate) is left alone rather than rewritten differently.
  if (ini.form == IniText::Form::kUtf16Le && Pack(ini, ini.text) != bytes) {
    write_error_ = EILSEQ;
    return false;
  }
  const std::string out = edit(std::string_view(ini.text), *ini.page);
  if (gathered_) {
    *gathered_ = Pack(ini, out);
    return true;
  }
  status = platform::ReplaceFile(ini_name_, Pack(ini, out), Guarded(stamp), &other_links_);
  write_error_ = status.code;
  return status.ok();
}

bool INI::WriteIniSettings(const std::string& sSection, const std::string& sKey,
                           const std::string& sValor) {
  write_error_ = 0;
  if (!FormsKeyLine(sSection, sKey, sValor)) return false;
  return Rewrite([&](std::string_view text, const text::CodePage& page) {
    return WithKey(text, page, sSection, sKey, sValor);
  });
}

bool INI::WriteSectionKeys(const std::string& sSection, const std::vector<KeyValue>& writes) {
  write_error_ = 0;
  for (const KeyValue& w : writes) {
    if (!FormsKeyLine(sSection, w.key, w.value)) return false;
  }
  if (writes.empty()) return true;
  return Rewrite([&](std::string_view text, const text::CodePage& page) {
    return WithKeys(text, page, sSection, writes);
  });
}

bool INI::BeginWrites() {
  write_error_ = 0;
  parsed_.reset();
  std::string bytes;
  bool missing = false;
  platform::Status status = ReadWholeFile(ini_name_, &bytes, &missing, &gathered_stamp_);
  if (!status.ok() && !missing) {
    write_error_ = status.code;
    return false;
  }
  gathered_ = std::move(bytes);
  return true;
}

bool INI::CommitWrites() {
  if (!gathered_) return true;
  const std::string bytes = std::move(*gathered_);
  gathered_.reset();
  parsed_.reset();
  SharedParses<Parsed>().Forget(ini_name_);
  const platform::Status status =
      platform::ReplaceFile(ini_name_, bytes, Guarded(gathered_stamp_), &other_links_);
  write_error_ = status.code;
  return status.ok();
}

INI::ReadBack INI::HowValueReadsBack(const std::string& sValor, std::string* as_read) const {
  if (as_read != nullptr) as_read->clear();
  if (HasLineBreakOrNul(sValor)) return ReadBack::kRefused;
  // The encoding is told by the file's first bytes.
  std::string head;
  if (gathered_) {
    head = gathered_->substr(0, kUtf8Bom.size());
  } else {
    platform::File file;
    bool missing = false;
    if (OpenToRead(ini_name_, &file, &missing).ok()) {
      char buffer[3];
      std::size_t got = 0;
      while (head.size() < sizeof buffer &&
             file.Read(buffer, sizeof buffer - head.size(), &got).ok() && got > 0) {
        head.append(buffer, got);
      }
      file.Close();
    }
  }
  const IniText ini = Unpack(std::move(head));
  bool lossy = false;
  const std::string decoded = ini.page->Decode(ini.page->Encode(sValor, &lossy));
  const ProfileValue read = ProfileResult(TrimBlanks(decoded), *ini.cut_page);
  if (as_read != nullptr) *as_read = read.text;
  if (read.found && read.text == sValor) return ReadBack::kSame;
  if (lossy || decoded != sValor) return ReadBack::kNotInEncoding;
  if (sValor.empty() || TrimBlanks(sValor) != sValor) return ReadBack::kBlanksTrimmed;
  if (sValor.size() >= 2 && (sValor.front() == '"' || sValor.front() == '\'') &&
      sValor.back() == sValor.front()) {
    return ReadBack::kQuotesStripped;
  }
  return ReadBack::kCut;
}

bool INI::SectionKeyLines(std::vector<KeyLine>* lines) const {
  lines->clear();
  std::string bytes;
  bool missing = false;
  if (!ReadForReading(ini_name_, &bytes, &missing).ok()) return false;
  IniText ini = Unpack(std::move(bytes));
  const std::string decoded = TakeDecoded(&ini);
  const std::string wanted = LookupName(section_);
  bool in_section = false;
  bool found = false;
  int number = 0;
  ForEachLine(decoded, [&](std::size_t begin, std::size_t end, std::size_t) {
    ++number;
    LineParts parts = Classify(std::string_view(decoded).substr(begin, end - begin));
    if (parts.kind == LineParts::Kind::kSection) {
      if (in_section) return false;  // only the first section of the name counts
      in_section = LookupName(parts.name) == wanted;
      found = found || in_section;
    } else if (parts.kind == LineParts::Kind::kKey && in_section) {
      lines->push_back(
          {std::string(parts.name), ProfileResult(parts.value, *ini.cut_page).text, number});
    }
    return true;
  });
  return found;
}

IniSnapshot::IniSnapshot(std::string path) : path_(std::move(path)) {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  Snapshot& snapshot = Snapshots()[path_];
  if (snapshot.holders++ == 0) {
    snapshot.status = ReadWholeFile(path_, &snapshot.bytes, &snapshot.missing);
  }
}

IniSnapshot::~IniSnapshot() {
  std::lock_guard<std::mutex> lock(SnapshotMutex());
  auto it = Snapshots().find(path_);
  if (it != Snapshots().end() && --it->second.holders == 0) Snapshots().erase(it);
}

void ForgetIniErrors() {
  std::lock_guard<std::mutex> lock(ShownMutex());
  ShownFiles().clear();
}

}  // namespace vkt::config
