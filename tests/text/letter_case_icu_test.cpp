// The generated letter-case table against the ICU of this build, over every
// code point: a table left behind after an ICU update fails here (regenerate
// with `cmake --build build --target letter_case_table`). Linux build only.
#include <unicode/uchar.h>
#include <unicode/uversion.h>

#include <gtest/gtest.h>

#include "text/letter_case.h"

namespace vkt::text {
namespace {

TEST(LetterCaseTable, AgreesWithIcuOnEveryCodePoint) {
  int differences = 0;
  for (UChar32 c = 0; c <= 0x10FFFF && differences < 10; ++c) {
    const auto code_point = static_cast<char32_t>(c);
    if (UpperCaseCodePoint(code_point) != static_cast<char32_t>(u_toupper(c))) {
      ADD_FAILURE() << "upper case of U+" << std::hex << c << " (ICU " << U_ICU_VERSION << ")";
      ++differences;
    }
    if (LowerCaseCodePoint(code_point) != static_cast<char32_t>(u_tolower(c))) {
      ADD_FAILURE() << "lower case of U+" << std::hex << c << " (ICU " << U_ICU_VERSION << ")";
      ++differences;
    }
  }
}

}  // namespace
}  // namespace vkt::text
