// UTF-8 inside the program, UTF-16 at the Win32 calls of the window.
#pragma once

#include <string>
#include <string_view>

namespace vkt::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// `text` with every line break (CR LF, a lone CR or a lone LF) written as CR
// LF, the one line break of edit controls and message boxes.
std::wstring WithCrLf(std::string_view utf8);

}  // namespace vkt::win
