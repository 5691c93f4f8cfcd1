#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "text/word_wrap.h"

namespace vkt::text {
namespace {

using Lines = std::vector<std::string>;
using vkt::testing::FakeDesktop;
using namespace std::string_literals;

struct Token {
  std::int32_t next;
  std::string token;
  std::string delimiter;
};

Token Next(const std::string& text, std::int32_t start, const std::string& delimiters = "",
           const std::string& line_break = kHardBreak) {
  Token t{0, "unset", "unset"};
  t.next = NextToken(text, start, &t.token, &t.delimiter, delimiters, line_break);
  return t;
}

TEST(NextToken, StopsAtTheHardBreak) {
  Token t = Next("ab\r\ncd", 1);
  EXPECT_EQ(t.token, "ab");
  EXPECT_EQ(t.delimiter, "\r\n");
  EXPECT_EQ(t.next, 5);
  t = Next("ab\r\ncd", 5);
  EXPECT_EQ(t.token, "cd");
  EXPECT_EQ(t.delimiter, "");
  EXPECT_EQ(t.next, -1);
}

TEST(NextToken, StopsAtTheFirstDelimiter) {
  struct Case {
    std::string text;
    std::int32_t start;
    std::string token;
    std::string delimiter;
    std::int32_t next;
  };
  const Case cases[] = {
      {"well-known", 1, "well", "-", 6},
      {"well-known", 0, "well", "-", 6},  // 0 is taken as 1
      {"well-known", 6, "known", "", -1},
      {"abc", 1, "abc", "", -1},
      {"abc ", 1, "abc", " ", -1},  // the delimiter is the last character
      {" abc", 1, "", " ", 2},      // a delimiter at the start: empty token
      {"a%b\\c", 1, "a", "%", 3},
      {"a%b\\c", 3, "b", "\\", 5},
      {"x_y z", 1, "x", "_", 3},      // the earliest delimiter wins, not the first of the set
      {"a\rb c", 1, "a\rb", " ", 5},  // a lone CR is no break
      {"abc", 9, "", "", -1},
  };
  for (const Case& c : cases) {
    Token t = Next(c.text, c.start);
    EXPECT_EQ(t.token, c.token) << c.text << " from " << c.start;
    EXPECT_EQ(t.delimiter, c.delimiter) << c.text << " from " << c.start;
    EXPECT_EQ(t.next, c.next) << c.text << " from " << c.start;
  }
}

TEST(Tokenize, SplitsWordsDelimitersAndBreaks) {
  EXPECT_EQ(Tokenize("a_b c"), (Lines{"a", "_", "b", " ", "c"}));
  EXPECT_EQ(Tokenize("\r\nab"), (Lines{"\r\n", "ab"}));
  EXPECT_EQ(Tokenize("a  b"), (Lines{"a", " ", " ", "b"}));
  EXPECT_EQ(Tokenize("a\r\n\r\n"), (Lines{"a", "\r\n", "\r\n"}));
  EXPECT_EQ(Tokenize(""), Lines{});
}

TEST(Tokenize, DropsNulsAndNeverStoresAnEmptyWord) {
  EXPECT_EQ(Tokenize("a\0b c"s), (Lines{"ab", " ", "c"}));
  EXPECT_EQ(Tokenize("\0 x"s), (Lines{" ", "x"}));
  EXPECT_EQ(Tokenize("\0\0"s), Lines{});
}

TEST(BreakLines, BreaksAtDelimitersAndHardBreaks) {
  struct Case {
    const char* what;
    std::string text;
    std::int32_t limit;
    Lines lines;
    std::int32_t limit_after;  // the limit as BreakLines leaves it (-1: not checked)
  } cases[] = {
      {"as many words on a line as fit", "aaaa bbbb", 50, {"aaaa ", "bbbb"}, 50},
      {"the blank stays on the first line although it does not fit",
       "aaaa bbbb",
       42,
       {"aaaa ", "bbbb"},
       42},
      {"several words a line", "aa bb cc dd", 50, {"aa bb ", "cc dd"}, -1},
      {"a hyphen is a delimiter", "well-known words", 60, {"well-", "known ", "words"}, -1},
      {"a word wider than the limit widens it", "aa cccccccc", 50, {"aa ", "cccccccc"}, 80},
      {"the widened limit holds for the rest",
       "cccccccc aa bb cc",
       50,
       {"cccccccc ", "aa bb cc"},
       80},
      // Without a limit the widest candidate becomes it; "a" CR LF measures
      // as 3 characters.
      {"no limit: only hard breaks end lines", "a\r\nb", 0, {"a\r\n", "b"}, 30},
      {"no limit: a final hard break leaves an empty line", "a\r\n", 0, {"a\r\n", ""}, 30},
      {"a limit below 20 is no limit", "one two three four", 19, {"one two three four"}, 180},
      {"a line starting with a hard break holds it twice",
       "a\r\n\r\nb",
       0,
       {"a\r\n", "\r\n\r\n", "b"},
       -1},
      {"a leading hard break is held twice", "\r\na", 0, {"\r\n\r\n", "a"}, -1},
      {"a lone hard break is held twice", "\r\n", 0, {"\r\n\r\n", ""}, -1},
      {"a hard break ends a line within the limit",
       "ab cd\r\nef gh",
       100,
       {"ab cd\r\n", "ef gh"},
       -1},
      {"a hard break after a soft one", "aaaa bbbb\r\ncc", 50, {"aaaa ", "bbbb\r\n", "cc"}, -1},
      {"a broken delimiter at the end leaves an empty line", "aaaa ", 40, {"aaaa ", ""}, -1},
      {"a delimiter at the end that fits", "aaaa ", 50, {"aaaa "}, -1},
      {"empty text gives no lines", "", 7, {}, 7},
  };
  FakeDesktop desktop;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::int32_t limit = c.limit;
    EXPECT_EQ(BreakLines(0, limit, c.text, kDefaultDelimiters, kHardBreak, false), c.lines);
    if (c.limit_after >= 0) {
      EXPECT_EQ(limit, c.limit_after);
    }
  }
}

TEST(BreakLines, WithADeviceThatCannotMeasureOnlyHardBreaksCount) {
  std::int32_t limit = 50;  // no desktop: every width is 0
  EXPECT_EQ(BreakLines(0, limit, "aaaa bbbb\r\ncc", kDefaultDelimiters, kHardBreak, false),
            (Lines{"aaaa bbbb\r\n", "cc"}));
  EXPECT_EQ(limit, 50);
}

TEST(WrapText, CaptionTextWithAllOutputs) {
  FakeDesktop desktop;
  std::int32_t count = -1;
  std::int32_t width = 0;
  std::int32_t ampersand = -1;
  Extent size;
  Lines lines = WrapText(0, "&Open\r\nSave", &count, &width, &ampersand, &size);
  EXPECT_EQ(lines, (Lines{"&Open\r\n", "Save"}));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(ampersand, 0);
  EXPECT_EQ(width, 40);  // the ampersand and the break measure as nothing
  EXPECT_EQ(size, (Extent{40, 32}));
}

TEST(WrapText, HandsBackTheWidenedLimit) {
  FakeDesktop desktop;
  std::int32_t width = 50;
  std::int32_t count = 0;
  Lines lines = WrapText(0, "aa cccccccc", &count, &width);
  EXPECT_EQ(lines, (Lines{"aa ", "cccccccc"}));
  EXPECT_EQ(width, 80);
  EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace vkt::text
