// Word wrapping: cuts a text into lines that fit a width on a text-measuring
// device (text_measure.h). Break opportunities are the characters of the
// delimiter set (" _-\%" by default); carriage return + line feed is a hard
// break. A word wider than the limit widens the limit instead of being cut.
//
// Texts are UTF-8. A "character" is one UTF-8 sequence; text positions
// (NextToken) are 1-based byte positions. An empty vector stands for the
// unallocated array of the original routines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/text_measure.h"

namespace vkt::text {

// The default delimiter set and the hard break.
inline constexpr char kDefaultDelimiters[] = " _-\\%";
inline constexpr char kHardBreak[] = "\r\n";

// Cuts `text` into lines for `hDC` (0: the screen) of `device`. Each output is written only
// when given and only when the text gave at least one line:
//  - `MaxWidth` is read as the width limit (absent or below 20: no limit) and
//    receives the limit as widened by over-wide words, or, without a limit, the
//    widest line measured;
//  - `LineCount` receives the number of lines;
//  - `AmpersandLine`: asking for it measures texts as captions (mnemonics
//    stripped); it receives the index of the first line holding "&" and is left
//    as it was when no line does;
//  - `lpSize` receives the extent of the lines (GetLinesSize).
// Each line ends with the delimiter or hard break at which it was broken; a line
// that starts with a hard break holds it twice; a text ending with a hard break
// ends with an empty line. The empty text gives no lines.
std::vector<std::string> WrapText(TextDevice& device, DeviceHandle hDC, const std::string& text,
                                  std::int32_t* LineCount = nullptr,
                                  std::int32_t* MaxWidth = nullptr,
                                  std::int32_t* AmpersandLine = nullptr, Extent* lpSize = nullptr);

// The line breaker behind WrapText, with its own delimiter set and hard break.
// `MaxWidth` is read as the limit (below 20: none) and written back widened, or
// as the widest candidate measured when there was no limit.
std::vector<std::string> BreakLines(TextDevice& device, DeviceHandle hDC, std::int32_t& MaxWidth,
                                    const std::string& text, const std::string& Delimiters,
                                    const std::string& LineBreak, bool Mnemonics);

// Words, single delimiters of the default set and hard breaks, in order; NUL
// characters are dropped and empty words never stored, so the tokens joined give
// the text without its NULs.
std::vector<std::string> Tokenize(const std::string& text);

// Reads the token that starts at byte position `start` (1-based; 0 is taken as
// 1) up to the first character of `Delimiters` (empty: the default set) or the
// first `LineBreak` (when not empty), whichever comes first. Writes the token and
// the delimiter met ("" at the end of the text). Returns the position just
// behind that delimiter, or -1 when the text is used up.
std::int32_t NextToken(const std::string& text, std::int32_t start, std::string* token,
                       std::string* delimiter, const std::string& Delimiters,
                       const std::string& LineBreak);

// True when `character` is exactly one character and is one of the characters
// of the (non-empty) `set`.
bool IsCharInSet(const std::string& character, const std::string& set);

// `text` without its NUL characters.
std::string RemoveNulls(const std::string& text);

// `text` without any carriage return or line feed.
std::string StripLineBreaks(const std::string& text);

}  // namespace vkt::text
