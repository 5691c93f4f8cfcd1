#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "text/text_measure.h"

namespace vkt::text {
namespace {

using vkt::testing::FakeDesktop;

TEST(StripMnemonics, KeepsTheDrawnCharacters) {
  // A final "&" is taken as it is; CR LF and CR CR LF vanish, a lone LF or CR
  // stays; after a triple the pass does not look for another.
  const std::pair<std::string, std::string> cases[] = {{"&File", "File"},
                                                       {"Save && Exit", "Save & Exit"},
                                                       {"A&", "A&"},
                                                       {"a\r\nb", "ab"},
                                                       {"a\r\r\nb", "ab"},
                                                       {"a\nb", "a\nb"},
                                                       {"a\rb", "a\rb"},
                                                       {"&\xC3\xA9t", "\xC3\xA9t"},
                                                       {"\r\r\n\r\r\n", "\r"},
                                                       {"", ""},
                                                       {"&", "&"},
                                                       {"x&&", "x&"}};
  for (const auto& [text, drawn] : cases) EXPECT_EQ(StripMnemonics(text), drawn) << text;
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
