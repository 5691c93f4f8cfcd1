// Text from disk (file names above all) shown on one line: the characters
// that would break the line or change how it reads are shown as escapes, so
// that a name cannot forge a line of its own ("X\nFILE99=...") nor hide or
// reorder what follows it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vkt::text {

// The escape of the code point `c`: "\t", "\r" and "\n" for tab, CR and LF,
// "\xHH" for the other C0 controls and DEL, "\uHHHH" for C1 controls, line
// and paragraph separators and the marks that reorder text (U+200E, U+200F,
// U+202A-U+202E, U+2066-U+2069); "" for every other character, which is
// shown as it is.
std::string ControlEscape(std::int32_t c);

// True when `text` holds a character that ControlEscape escapes.
bool HasControls(std::string_view text);

// `text` with each character that ControlEscape escapes replaced by its
// escape; everything else, bytes that are not UTF-8 included, as it is.
std::string EscapeControls(std::string_view text);

// `value` in upper-case hexadecimal, at least `digits` digits ("0A", "00E9").
std::string UpperHex(unsigned value, int digits);

// The code point `c` as Unicode names it: "U+00E9", "U+1F600".
std::string CodePointText(char32_t c);

}  // namespace vkt::text
