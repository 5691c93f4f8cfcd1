// What the code-page files share with each other and with their tests:
// codepage.cpp, the build's converter (codepage_icu.cpp or
// codepage_win32.cpp) and the table of names (codepage_names.cpp).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vkt::text::internal {

// Gives the five bytes that Windows-1252 leaves unassigned (0x81 0x8D 0x8F 0x90
// 0x9D) the C1 controls of the same value, as Windows maps them, whatever the
// converter answered for them.
void MapWindows1252UnassignedBytes(std::array<char16_t, 256>* units);

// A code-page name as ICU compares converter names: ASCII letters lower-cased,
// everything but letters and digits dropped, and a "0" dropped where it leads a
// number ("ISO_8859-01" and "iso885901"... give "iso88591").
std::string CodePageNameKey(std::string_view name);

// One name of a code page and the Windows code page it stands for. The names
// of one code page are exactly ICU's aliases of one converter, its canonical
// name first, so that both builds know the same names for it.
struct CodePageName {
  const char* name;
  std::uint32_t windows;
};

// Every name the Windows build knows, grouped by code page.
std::span<const CodePageName> KnownCodePageNames();

// The Windows code page that `name` stands for (compared by CodePageNameKey),
// or 0 when the name is not in KnownCodePageNames().
std::uint32_t WindowsCodePageNumber(std::string_view name);

}  // namespace vkt::text::internal
