#include "win/wide_text.h"

#include "text/codepage.h"

namespace vkt::win {

// wchar_t is a UTF-16 unit on Windows.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring Wide(std::string_view utf8) {
  const std::u16string utf16 = text::Utf8ToUtf16(utf8);
  return {utf16.begin(), utf16.end()};
}

std::string Utf8(std::wstring_view wide) {
  return text::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

std::wstring WithCrLf(std::string_view utf8) {
  const std::wstring wide = Wide(utf8);
  std::wstring out;
  out.reserve(wide.size() + wide.size() / 8);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    if (wide[i] == L'\r' || wide[i] == L'\n') {
      out += L"\r\n";
      if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
    } else {
      out.push_back(wide[i]);
    }
  }
  return out;
}

}  // namespace vkt::win
