// The Unicode forms a byte-order mark names (UTF-8, UTF-16LE, UTF-16BE),
// decoded as they come in blocks into UTF-16. The same code on every build,
// so a marked source reads alike on Linux and on Windows (whose system
// converters know no UTF-16 by name).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/codepage_stream.h"

namespace vkt::text {

enum class UnicodeForm {
  kUtf8,
  kUtf16Le,
  kUtf16Be,
};

// The form whose byte-order mark begins `bytes` (EF BB BF, FF FE, FE FF) and
// the mark's length in `*mark_length`; false when `bytes` begins with none.
bool FormOfMark(std::string_view bytes, UnicodeForm* form, std::size_t* mark_length);

// Decodes one stream in one form. What comes out is well-formed UTF-16: each
// ill-formed piece of UTF-8 (as text/utf8.h reads it), each unpaired
// surrogate and an odd byte at the end of UTF-16 become one U+FFFD.
class UnicodeDecoder {
 public:
  // Readies the decoder for a new stream of `form`.
  void Open(UnicodeForm form);
  // As StreamConverter::Decode: converts from [*from, from_end) into
  // [*to, to_end) (room for two units at least), moves both pointers, and
  // keeps a character split between two calls for the next one; with
  // `flush` the input ends there. Never kFailed.
  StreamConverter::Step Decode(const char** from, const char* from_end, char16_t** to,
                               char16_t* to_end, bool flush);

 private:
  StreamConverter::Step DecodeUtf8(const char** from, const char* from_end, char16_t** to,
                                   char16_t* to_end, bool flush);
  StreamConverter::Step DecodeUtf16(const char** from, const char* from_end, char16_t** to,
                                    char16_t* to_end, bool flush);
  // UTF-8: decodes the characters the carried bytes begin, with the input's
  // first bytes after them, and moves `*from` past the input bytes it took.
  // kDone when nothing is carried any more, kFull when the room ran out;
  // when the input ends before a character does, it is all carried and the
  // result is kDone with bytes still carried.
  StreamConverter::Step TakeCarried(const char** from, const char* from_end, char16_t** to,
                                    char16_t* to_end, bool flush);
  // Writes code point `c` (-1: U+FFFD) when there is room for it.
  static bool Put(std::int32_t c, char16_t** to, char16_t* to_end);

  UnicodeForm form_ = UnicodeForm::kUtf8;
  // UTF-8: the bytes of a character the last input cut; UTF-16: an odd byte.
  char carry_[4] = {};
  std::size_t carried_ = 0;
  // UTF-16: a high surrogate waiting for its low one (0: none).
  char16_t high_ = 0;
};

}  // namespace vkt::text
