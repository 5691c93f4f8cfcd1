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

// Users link their ini files on purpose (a list shared by branches): a write
// follows links, but only those the kernel's protected_symlinks rule trusts.
constexpr platform::ReplaceOptions kListReplacement{.links =
                                                        platform::LinkAtTarget::kFollowTrusted};

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

// Reads the whole file (see OpenToRead for `*missing`).
platform::Status ReadWholeFile(const std::string& path, std::string* bytes, bool* missing) {
  bytes->clear();
  platform::File file;
  platform::Status status = OpenToRead(path, &file, missing);
  return status.ok() ? ReadRest(file, bytes) : status;
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

}  // namespace

struct INI::Parsed {
  // Only the first section of a name counts, and in it the first line of a key.
  std::unordered_map<std::string, std::unordered_map<std::string, ProfileValue>> sections;
};

void INI::ININame(const std::string& path) {
  ini_name_ = path;
  parsed_.reset();
}

bool INI::Load() {
  if (parsed_) return true;
  auto parsed = std::make_shared<Parsed>();
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
    parsed_ = std::move(parsed);
    return missing;
  }
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

bool INI::WriteIniSettings(const std::string& sSection, const std::string& sKey,
                           const std::string& sValor) {
  write_error_ = 0;
  // Texts that the file could not hold as one key line are refused rather
  // than written as something that reads back differently.
  std::string_view key_name = TrimBlanks(sKey);
  if (HasLineBreakOrNul(sSection) || HasLineBreakOrNul(sKey) || HasLineBreakOrNul(sValor) ||
      key_name.empty() || key_name.find('=') != std::string_view::npos || key_name.front() == ';' ||
      key_name.front() == '[') {
    return false;
  }
  parsed_.reset();
  SharedParses<Parsed>().Forget(ini_name_);

  std::string bytes;
  bool missing = false;
  platform::Status status;
  if (gathered_) {
    bytes = *gathered_;
  } else {
    status = ReadWholeFile(ini_name_, &bytes, &missing);
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
  const std::string& text = ini.text;
  const text::CodePage& page = *ini.page;
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
    std::string decoded = page.Decode(std::string_view(text).substr(begin, end - begin));
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
    // Keep the key as written, its "=" and the blanks after it; replace the rest.
    std::string_view line = std::string_view(text).substr(key_begin, key_end - key_begin);
    std::size_t eq = line.find('=');
    std::size_t keep;
    std::string joiner;
    if (eq == std::string_view::npos) {
      keep = line.size();
      while (keep > 0 && IsBlank(line[keep - 1])) --keep;
      joiner = "=";
    } else {
      keep = eq + 1;
      while (keep < line.size() && IsBlank(line[keep])) ++keep;
    }
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

  if (gathered_) {
    *gathered_ = Pack(ini, out);
    return true;
  }
  status = platform::ReplaceFile(ini_name_, Pack(ini, out), kListReplacement, &other_links_);
  write_error_ = status.code;
  return status.ok();
}

bool INI::BeginWrites() {
  write_error_ = 0;
  std::string bytes;
  bool missing = false;
  platform::Status status = ReadWholeFile(ini_name_, &bytes, &missing);
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
      platform::ReplaceFile(ini_name_, bytes, kListReplacement, &other_links_);
  write_error_ = status.code;
  return status.ok();
}

bool INI::SectionKeyLines(std::vector<KeyLine>* lines) const {
  lines->clear();
  std::string bytes;
  bool missing = false;
  if (!ReadWholeFile(ini_name_, &bytes, &missing).ok()) return false;
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

void ForgetIniErrors() {
  std::lock_guard<std::mutex> lock(ShownMutex());
  ShownFiles().clear();
}

}  // namespace vkt::config
