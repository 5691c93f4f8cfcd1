// Letter case as the program compares names: Unicode simple case mapping, one
// code point at a time, on UTF-8 text. ASCII text takes a fast path. The
// mapping is a table generated from ICU (letter_case_table.inc, written by
// tools/letter_case_table_gen.cpp), so every build, with ICU or without,
// compares names alike.
#pragma once

#include <string>
#include <string_view>

namespace vkt::text {

// `utf8` with each character mapped; bytes that are not UTF-8 stay as they are.
std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);
// True when both texts are equal after UpperCase.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// The simple upper- or lower-case mapping of code point `c`; `c` itself when
// it has none (also for values that are not code points).
char32_t UpperCaseCodePoint(char32_t c);
char32_t LowerCaseCodePoint(char32_t c);

}  // namespace vkt::text
