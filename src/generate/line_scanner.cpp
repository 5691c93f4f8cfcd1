#include "generate/line_scanner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vkt::generate::internal {

// Out of line on purpose: inlined into the copy loops (as an inline function
// of the header) it cost them half a percent more instructions.
const unsigned char* FindStop(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i fe = _mm_set1_epi8(static_cast<char>(0xFE));
  // The stops among the sixteen bytes at `q`: a CR whose next byte is no LF,
  // or a byte whose maximum with 0xFE is itself (0xFE or 0xFF).
  auto stops = [&](const unsigned char* q) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
    const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr));
    return _mm_or_si128(lone, _mm_cmpeq_epi8(_mm_max_epu8(here, fe), here));
  };
  // Each step reads 65 bytes: sixty-four candidates and the byte after them.
  while (end - p > 64) {
    const __m128i any = _mm_or_si128(_mm_or_si128(stops(p), stops(p + 16)),
                                     _mm_or_si128(stops(p + 32), stops(p + 48)));
    if (_mm_movemask_epi8(any) != 0) break;
    p += 64;
  }
  while (end - p > 16) {
    const int found = _mm_movemask_epi8(stops(p));
    if (found != 0) return p + __builtin_ctz(static_cast<unsigned>(found));
    p += 16;
  }
#endif
  for (; p != end; ++p) {
    if (*p >= 0xFE) return p;
    if (*p == '\r' && (p + 1 == end || p[1] != '\n')) return p;
  }
  return end;
}

}  // namespace vkt::generate::internal
