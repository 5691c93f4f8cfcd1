// The code pages of the Windows build: the system's own, named as on Linux
// (codepage_names.cpp). Best-fit characters are never used: a character the
// page lacks becomes "?".
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "text/codepage.h"
#include "text/codepage_internal.h"

namespace vkt::text {

struct CodePage::Converter {
  UINT number = 0;
};

CodePage::CodePage() = default;
CodePage::~CodePage() = default;

bool CodePage::OpenConverter() {
  const UINT number = internal::WindowsCodePageNumber(name_);
  if (number == 0 || !IsValidCodePage(number)) return false;
  converter_ = std::make_unique<Converter>();
  converter_->number = number;
  windows_1252_ = number == 1252;
  utf8_ = number == CP_UTF8;
  if (utf8_) return true;
  CPINFO info;
  if (!GetCPInfo(number, &info)) return false;
  single_byte_ = info.MaxCharSize == 1;
  if (!single_byte_) return true;
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    wchar_t unit = 0;
    const int n = MultiByteToWideChar(number, 0, &byte, 1, &unit, 1);
    to_unit_[b] = n == 1 ? static_cast<char16_t>(unit) : u'\uFFFD';
  }
  return true;
}

std::u16string CodePage::ConverterDecode(std::string_view bytes) const {
  std::u16string out;
  const int size = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(converter_->number, 0, bytes.data(), size, nullptr, 0);
  if (n <= 0) return out;
  out.resize(static_cast<size_t>(n));
  const int written = MultiByteToWideChar(converter_->number, 0, bytes.data(), size,
                                          reinterpret_cast<wchar_t*>(out.data()), n);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

namespace {

bool IsSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }

// Appends `units` (no surrogates) in code page `number`.
void AppendEncoded(UINT number, std::u16string_view units, std::string* out) {
  if (units.empty()) return;
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int size = static_cast<int>(units.size());
  const int n =
      WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0, "?", nullptr);
  if (n <= 0) return;
  const size_t at = out->size();
  out->resize(at + static_cast<size_t>(n));
  const int written = WideCharToMultiByte(number, WC_NO_BEST_FIT_CHARS, wide, size,
                                          out->data() + at, n, "?", nullptr);
  out->resize(at + (written > 0 ? static_cast<size_t>(written) : 0));
}

}  // namespace

std::string CodePage::ConverterEncode(std::u16string_view units) const {
  // None of the multi-byte pages of codepage_names.cpp but UTF-8 (converted
  // elsewhere) has a character beyond U+FFFF. Such a character is one "?", as
  // on Linux; Wine writes one per surrogate.
  std::string out;
  size_t start = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    if (!IsSurrogate(units[i])) continue;
    AppendEncoded(converter_->number, units.substr(start, i - start), &out);
    out.push_back('?');
    if (units[i] <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      ++i;
    }
    start = i + 1;
  }
  AppendEncoded(converter_->number, units.substr(start), &out);
  return out;
}

}  // namespace vkt::text
