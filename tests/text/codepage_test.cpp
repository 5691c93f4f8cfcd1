#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/codepage_internal.h"

namespace vkt::text {
namespace {

// Open gives a page of its own; a page of a name is Named once: every holder
// shares it, and what one took earlier stays valid whatever is opened later.
TEST(CodePage, OpensConvertersByNameAndSharesNamedPages) {
  std::string error;
  auto utf8 = CodePage::Open("UTF-8", &error);
  ASSERT_TRUE(utf8);
  EXPECT_FALSE(utf8->single_byte());
  EXPECT_EQ(utf8->Decode("a\xC3\xA7"), "a\xC3\xA7");
  EXPECT_FALSE(CodePage::Open("no-such-page", &error));
  EXPECT_EQ(error, "Unknown code page: no-such-page");
  const CodePage* named_utf8 = CodePage::Named("UTF-8", nullptr);
  const CodePage* windows_1252 = CodePage::Named("windows-1252", nullptr);
  ASSERT_TRUE(named_utf8 && windows_1252);
  EXPECT_NE(named_utf8, windows_1252);
  EXPECT_EQ(CodePage::Named("UTF-8", nullptr), named_utf8);
  EXPECT_EQ(CodePage::Named("windows-1252", nullptr), windows_1252);
  EXPECT_EQ(named_utf8->Decode("\xC3\xA9"), "\xC3\xA9");
  EXPECT_EQ(windows_1252->Decode("\xE9"), "\xC3\xA9");
  std::string named_error;
  EXPECT_EQ(CodePage::Named("no-such-page", &named_error), nullptr);
  EXPECT_EQ(named_error, "Unknown code page: no-such-page");
  // Only Windows-1252 (under every name, see below) gives its unassigned
  // bytes the C1 controls; other single-byte pages keep their own characters.
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0x81), u'\u0403');
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0xC0), u'\u0410');
}

// The program gives these five bytes their C1 controls itself, whatever the
// converter of the build answered for them; under each of its names, and as
// the system's page, every byte of Windows-1252 round-trips.
TEST(CodePage, GivesWindows1252sUnassignedBytesTheirControlsWhateverTheSystemSays) {
  std::array<char16_t, 256> units;
  units.fill(u'\uFFFD');
  internal::MapWindows1252UnassignedBytes(&units);
  for (int b = 0; b < 256; ++b) {
    const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    EXPECT_EQ(units[b], unassigned ? char16_t(b) : u'\uFFFD') << b;
  }
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(&SystemCodePage(), CodePage::Named("windows-1252", nullptr));
  for (const internal::CodePageName& n : internal::KnownCodePageNames()) {
    if (n.windows != 1252) continue;
    auto page = CodePage::Open(n.name, nullptr);
    ASSERT_TRUE(page && page->single_byte()) << n.name;
    EXPECT_EQ(page->DecodeUtf16("\x80\x81\x8D\x8F\x90\x9D\xFF"),
              u"\u20AC\u0081\u008D\u008F\u0090\u009D\u00FF");
    EXPECT_EQ(page->Encode("\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"), "\x81\x8D\x8F\x90\x9D");
    bool lossy = true;
    EXPECT_EQ(page->Encode(page->Decode(all), &lossy), all) << n.name;
    EXPECT_FALSE(lossy) << n.name;
  }
}

TEST(CodePage, OpensEveryNameOfTheTable) {
  for (const internal::CodePageName& n : internal::KnownCodePageNames()) {
    std::string error;
    auto page = CodePage::Open(n.name, &error);
    EXPECT_TRUE(page) << n.name << ": " << error;
    if (!page) continue;
    EXPECT_EQ(page->name(), n.name);
    // Every page of the table writes ASCII as ASCII (the program needs that).
    EXPECT_EQ(page->Encode("[GERAL] a=Z;09\\/.-_"), "[GERAL] a=Z;09\\/.-_") << n.name;
  }
}

// Pages whose characters both builds agree on, each read and written back;
// and no look-alikes: a character a page lacks is "?", one per character,
// also where the system has a best fit for it (Windows writes "A" for "Ā" in
// Windows-1252, "c" for "ç" in Shift-JIS).
TEST(CodePage, ConvertsWhatAPageHasAndWritesAQuestionMarkForWhatItLacks) {
  const struct {
    const char* name;
    std::string bytes;
    std::u16string text;
    bool lossy = false;
    char32_t first_missing = 0;  // FirstMissing of the text
  } cases[] = {
      {"windows-1250", "\xA5\xB9\x8A", u"\u0104\u0105\u0160"},
      {"windows-1251", "\xC0\xFF\xB8", u"\u0410\u044F\u0451"},
      {"windows-874", "\xA1\xDF", u"\u0E01\u0E3F"},
      {"ISO-8859-15", "\xA4\xBC", u"\u20AC\u0152"},
      {"ISO-8859-1", "\x80\xE9\xFF", u"\u0080\u00E9\u00FF"},
      {"IBM850", "\x80\x87\xC6", u"\u00C7\u00E7\u00E3"},
      {"cp437", "\x80\xB0", u"\u00C7\u2591"},
      {"KOI8-R", "\xC1\xE1", u"\u0430\u0410"},
      {"macintosh", "\x80\x8E", u"\u00C4\u00E9"},
      {"Shift_JIS", "a\x82\xA0\x88\x9F", u"a\u3042\u4E9C"},
      {"GBK", "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
      {"windows-949", "\xB0\xA1", u"\uAC00"},
      {"Big5", "\xA4\x40", u"\u4E00"},
      {"windows-1252", "?x?", u"\u0100x\u221E", true, U'\u0100'},
      {"windows-1252", "a\x80??z", u"a\u20AC\u4E2D\U0001F600z", true, U'\u4E2D'},
      // One mark for a character outside the first plane, up to the last one.
      {"windows-1252", "??", u"\U00010000\U0010FFFF", true, U'\U00010000'},
      {"windows-1252", "?x", u"\uFFFDx", true, U'\uFFFD'},  // one mark, and nothing more goes
      {"windows-1250", "?", u"\u00E3", true, U'\u00E3'},
      {"ISO-8859-1", "?", u"\u20AC", true, U'\u20AC'},
      {"Shift_JIS", "??", u"\u00E7\u0E01", true, U'\u00E7'},
      {"Shift_JIS", "a?z?", u"a\U0001F600z\U00010000", true, U'\U0001F600'},
      {"GBK", "?", u"\u0E01", true, U'\u0E01'},
  };
  for (const auto& c : cases) {
    auto page = CodePage::Open(c.name, nullptr);
    ASSERT_TRUE(page) << c.name;
    if (!c.lossy) {
      EXPECT_EQ(page->DecodeUtf16(c.bytes), c.text) << c.name;
    }
    bool lossy = !c.lossy;
    EXPECT_EQ(page->Encode(Utf16ToUtf8(c.text), &lossy), c.bytes) << c.name << " " << c.bytes;
    EXPECT_EQ(lossy, c.lossy) << c.name << " " << c.bytes;
    EXPECT_EQ(page->FirstMissing(Utf16ToUtf8(c.text)), c.first_missing) << c.name << " " << c.bytes;
  }
}

// Ill-formed UTF-8 reads alike on both builds: one U+FFFD for each byte that
// cannot start a character and for each start of one that breaks off.
TEST(CodePage, ReadsIllFormedUtf8AsIcuDoes) {
  auto page = CodePage::Open("UTF-8", nullptr);
  ASSERT_TRUE(page);
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"a\xE2\x82z", u"a\uFFFDz"},                        // a broken-off character
      {"\xF0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},            // overlong: no valid start
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong "/"
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // a surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xF0\x9F\x98", u"\uFFFD"},
      {"\xE2\x82\xE2\x82\xAC", u"\uFFFD\u20AC"},  // the error ends where € begins
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(page->DecodeUtf16(c.bytes), c.text) << testing::PrintToString(c.bytes);
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << testing::PrintToString(c.bytes);
    bool lossy = false;
    EXPECT_EQ(page->Encode(c.bytes, &lossy), Utf16ToUtf8(c.text));
    EXPECT_EQ(lossy, IsValidUtf8(c.bytes) ? false : true);
  }
}

}  // namespace
}  // namespace vkt::text
