#include "text/word_wrap.h"

#include <algorithm>

namespace vkt::text {
namespace {

// Byte length of the UTF-8 sequence that starts with `lead` (1 for stray bytes).
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The characters of `text`, each as its UTF-8 sequence.
std::vector<std::string_view> Characters(const std::string& text) {
  std::vector<std::string_view> chars;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t len =
        std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
    chars.push_back(std::string_view(text).substr(i, len));
    i += len;
  }
  return chars;
}

}  // namespace

std::string RemoveNulls(const std::string& text) {
  if (text.find('\0') == std::string::npos) return text;
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\0') out += c;
  }
  return out;
}

std::string StripLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

bool IsCharInSet(const std::string& character, const std::string& set) {
  if (set.empty() || character.empty()) return false;
  if (SequenceLength(static_cast<unsigned char>(character[0])) != character.size()) return false;
  for (std::string_view c : Characters(set)) {
    if (c == character) return true;
  }
  return false;
}

std::int32_t NextToken(const std::string& text, std::int32_t start, std::string* token,
                       std::string* delimiter, const std::string& Delimiters,
                       const std::string& LineBreak) {
  const std::string& set = Delimiters.empty() ? std::string(kDefaultDelimiters) : Delimiters;
  const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);

  // The earliest delimiter: where it starts, and where its last byte stands.
  std::size_t found = std::string::npos;
  std::size_t kept_end = 0;
  std::string winner;
  if (from < text.size()) {
    for (std::string_view c : Characters(set)) {
      std::size_t at = text.find(c, from);
      if (at != std::string::npos && (found == std::string::npos || at < found)) {
        found = at;
        kept_end = at + c.size() - 1;
        winner = std::string(c);
      }
    }
    if (!LineBreak.empty()) {
      std::size_t at = text.find(LineBreak, from);
      if (at != std::string::npos && (found == std::string::npos || at < found)) {
        found = at;
        kept_end = at + LineBreak.size() - 1;
        winner = LineBreak;
      }
    }
  }

  if (found != std::string::npos) {
    *token = text.substr(from, found - from);
    *delimiter = winner;
    // kept_end is 0-based, so kept_end + 2 is the 1-based position behind it.
    return kept_end + 1 < text.size() ? static_cast<std::int32_t>(kept_end + 2) : -1;
  }
  *token = from < text.size() ? text.substr(from) : std::string();
  delimiter->clear();
  return -1;
}

std::vector<std::string> Tokenize(const std::string& text) {
  std::vector<std::string> tokens;
  if (text.empty()) return tokens;
  std::int32_t position = 1;
  while (true) {
    std::string token;
    std::string delimiter;
    position = NextToken(text, position, &token, &delimiter, kDefaultDelimiters, kHardBreak);
    // Emptiness is judged after the NULs are gone: an empty word would end the
    // line breaker's loop early and lose the rest of the text.
    token = RemoveNulls(token);
    if (!token.empty()) tokens.push_back(token);
    delimiter = RemoveNulls(delimiter);
    if (!delimiter.empty()) tokens.push_back(delimiter);
    if (position == -1) break;
  }
  return tokens;
}

namespace {

// Ends the open line, `line`, before the token t[*i] (`lines` holds the
// lines so far, the open one last). A delimiter or a break stays at the end
// of the line it ends and the next line starts after it: *i moves past it,
// and after the last token that line is empty and another, empty, follows.
// Returns the start of the new open line.
std::string EndLineBefore(const std::vector<std::string>& t, std::size_t* i,
                          const std::string& line, const std::string& Delimiters,
                          const std::string& LineBreak, std::vector<std::string>* lines) {
  lines->back() = line;
  lines->emplace_back();
  const std::string& token = t[*i];
  if (!IsCharInSet(token, Delimiters) && token != LineBreak) return token;
  (*lines)[lines->size() - 2] += token;
  ++*i;
  if (*i < t.size()) return t[*i];
  lines->emplace_back();
  return {};
}

}  // namespace

std::vector<std::string> BreakLines(TextDevice& device, DeviceHandle hDC, std::int32_t& MaxWidth,
                                    const std::string& text, const std::string& Delimiters,
                                    const std::string& LineBreak, bool Mnemonics) {
  std::vector<std::string> lines;
  const std::vector<std::string> t = Tokenize(text);
  if (t.empty()) return lines;
  const std::size_t last = t.size() - 1;

  std::size_t i = 0;
  std::string line = t[0];
  std::string cand = t[0];
  int count = 1;
  bool restarted = false;
  lines.emplace_back();  // the open line
  std::int32_t widest = 0;

  while (!cand.empty()) {
    Extent token_size;
    Extent cand_size;
    GetTextSize(device, hDC, t[i], &token_size, Mnemonics);
    GetTextSize(device, hDC, cand, &cand_size, Mnemonics);
    if (MaxWidth >= 20 && count == 1) {
      MaxWidth = std::max({MaxWidth, cand_size.cx, token_size.cx});
    }
    widest = std::max(widest, cand_size.cx);

    const bool fits =
        (MaxWidth < 20 || cand_size.cx <= MaxWidth) && (LineBreak.empty() || t[i] != LineBreak);
    if (!fits) {
      line = EndLineBefore(t, &i, line, Delimiters, LineBreak, &lines);
      count = 1;
      cand = line;
      restarted = true;
    }

    if (i < last && !restarted) {
      line = cand;
      ++i;
      cand += t[i];
      ++count;
    } else if (restarted) {
      // The next round measures the new line's first token alone.
      restarted = false;
    } else {
      break;
    }
  }

  lines.back() = cand;
  if (lines.back().empty()) lines.pop_back();
  if (MaxWidth < 20) MaxWidth = widest;
  return lines;
}

std::vector<std::string> WrapText(TextDevice& device, DeviceHandle hDC, const std::string& text,
                                  std::int32_t* LineCount, std::int32_t* MaxWidth,
                                  std::int32_t* AmpersandLine, Extent* lpSize) {
  const bool mnemonics = AmpersandLine != nullptr;
  std::int32_t limit = MaxWidth ? *MaxWidth : 0;
  // Device 0 already is the screen for the text-measuring service.
  std::vector<std::string> lines =
      BreakLines(device, hDC, limit, text, kDefaultDelimiters, kHardBreak, mnemonics);
  if (lines.empty()) return lines;

  if (lpSize) GetLinesSize(device, hDC, lines, lpSize, mnemonics);
  if (MaxWidth) *MaxWidth = limit;
  if (LineCount) *LineCount = static_cast<std::int32_t>(lines.size());
  if (AmpersandLine) {
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (lines[k].find('&') != std::string::npos) {
        *AmpersandLine = static_cast<std::int32_t>(k);
        break;
      }
    }
  }
  return lines;
}

}  // namespace vkt::text
