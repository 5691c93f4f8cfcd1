#include <gtest/gtest.h>

#include <string>

#include "text/codepage.h"

namespace vkt::text {
namespace {

TEST(CodePage, EveryWindows1252ByteRoundTrips) {
  const CodePage& page = SystemCodePage();
  ASSERT_TRUE(page.single_byte());
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string utf8 = page.Decode(all);
  bool lossy = true;
  EXPECT_EQ(page.Encode(utf8, &lossy), all);
  EXPECT_FALSE(lossy);
  EXPECT_EQ((std::u16string{page.Unit(0x80), page.Unit(0x81), page.Unit(0x9D), page.Unit(0xFF)}),
            u"\u20AC\u0081\u009D\u00FF");
}

TEST(CodePage, UnmappableCharactersBecomeAQuestionMark) {
  bool lossy = false;
  EXPECT_EQ(SystemCodePage().Encode("a\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80z", &lossy),
            "a\x80??z");
  // One mark for a character outside the first plane, up to the last one.
  EXPECT_EQ(SystemCodePage().Encode("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), "??");
  EXPECT_TRUE(lossy);
}

TEST(CodePage, OpensOtherConvertersByName) {
  std::string error;
  auto utf8 = CodePage::Open("UTF-8", &error);
  ASSERT_TRUE(utf8);
  EXPECT_FALSE(utf8->single_byte());
  EXPECT_EQ(utf8->Decode("a\xC3\xA7"), "a\xC3\xA7");
  EXPECT_FALSE(CodePage::Open("no-such-page", &error));
  EXPECT_EQ(error, "Unknown code page: no-such-page");
  // Only Windows-1252, under any of its names, gives its unassigned bytes the
  // C1 controls; other single-byte pages keep their own characters.
  EXPECT_EQ(CodePage::Open("CP1252", nullptr)->Unit(0x81), u'\u0081');
  EXPECT_EQ(CodePage::Open("ibm-5348_P100-1997", nullptr)->Unit(0x8D), u'\u008D');
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0x81), u'\u0403');
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0xC0), u'\u0410');
}

// A tool that switches pages back and forth must not keep a new page alive
// for every switch; references taken earlier stay valid all the same.
TEST(CodePage, SwitchingBackTakesTheEarlierPageAgain) {
  const CodePage* pages[2] = {};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(SetSystemCodePage(i % 2 ? "UTF-8" : "windows-1252", nullptr));
    if (i < 2) pages[i] = &SystemCodePage();
    EXPECT_EQ(&SystemCodePage(), pages[i % 2]);
  }
  EXPECT_NE(pages[0], pages[1]);
  EXPECT_EQ(pages[0]->Decode("\xE9"), "\xC3\xA9");
  EXPECT_EQ(pages[1]->Decode("\xC3\xA9"), "\xC3\xA9");
  ASSERT_TRUE(SetSystemCodePage("windows-1252", nullptr));
}

}  // namespace
}  // namespace vkt::text
