#include "text/codepage.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "text/codepage_internal.h"
#include "text/utf8.h"

namespace vkt::text {

namespace internal {

void MapWindows1252UnassignedBytes(std::array<char16_t, 256>* units) {
  for (const unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) (*units)[b] = b;
}

}  // namespace internal

std::unique_ptr<CodePage> CodePage::Open(std::string_view name, std::string* error) {
  std::unique_ptr<CodePage> page(new CodePage());
  page->name_ = std::string(name);
  if (!page->OpenConverter()) {
    if (error) *error = "Unknown code page: " + page->name_;
    return nullptr;
  }
  if (page->single_byte_) {
    // Windows maps the bytes that Windows-1252 leaves unassigned to the C1
    // controls of the same value. The program sets them itself rather than
    // trust each converter's table with them.
    if (page->windows_1252_) internal::MapWindows1252UnassignedBytes(&page->to_unit_);
    page->BuildByteTables();
  }
  return page;
}

void CodePage::BuildByteTables() {
  low_byte_.fill(-1);
  high_bytes_.clear();
  for (int b = 0; b < 256; ++b) {
    const char16_t unit = to_unit_[b];
    // Of two bytes with one unit, the first is the unit's byte.
    if (unit == 0xFFFD || Byte(unit) >= 0) continue;
    if (unit < 256) {
      low_byte_[unit] = static_cast<std::int16_t>(b);
    } else {
      auto at = std::lower_bound(high_bytes_.begin(), high_bytes_.end(),
                                 std::make_pair(unit, std::uint8_t{0}));
      high_bytes_.insert(at, {unit, static_cast<std::uint8_t>(b)});
    }
  }
}

int CodePage::Byte(char16_t u) const {
  if (!single_byte_) return -1;
  if (u < 256) return low_byte_[u];
  auto at =
      std::lower_bound(high_bytes_.begin(), high_bytes_.end(), std::make_pair(u, std::uint8_t{0}));
  return at != high_bytes_.end() && at->first == u ? at->second : -1;
}

std::u16string CodePage::DecodeUtf16(std::string_view bytes) const {
  if (single_byte_) {
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
      out[i] = to_unit_[static_cast<unsigned char>(bytes[i])];
    return out;
  }
  if (utf8_) return Utf8ToUtf16(bytes);
  if (bytes.empty()) return {};
  return ConverterDecode(bytes);
}

std::string CodePage::Decode(std::string_view bytes) const {
  if (single_byte_) {
    bool ascii = true;
    for (char c : bytes) {
      if (static_cast<unsigned char>(c) >= 0x80 ||
          to_unit_[static_cast<unsigned char>(c)] != static_cast<unsigned char>(c)) {
        ascii = false;
        break;
      }
    }
    if (ascii) return std::string(bytes);
  }
  return Utf16ToUtf8(DecodeUtf16(bytes));
}

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

bool CodePage::ReadsAsItself(std::string_view ascii) const {
  return std::all_of(ascii.begin(), ascii.end(), [this](char c) {
    return to_unit_[static_cast<unsigned char>(c)] == static_cast<char16_t>(c);
  });
}

std::string CodePage::EncodeSingleByte(const std::u16string& units, bool* lossy) const {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    int b = Byte(u);
    if (b < 0) {
      if (lossy) *lossy = true;
      // A surrogate pair is one character and gets one replacement.
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        ++i;
      }
      b = '?';
    }
    out.push_back(static_cast<char>(b));
  }
  return out;
}

std::string CodePage::Encode(std::string_view utf8, bool* lossy) const {
  if (lossy) *lossy = false;
  if (single_byte_ && IsAscii(utf8) && ReadsAsItself(utf8)) return std::string(utf8);
  if (utf8_) {
    if (IsValidUtf8(utf8)) return std::string(utf8);
    // Each ill-formed piece becomes U+FFFD.
    if (lossy) *lossy = true;
    return Utf16ToUtf8(Utf8ToUtf16(utf8));
  }
  std::u16string units = Utf8ToUtf16(utf8);
  if (single_byte_) return EncodeSingleByte(units, lossy);
  if (units.empty()) return {};
  std::string out = ConverterEncode(units);
  if (lossy && Utf16ToUtf8(DecodeUtf16(out)) != utf8) *lossy = true;
  return out;
}

char32_t CodePage::FirstMissing(std::string_view utf8) const {
  // Names are mostly ASCII that the page reads as itself: one pass settles them.
  if (single_byte_ && std::all_of(utf8.begin(), utf8.end(), [this](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x80 && to_unit_[b] == b;
      })) {
    return 0;
  }
  bool lossy = false;
  Encode(utf8, &lossy);
  if (!lossy) return 0;
  // Character by character, up to the first that is lost.
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    const std::int32_t c = NextUtf8(utf8, &i);
    Encode(utf8.substr(start, i - start), &lossy);
    if (lossy) return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
  }
  return 0;
}

const CodePage* CodePage::Named(std::string_view name, std::string* error) {
  static std::mutex mutex;
  static std::vector<std::unique_ptr<CodePage>> pages;
  std::lock_guard<std::mutex> lock(mutex);
  for (const std::unique_ptr<CodePage>& page : pages) {
    if (page->name() == name) return page.get();
  }
  std::unique_ptr<CodePage> page = Open(name, error);
  if (!page) return nullptr;
  pages.push_back(std::move(page));
  return pages.back().get();
}

const CodePage& SystemCodePage() {
  static const CodePage& page = *CodePage::Named("windows-1252", nullptr);
  return page;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (NextUtf8(bytes, &i) < 0) return false;
  }
  return true;
}

std::string FileNameText(std::string_view on_disk) {
  if (IsValidUtf8(on_disk)) return std::string(on_disk);
  static const std::unique_ptr<CodePage> windows_1252 = CodePage::Open("windows-1252", nullptr);
  return windows_1252->Decode(on_disk);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x80) {
      out.push_back(byte);
      ++i;
      continue;
    }
    const std::int32_t c = NextUtf8(utf8, &i);
    if (c < 0) {
      out.push_back(u'\uFFFD');
    } else if (c < 0x10000) {
      out.push_back(static_cast<char16_t>(c));
    } else {
      out.push_back(static_cast<char16_t>(0xD7C0 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    if (c >= 0xD800 && c <= 0xDFFF) {
      if (c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;  // an unpaired surrogate
      }
    }
    AppendUtf8(c, &out);
  }
  return out;
}

}  // namespace vkt::text
