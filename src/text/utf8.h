// UTF-8 as the text layer reads and writes it on every build, with the rules
// ICU follows for ill-formed input: a byte that cannot start a character, and
// the longest start of a character that breaks off, are one error each
// (Unicode's "maximal subpart"), and no error swallows a byte that begins a
// well-formed character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vkt::text {

namespace utf8_internal {

// Takes the trail byte s[*i] (of `n` bytes) when it lies in [low, high] and
// moves `*i` behind it: its six bits, or -1 (not taken).
inline std::int32_t TakeTrailByte(const unsigned char* s, std::size_t n, std::size_t* i,
                                  unsigned char low = 0x80, unsigned char high = 0xBF) {
  if (*i >= n || s[*i] < low || s[*i] > high) return -1;
  return s[(*i)++] & 0x3F;
}

// The range of the first trail byte after the lead byte `lead` of a three-
// or four-byte character: narrower after E0 and F0 (no overlong forms), ED
// (no surrogates) and F4 (nothing above U+10FFFF).
inline unsigned char FirstTrailLow(unsigned char lead) {
  return lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
}
inline unsigned char FirstTrailHigh(unsigned char lead) {
  return lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
}

// Each reads the rest of a character whose lead byte `lead` stood before
// s[*i] and moves `*i` behind what it took: the code point, or -1 at the
// first byte that cannot follow.
inline std::int32_t RestOfTwoBytes(const unsigned char* s, std::size_t n, std::size_t* i,
                                   std::int32_t lead) {
  const std::int32_t t1 = TakeTrailByte(s, n, i);
  return t1 < 0 ? -1 : ((lead & 0x1F) << 6) | t1;
}

inline std::int32_t RestOfThreeBytes(const unsigned char* s, std::size_t n, std::size_t* i,
                                     std::int32_t lead) {
  const std::int32_t t1 = TakeTrailByte(s, n, i, FirstTrailLow(lead), FirstTrailHigh(lead));
  if (t1 < 0) return -1;
  const std::int32_t t2 = TakeTrailByte(s, n, i);
  return t2 < 0 ? -1 : ((lead & 0x0F) << 12) | (t1 << 6) | t2;
}

inline std::int32_t RestOfFourBytes(const unsigned char* s, std::size_t n, std::size_t* i,
                                    std::int32_t lead) {
  const std::int32_t t1 = TakeTrailByte(s, n, i, FirstTrailLow(lead), FirstTrailHigh(lead));
  if (t1 < 0) return -1;
  const std::int32_t t2 = TakeTrailByte(s, n, i);
  if (t2 < 0) return -1;
  const std::int32_t t3 = TakeTrailByte(s, n, i);
  return t3 < 0 ? -1 : ((lead & 0x07) << 18) | (t1 << 12) | (t2 << 6) | t3;
}

inline bool IsTrailByte(unsigned char b) { return (b & 0xC0) == 0x80; }

// Whether `lead` followed by the trail byte `t1` can begin a well-formed
// character (the ranges NextUtf8 checks).
inline bool CanBegin(unsigned char lead, unsigned char t1) {
  if (lead >= 0xC2 && lead <= 0xDF) return true;
  if (lead < 0xE0 || lead > 0xF4) return false;
  return t1 >= FirstTrailLow(lead) && t1 <= FirstTrailHigh(lead);
}

// Whether a character led by `lead` is long enough to hold `trails` trail
// bytes.
inline bool LeadTakes(unsigned char lead, int trails) {
  return trails == 1 || (trails == 2 && lead >= 0xE0) || lead >= 0xF0;
}

}  // namespace utf8_internal

// Reads the character at byte `*pos` of `text` (which must be below
// `text.size()`) and moves `*pos` behind it. Returns its code point, or -1 when
// the bytes there are ill-formed; `*pos` then moves behind the error (at least
// one byte). Surrogates, overlong forms and values above U+10FFFF are errors.
inline std::int32_t NextUtf8(std::string_view text, std::size_t* pos) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = *pos;
  const std::int32_t lead = s[i++];
  std::int32_t c = -1;
  if (lead < 0x80) {
    c = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    c = utf8_internal::RestOfTwoBytes(s, n, &i, lead);
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    c = utf8_internal::RestOfThreeBytes(s, n, &i, lead);
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    c = utf8_internal::RestOfFourBytes(s, n, &i, lead);
  }
  *pos = i;
  return c;
}

// Moves `*pos` (above 0, at most `text.size()`) back over one character, or
// over one piece of ill-formed UTF-8 as NextUtf8 reads it: to the lead byte
// of the sequence that ends right before `*pos` where its bytes so far are
// well-formed, else back by one byte.
inline void PreviousUtf8(std::string_view text, std::size_t* pos) {
  using utf8_internal::IsTrailByte;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t last = *pos - 1;
  *pos = last;
  // The trail bytes before `last`, at most three, and the byte before them.
  std::size_t i = last;
  for (int trails = 1; trails <= 3 && i > 0 && IsTrailByte(s[i]); ++trails) {
    const unsigned char before = s[--i];
    if (IsTrailByte(before)) continue;
    if (utf8_internal::LeadTakes(before, trails) && utf8_internal::CanBegin(before, s[i + 1])) {
      *pos = i;
    }
    return;
  }
}

// Appends the UTF-8 form of code point `c` (not a surrogate, at most U+10FFFF).
inline void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    const char bytes[] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    out->append(bytes, 2);
  } else if (c < 0x10000) {
    const char bytes[] = {static_cast<char>(0xE0 | (c >> 12)),
                          static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (c & 0x3F))};
    out->append(bytes, 3);
  } else {
    const char bytes[] = {
        static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    out->append(bytes, 4);
  }
}

}  // namespace vkt::text
