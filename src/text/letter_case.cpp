#include "text/letter_case.h"

#include <cstdint>

#include "text/utf8.h"

namespace vkt::text {
namespace {

// kUpperIndex, kUpperBlocks, kUpperDeltas, their lower-case twins and kCaseLimit.
#include "text/letter_case_table.inc"

template <bool kUpper>
char32_t MapCodePoint(char32_t c) {
  if (c >= kCaseLimit) return c;
  const auto* index = kUpper ? kUpperIndex : kLowerIndex;
  const auto* blocks = kUpper ? kUpperBlocks : kLowerBlocks;
  const auto* deltas = kUpper ? kUpperDeltas : kLowerDeltas;
  const std::size_t block = std::size_t{index[c >> kCaseBlockBits]} << kCaseBlockBits;
  return static_cast<char32_t>(static_cast<std::int32_t>(c) +
                               deltas[blocks[block | (c & kCaseBlockMask)]]);
}

template <bool kUpper>
std::string MapCase(std::string_view in) {
  std::string out(in);
  // ASCII text (nearly every file name) is mapped in place.
  size_t i = 0;
  for (; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80) break;
    if (kUpper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
    if (!kUpper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
  }
  if (i == out.size()) return out;
  out.resize(i);
  while (i < in.size()) {
    unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      if (kUpper && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      if (!kUpper && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t next = i;
    const std::int32_t cp = NextUtf8(in, &next);
    if (cp < 0) {
      // Not UTF-8: keep the bytes as they are.
      out.append(in.substr(i, next - i));
    } else {
      AppendUtf8(MapCodePoint<kUpper>(static_cast<char32_t>(cp)), &out);
    }
    i = next;
  }
  return out;
}

}  // namespace

char32_t UpperCaseCodePoint(char32_t c) { return MapCodePoint<true>(c); }
char32_t LowerCaseCodePoint(char32_t c) { return MapCodePoint<false>(c); }

std::string UpperCase(std::string_view utf8) { return MapCase<true>(utf8); }
std::string LowerCase(std::string_view utf8) { return MapCase<false>(utf8); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return UpperCase(a) == UpperCase(b);
}

}  // namespace vkt::text
