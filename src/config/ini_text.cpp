#include "config/ini_internal.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::config::internal {
namespace {

const text::CodePage& Utf8Page() {
  static const std::unique_ptr<text::CodePage> page = text::CodePage::Open("UTF-8", nullptr);
  return *page;
}

// The width in `page` of the UTF-8 character that begins `value`, and its
// length in `value`.
std::size_t CharacterWidth(std::string_view value, const text::CodePage& page, std::size_t* len) {
  const unsigned char lead = static_cast<unsigned char>(value.front());
  *len = std::min<std::size_t>(lead >= 0xF0   ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 1,
                               value.size());
  return page.single_byte() ? 1 : page.Encode(value.substr(0, *len)).size();
}

// The first `kMaxValueBytes` bytes of `value` in the code page, as UTF-8.
// A character is never split: where the cut would fall inside one, it falls
// before it. `*cut_from` gets the bytes `value` takes in the code page when
// the cut shortened it, else 0.
std::string CutToProfileLimit(std::string_view value, const text::CodePage& page,
                              std::size_t* cut_from) {
  *cut_from = 0;
  if (value.size() <= kMaxValueBytes) {
    // A single-byte page never needs more bytes than UTF-8; others are measured.
    if (page.single_byte() || page.Encode(value).size() <= kMaxValueBytes) {
      return std::string(value);
    }
  }
  std::size_t bytes = 0;
  std::size_t pos = 0;
  std::size_t kept = std::string_view::npos;  // where the cut falls, once it has
  while (pos < value.size()) {
    std::size_t len = 0;
    const std::size_t width = CharacterWidth(value.substr(pos), page, &len);
    if (kept == std::string_view::npos && bytes + width > kMaxValueBytes) kept = pos;
    bytes += width;
    pos += len;
    // Beyond the cut, only a single-byte page is measured a character at a time.
    if (kept != std::string_view::npos && !page.single_byte()) {
      bytes = page.Encode(value).size();
      break;
    }
  }
  if (kept == std::string_view::npos) return std::string(value);
  *cut_from = bytes;
  return std::string(value.substr(0, kept));
}
}  // namespace

std::string LookupName(std::string_view name) { return text::UpperCase(TrimBlanks(name)); }

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

std::string_view LineEndOf(std::string_view text) {
  std::size_t end = text.find_first_of("\r\n");
  if (end == std::string_view::npos || text.compare(end, 2, "\r\n") == 0) return "\r\n";
  if (text[end] == '\n') return "\n";
  return end + 1 == text.size() ? "\r\n" : "\r";
}

namespace {

// The UTF-8 text of the UTF-16LE bytes `body` (an odd last byte left out).
std::string FromUtf16Le(std::string_view body) {
  std::u16string units(body.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(body[2 * i]) |
                                     static_cast<unsigned char>(body[2 * i + 1]) << 8);
  }
  return text::Utf16ToUtf8(units);
}

}  // namespace

IniText Unpack(std::string bytes, const text::CodePage& page) {
  IniText ini;
  ini.page = ini.cut_page = &page;
  if (bytes.starts_with(kUtf16LeBom)) {
    ini.form = IniText::Form::kUtf16Le;
    ini.page = &Utf8Page();
    ini.text = FromUtf16Le(std::string_view(bytes).substr(kUtf16LeBom.size()));
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

std::string DecodeText(std::string_view bytes, const text::CodePage& page,
                       const text::CodePage** cut_page) {
  *cut_page = &page;
  if (bytes.starts_with(kUtf16LeBom)) return FromUtf16Le(bytes.substr(kUtf16LeBom.size()));
  if (bytes.starts_with(kUtf8Bom)) {
    *cut_page = &Utf8Page();
    return Utf8Page().Decode(bytes.substr(kUtf8Bom.size()));
  }
  return page.Decode(bytes);
}

std::string TakeDecoded(IniText* ini) {
  std::string decoded =
      ini->form == IniText::Form::kUtf16Le ? std::move(ini->text) : ini->page->Decode(ini->text);
  ini->text.clear();
  return decoded;
}

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

ProfileValue ProfileResult(std::string_view stored, const text::CodePage& page) {
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
      stored.back() == stored.front()) {
    stored = stored.substr(1, stored.size() - 2);
  }
  ProfileValue result;
  if (stored.empty()) return result;
  result.found = true;
  std::size_t cut_from = 0;
  std::string cut = CutToProfileLimit(stored, page, &cut_from);
  // The caller takes the buffer up to its first NUL, then trims it: a value
  // that a NUL ends before the cut lost nothing to it.
  std::size_t nul = cut.find('\0');
  if (nul != std::string::npos) {
    cut.resize(nul);
    cut_from = 0;
  }
  result.text = std::string(TrimBlanks(cut));
  result.cut_from = static_cast<std::uint32_t>(cut_from);
  return result;
}

}  // namespace vkt::config::internal
