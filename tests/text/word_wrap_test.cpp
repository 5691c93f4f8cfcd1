#include "text/word_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "text/text_measure.h"

namespace vkt::text {
namespace {

using Lines = std::vector<std::string>;
using vkt::testing::FakeDesktop;
using namespace std::string_literals;

TEST(NextToken, StopsAtTheFirstDelimiterOrHardBreak) {
  const struct {
    std::string text;
    std::int32_t start;
    std::string token, delimiter;
    std::int32_t next;
  } cases[] = {
      {"ab\r\ncd", 1, "ab", "\r\n", 5},
      {"ab\r\ncd", 5, "cd", "", -1},
      {"well-known", 0, "well", "-", 6},  // 0 is taken as 1
      {"well-known", 6, "known", "", -1},
      {"abc ", 1, "abc", " ", -1},  // the delimiter is the last character
      {" abc", 1, "", " ", 2},      // a delimiter at the start: empty token
      {"a%b\\c", 1, "a", "%", 3},
      {"a%b\\c", 3, "b", "\\", 5},
      {"x_y z", 1, "x", "_", 3},      // the earliest delimiter wins, not the first of the set
      {"a\rb c", 1, "a\rb", " ", 5},  // a lone CR is no break
      {"abc", 9, "", "", -1},
  };
  for (const auto& c : cases) {
    std::string token = "unset", delimiter = "unset";
    EXPECT_EQ(NextToken(c.text, c.start, &token, &delimiter, "", kHardBreak), c.next) << c.text;
    EXPECT_EQ(token, c.token) << c.text << " from " << c.start;
    EXPECT_EQ(delimiter, c.delimiter) << c.text << " from " << c.start;
  }
  // A break that starts where a delimiter of the set stands does not win: it
  // must lie before it.
  std::string token, delimiter;
  EXPECT_EQ(NextToken("ab\r\ncd", 1, &token, &delimiter, "\r", kHardBreak), 4);
  EXPECT_EQ(delimiter, "\r");
}

// One character of the set, counted as UTF-8 sequences by their lead bytes.
TEST(IsCharInSet, TakesOneWholeCharacter) {
  const struct {
    std::string character, set;
    bool in;
  } cases[] = {
      {"\xC3\xA9", "a\xC3\xA9", true},
      {"\xC3", "a\xC3\xA9", false},
      {"\xC0\x80", "\xC0\x80", true},
      {"\xE2\x82\xAC", "\xE2\x82\xAC", true},
      {"ab", "ab", false},
      {"", "a", false},
      {"a", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsCharInSet(c.character, c.set), c.in) << c.character;
}

TEST(Tokenize, SplitsWordsDelimitersAndBreaksWithoutNuls) {
  const std::pair<std::string, Lines> cases[] = {{"a_b c", {"a", "_", "b", " ", "c"}},
                                                 {"\r\nab", {"\r\n", "ab"}},
                                                 {"a  b", {"a", " ", " ", "b"}},
                                                 {"a\r\n\r\n", {"a", "\r\n", "\r\n"}},
                                                 {"", {}},
                                                 {"a\0b c"s, {"ab", " ", "c"}},
                                                 {"\0 x"s, {" ", "x"}},
                                                 {"\0\0"s, {}}};
  for (const auto& [text, tokens] : cases) EXPECT_EQ(Tokenize(text), tokens) << text;
  EXPECT_EQ(StripLineBreaks("a\r\nb\nc\r"), "abc");
}

// Every character is 10 units wide; the limit is read and written back.
TEST(BreakLines, BreaksAtDelimitersAndHardBreaks) {
  const struct {
    std::string text;
    std::int32_t limit;
    Lines lines;
    std::int32_t limit_after;  // -1: not checked
  } cases[] = {
      {"aaaa bbbb", 50, {"aaaa ", "bbbb"}, 50},
      {"aaaa bbbb", 42, {"aaaa ", "bbbb"}, 42},  // the blank stays although it does not fit
      {"aa bb cc dd", 50, {"aa bb ", "cc dd"}, -1},
      {"well-known words", 60, {"well-", "known ", "words"}, -1},
      {"aa cccccccc", 50, {"aa ", "cccccccc"}, 80},  // a word wider than the limit widens it
      {"cccccccc aa bb cc", 50, {"cccccccc ", "aa bb cc"}, 80},
      // Without a limit the widest candidate becomes it ("a" CR LF is 3 wide).
      {"a\r\nb", 0, {"a\r\n", "b"}, 30},
      {"a\r\n", 0, {"a\r\n", ""}, 30},
      {"one two three four", 19, {"one two three four"}, 180},  // below 20: no limit
      {"a\r\n\r\nb", 0, {"a\r\n", "\r\n\r\n", "b"}, -1},  // a leading hard break is held twice
      {"\r\na", 0, {"\r\n\r\n", "a"}, -1},
      {"\r\n", 0, {"\r\n\r\n", ""}, -1},
      {"ab cd\r\nef gh", 100, {"ab cd\r\n", "ef gh"}, -1},
      {"aaaa bbbb\r\ncc", 50, {"aaaa ", "bbbb\r\n", "cc"}, -1},
      {"aaaa ", 40, {"aaaa ", ""}, -1},  // a broken delimiter at the end
      {"aaaa ", 50, {"aaaa "}, -1},
      {"", 7, {}, 7},
  };
  std::int32_t limit = 50;  // no desktop: every width is 0, only hard breaks count
  EXPECT_EQ(BreakLines(*QuietServices().text, 0, limit, "aaaa bbbb\r\ncc", kDefaultDelimiters,
                       kHardBreak, false),
            (Lines{"aaaa bbbb\r\n", "cc"}));
  EXPECT_EQ(limit, 50);
  FakeDesktop desktop;
  for (const auto& c : cases) {
    limit = c.limit;
    EXPECT_EQ(BreakLines(desktop, 0, limit, c.text, kDefaultDelimiters, kHardBreak, false), c.lines)
        << c.text << " in " << c.limit;
    EXPECT_EQ(limit, c.limit_after < 0 ? limit : c.limit_after) << c.text << " in " << c.limit;
  }
}

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

// Measures, and WrapText filling every output from them.
TEST(TextMeasure, MnemonicsDecideWhetherAmpersandsCountAndLinesStack) {
  InitTextApi();
  EXPECT_TRUE(TextApiReady());
  EXPECT_TRUE(UseWideText());
  FakeDesktop desktop;
  std::int32_t count = -1, width = 0, ampersand = -1;
  Extent size;
  EXPECT_EQ(WrapText(desktop, 0, "&Open\r\nSave", &count, &width, &ampersand, &size),
            (Lines{"&Open\r\n", "Save"}));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ampersand, 0);
  EXPECT_EQ(width, 40);  // the ampersand and the break measure as nothing
  EXPECT_EQ(size, (Extent{40, 32}));
  width = 50;
  EXPECT_EQ(WrapText(desktop, 0, "aa cccccccc", &count, &width), (Lines{"aa ", "cccccccc"}));
  EXPECT_EQ(width, 80);
  GetTextSize(desktop, 0, "&Open", &size, false);
  EXPECT_EQ(size.cx, 50);
  GetTextSize(desktop, 0, "&Open", &size, true);
  EXPECT_EQ(size.cx, 40);
  GetTextSize(desktop, 0, "a\r\nb", &size, true);
  EXPECT_EQ(size.cx, 20);
  // The widest line and the sum of the heights.
  desktop.char_width = 5;
  GetLinesSize(desktop, 0, {"abcdefgh", "abcdefghijk", ""}, &size, false);
  EXPECT_EQ(size, (Extent{55, 48}));
  GetLinesSize(desktop, 0, {"&&&&", "ab"}, &size, true);
  EXPECT_EQ(size, (Extent{10, 32}));
}

}  // namespace
}  // namespace vkt::text
