// What the readers and the writer of scripts (script_io.h) need of their
// code page: tables through which single-byte pages are converted without a
// call per character, and the streaming converters (text/codepage_stream.h)
// for the other pages and for sources with a byte-order mark.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/codepage_stream.h"
#include "text/unicode_decoder.h"

namespace vkt::generate::internal {

// What the program needs of a code page, built once per stream.
struct Tables {
  const text::CodePage* page = nullptr;
  // Single-byte code pages with CR and LF at their ASCII places: source bytes
  // are converted through these tables and no converter is called.
  bool byte_path = false;
  std::array<std::uint8_t, 256> keep{};      // 0 for bytes read as U+00FE / U+00FF
  std::array<std::uint8_t, 256> out_byte{};  // the byte written under the code page
  std::array<char16_t, 256> unit{};          // the UTF-16 unit read
  // The code page maps every byte to itself except U+00FE/U+00FF at 0xFE/0xFF
  // (Windows-1252, Latin-1): Oracle copies are then plain byte copies.
  bool identity_fe_ff = false;
  // Only the bytes 0xFE and 0xFF are read as U+00FE / U+00FF, so a block
  // without them has nothing to drop.
  bool drops_are_fe_ff = false;
  // ASCII is written as itself (WriteLine fast path).
  bool ascii_identity = false;
  // Single-byte page whose bytes 0xA0-0xFF read as U+00A0-U+00FF.
  bool latin1_upper = false;
  // Single-byte page: 1 for a byte the page leaves unassigned (read as
  // U+FFFD, written as "?"), and whether there is any.
  std::array<std::uint8_t, 256> unassigned{};
  bool any_unassigned = false;

  // Fills the tables for `cp`, which must outlive them.
  void Build(const text::CodePage& cp);
};

// Decodes a source into UTF-16: in the Unicode form its byte-order mark
// names, else through the converter of the run's code page.
class SourceDecoder {
 public:
  // Readies the decoder for a source of `form` (none: read in `page`, which
  // must outlive the decoding). False when the build cannot convert `page`.
  bool Open(std::optional<text::UnicodeForm> form, const text::CodePage& page) {
    unicode_ = form.has_value();
    if (!unicode_) return converter_.Open(page);
    unicode_decoder_.Open(*form);
    return true;
  }
  text::StreamConverter::Step Decode(const char** from, const char* from_end, char16_t** to,
                                     char16_t* to_end, bool flush) {
    return unicode_ ? unicode_decoder_.Decode(from, from_end, to, to_end, flush)
                    : converter_.Decode(from, from_end, to, to_end, flush);
  }

 private:
  bool unicode_ = false;
  text::UnicodeDecoder unicode_decoder_;
  text::StreamConverter converter_;
};

// Decodes `bytes` into `units` (`room` units) with `converter`, calling
// `sink(units, n)` whenever the room fills or the input is used up.
// Characters split across calls are kept in the converter.
template <typename Converter, typename Sink>
void DecodeBlock(Converter& converter, std::string_view bytes, bool flush, char16_t* units,
                 size_t room, Sink&& sink) {
  static const char kNothing = 0;
  const char* src = bytes.empty() ? &kNothing : bytes.data();
  const char* src_end = src + bytes.size();
  for (;;) {
    char16_t* target = units;
    const text::StreamConverter::Step step =
        converter.Decode(&src, src_end, &target, units + room, flush);
    const auto n = static_cast<size_t>(target - units);
    if (n > 0) sink(units, n);
    if (step != text::StreamConverter::Step::kFull) return;
  }
}

}  // namespace vkt::generate::internal
