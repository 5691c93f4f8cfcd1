// Letter case as the program compares names: Unicode simple case mapping (ICU),
// one code point at a time, on UTF-8 text. ASCII text takes a fast path.
#pragma once

#include <string>
#include <string_view>

namespace vkt::text {

std::string UpperCase(std::string_view utf8);
std::string LowerCase(std::string_view utf8);
// True when both texts are equal after UpperCase.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vkt::text
