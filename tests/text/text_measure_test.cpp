#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "text/text_measure.h"

namespace vkt::text {
namespace {

using vkt::testing::FakeDesktop;

TEST(StripMnemonics, KeepsTheDrawnCharacters) {
  struct Case {
    std::string text;
    std::string drawn;
  };
  const Case cases[] = {
      {"&File", "File"},
      {"Save && Exit", "Save & Exit"},
      {"A&", "A&"},                                 // a final ampersand is taken as it is
      {"a\r\nb", "ab"},                             // CR LF vanishes
      {"a\r\r\nb", "ab"},                           // so does CR CR LF
      {"a\nb", "a\nb"},                             // a lone LF stays
      {"a\rb", "a\rb"},                             // a lone CR stays
      {"&\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},  // "&" before a multi-byte character
      {"\r\r\n\r\r\n", "\r"},  // after a triple the pass does not look for another
      {"", ""},
      {"&", "&"},
      {"x&&", "x&"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripMnemonics(c.text), c.drawn) << c.text;
}

TEST(GetTextSize, MeasuresOnTheDesktopDevice) {
  FakeDesktop desktop;
  Extent size{-1, -1};
  GetTextSize(0, "abc", &size, false);
  EXPECT_EQ(size, (Extent{30, 16}));
  GetTextSize(0, "", &size, false);
  EXPECT_EQ(size, (Extent{0, 16}));
  EXPECT_TRUE(TextApiReady());
  EXPECT_TRUE(UseWideText());
}

TEST(GetTextSize, CountsCharactersNotBytes) {
  FakeDesktop desktop;
  Extent size;
  GetTextSize(0, "\xC3\xA7\xC3\xA3o", &size, false);  // "ção"
  EXPECT_EQ(size.cx, 30);
}

TEST(GetTextSize, MnemonicsDecideWhetherAmpersandsCount) {
  FakeDesktop desktop;
  Extent size;
  GetTextSize(0, "&Open", &size, false);
  EXPECT_EQ(size.cx, 50);
  GetTextSize(0, "&Open", &size, true);
  EXPECT_EQ(size.cx, 40);
  GetTextSize(0, "a\r\nb", &size, true);
  EXPECT_EQ(size.cx, 20);
}

TEST(GetTextSize, ADeviceThatCannotMeasureGivesNothing) {
  FakeDesktop desktop;
  desktop.bad_devices = {7};
  Extent size{99, 99};
  GetTextSize(7, "abc", &size, false);
  EXPECT_EQ(size, (Extent{0, 0}));
}

TEST(GetTextSize, WithoutADesktopEveryTextIsEmpty) {
  Extent size{99, 99};
  GetTextSize(0, "abc", &size, false);
  EXPECT_EQ(size, (Extent{0, 0}));
}

TEST(GetTextSize, ANegativeWidthIsStoredAsZero) {
  FakeDesktop desktop;
  desktop.char_width = -3;
  Extent size;
  GetTextSize(0, "abc", &size, false);
  EXPECT_EQ(size, (Extent{0, 16}));
}

TEST(GetLinesSize, TakesTheWidestLineAndSumsTheHeights) {
  FakeDesktop desktop;
  desktop.char_width = 5;
  Extent size;
  GetLinesSize(0, {"abcdefgh", "abcdefghijk", ""}, &size, false);
  EXPECT_EQ(size, (Extent{55, 48}));
  GetLinesSize(0, {"&&&&", "ab"}, &size, true);
  EXPECT_EQ(size, (Extent{10, 32}));
}

TEST(GetLinesSize, NoLinesGiveAnEmptyExtent) {
  FakeDesktop desktop;
  Extent size{5, 5};
  GetLinesSize(0, {}, &size, false);
  EXPECT_EQ(size, (Extent{0, 0}));
}

}  // namespace
}  // namespace vkt::text
