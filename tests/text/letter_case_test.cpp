#include "text/letter_case.h"

#include <gtest/gtest.h>

#include <string>

namespace vkt::text {
namespace {

TEST(LetterCase, UsesSimpleCaseMapping) {
  EXPECT_EQ(UpperCase("Tabelas ção"), "TABELAS ÇÃO");
  EXPECT_EQ(UpperCase("straße"), "STRAßE");  // simple mapping keeps ß
  EXPECT_EQ(LowerCase("ÀB.INI"), "àb.ini");
  EXPECT_TRUE(EqualsIgnoreCase("Views", "VIEWS"));
}

// Both builds read the same generated table, which the Linux build checks
// against ICU on every code point; these pin a few of its rows wherever the
// test runs, and what lies beyond the last code point.
TEST(LetterCase, MapsCodePointsOfEveryPlaneFromTheTable) {
  const struct {
    char32_t c, upper, lower;
  } cases[] = {
      {U'a', U'A', U'a'},
      {U'\u00FF', U'\u0178', U'\u00FF'},              // ÿ: its capital lies in another block
      {U'\u0131', U'I', U'\u0131'},                   // dotless i upper-cases to ASCII
      {U'\U00010428', U'\U00010400', U'\U00010428'},  // Deseret, beyond the first plane
      {char32_t{0x110000}, char32_t{0x110000}, char32_t{0x110000}},  // not a code point
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UpperCaseCodePoint(c.c), c.upper) << std::hex << static_cast<int>(c.c);
    EXPECT_EQ(LowerCaseCodePoint(c.c), c.lower) << std::hex << static_cast<int>(c.c);
  }
}

TEST(LetterCase, KeepsBytesThatAreNotUtf8AndChangesLengthWhereTheMappingDoes) {
  EXPECT_EQ(UpperCase("a\xE9z\xC3"), "A\xE9Z\xC3");
  EXPECT_EQ(UpperCase("\xED\xA0\x80x"), "\xED\xA0\x80X");  // an encoded surrogate
  EXPECT_EQ(UpperCase("\xE0\x80\xE1\x80\x80\xE3\xA0\x80"), "\xE0\x80\xE1\x80\x80\xE3\xA0\x80");
  EXPECT_EQ(UpperCase("\xC4\xB1nd"), "IND");         // 2 bytes become 1
  EXPECT_EQ(LowerCase("\xE2\x84\xAA"), "k");         // 3 bytes become 1
  EXPECT_EQ(UpperCase("\xC9\xAA"), "\xEA\x9E\xAE");  // 2 bytes become 3
}

}  // namespace
}  // namespace vkt::text
