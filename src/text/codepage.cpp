#include "text/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace vkt::text {

struct CodePage::Icu {
  UConverter* converter = nullptr;
  ~Icu() {
    if (converter) ucnv_close(converter);
  }
};

CodePage::~CodePage() = default;

namespace {

bool IsWindows1252(std::string_view name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == "windows-1252" || lower == "cp1252" || lower == "ibm-5348_p100-1997";
}

}  // namespace

std::unique_ptr<CodePage> CodePage::Open(std::string_view name, std::string* error) {
  std::unique_ptr<CodePage> page(new CodePage());
  page->name_ = std::string(name);
  page->icu_ = std::make_unique<Icu>();
  UErrorCode status = U_ZERO_ERROR;
  page->icu_->converter = ucnv_open(page->name_.c_str(), &status);
  if (U_FAILURE(status) || !page->icu_->converter) {
    if (error) *error = "Unknown code page: " + page->name_;
    return nullptr;
  }
  UConverter* cnv = page->icu_->converter;
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(cnv, "?", 1, &status);
  page->single_byte_ = ucnv_getMaxCharSize(cnv) == 1;
  if (!page->single_byte_) return page;

  page->low_byte_.fill(-1);
  const bool windows_1252 = IsWindows1252(name);
  // One probe converter that stops at unassigned bytes; each call resets it.
  status = U_ZERO_ERROR;
  UConverter* probe = ucnv_clone(cnv, &status);
  if (U_FAILURE(status) || !probe) {
    if (error) *error = "Unknown code page: " + page->name_;
    return nullptr;
  }
  status = U_ZERO_ERROR;
  ucnv_setToUCallBack(probe, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    UChar unit = 0xFFFD;
    UChar out[4];
    status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(probe, out, 4, &byte, 1, &status);
    if (U_SUCCESS(status) && n == 1) unit = out[0];
    // Windows maps the bytes that Windows-1252 leaves unassigned to the C1
    // controls of the same value; ICU does not.
    if (windows_1252 && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D)) {
      unit = static_cast<UChar>(b);
    }
    page->to_unit_[b] = unit;
    if (unit != 0xFFFD && page->Byte(unit) < 0) {
      if (unit < 256) {
        page->low_byte_[unit] = static_cast<std::int16_t>(b);
      } else {
        auto& high = page->high_bytes_;
        auto at = std::lower_bound(high.begin(), high.end(), std::make_pair(unit, std::uint8_t{0}));
        high.insert(at, {unit, static_cast<std::uint8_t>(b)});
      }
    }
  }
  ucnv_close(probe);
  return page;
}

int CodePage::Byte(char16_t u) const {
  if (!single_byte_) return -1;
  if (u < 256) return low_byte_[u];
  auto at =
      std::lower_bound(high_bytes_.begin(), high_bytes_.end(), std::make_pair(u, std::uint8_t{0}));
  return at != high_bytes_.end() && at->first == u ? at->second : -1;
}

std::u16string CodePage::DecodeUtf16(std::string_view bytes) const {
  std::u16string out;
  if (single_byte_) {
    out.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
      out[i] = to_unit_[static_cast<unsigned char>(bytes[i])];
    return out;
  }
  if (bytes.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_clone(icu_->converter, &status);
  out.resize(bytes.size() * 2 + 4);
  status = U_ZERO_ERROR;
  int32_t n =
      ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  ucnv_close(cnv);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
  return out;
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

std::string CodePage::Encode(std::string_view utf8, bool* lossy) const {
  if (lossy) *lossy = false;
  bool ascii = true;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (single_byte_ && ascii) {
    bool identity = true;
    for (char c : utf8) {
      if (to_unit_[static_cast<unsigned char>(c)] != static_cast<char16_t>(c)) identity = false;
    }
    if (identity) return std::string(utf8);
  }
  std::u16string units = Utf8ToUtf16(utf8);
  std::string out;
  if (single_byte_) {
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
  if (units.empty()) return out;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_clone(icu_->converter, &status);
  out.resize(units.size() * 4 + 8);
  status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(units.data()),
                              static_cast<int32_t>(units.size()), &status);
  ucnv_close(cnv);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
  if (lossy && Utf16ToUtf8(DecodeUtf16(out)) != utf8) *lossy = true;
  return out;
}

namespace {

std::mutex& PageMutex() {
  static std::mutex m;
  return m;
}

std::unique_ptr<CodePage>& CurrentPage() {
  static std::unique_ptr<CodePage> page = CodePage::Open("windows-1252", nullptr);
  return page;
}

}  // namespace

const CodePage& SystemCodePage() {
  std::lock_guard<std::mutex> lock(PageMutex());
  return *CurrentPage();
}

bool SetSystemCodePage(std::string_view name, std::string* error) {
  std::lock_guard<std::mutex> lock(PageMutex());
  // The old page stays alive: callers may still hold a reference to it. A
  // page switched to before (by the same name) is taken back from there, so
  // switching to and fro neither opens it again nor keeps one more page
  // alive for every switch.
  static std::vector<std::unique_ptr<CodePage>> retired;
  if (CurrentPage()->name() == name) return true;
  for (auto& old : retired) {
    if (old->name() == name) {
      std::swap(old, CurrentPage());
      return true;
    }
  }
  auto page = CodePage::Open(name, error);
  if (!page) return false;
  retired.push_back(std::move(CurrentPage()));
  CurrentPage() = std::move(page);
  return true;
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  std::int32_t i = 0;
  while (i < length) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    UChar32 c = 0;
    U8_NEXT(s, i, length, c);
    if (c < 0) return false;
  }
  return true;
}

std::string FileNameText(std::string_view on_disk) {
  if (IsValidUtf8(on_disk)) return std::string(on_disk);
  static const std::unique_ptr<CodePage> windows_1252 = CodePage::Open("windows-1252", nullptr);
  return windows_1252->Decode(on_disk);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  icu::UnicodeString s = icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()),
                        static_cast<size_t>(s.length()));
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  icu::UnicodeString s(false, reinterpret_cast<const UChar*>(utf16.data()),
                       static_cast<int32_t>(utf16.size()));
  std::string out;
  s.toUTF8String(out);
  return out;
}

}  // namespace vkt::text
