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

TEST(InitTextApi, MakesTheApiReadyForUnicodeText) {
  InitTextApi();
  EXPECT_TRUE(TextApiReady());
  EXPECT_TRUE(UseWideText());
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

}  // namespace
}  // namespace vkt::text
