// What the readers and the writer of scripts (script_io.h) need of their
// code page: tables through which single-byte pages are converted without a
// call per character, and ICU's streaming converters for the other pages.
#pragma once

#include <unicode/ucnv.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/codepage.h"

namespace vkt::generate::internal {

// What the program needs of a code page, built once per stream.
struct Tables {
  const text::CodePage* page = nullptr;
  // Single-byte code pages with CR and LF at their ASCII places: source bytes
  // are converted through these tables and ICU is never called.
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

  // Fills the tables for `cp`, which must outlive them.
  void Build(const text::CodePage& cp);
};

// A streaming ICU converter for the multi-byte path, opened on first use.
class Converter {
 public:
  Converter() = default;
  ~Converter() { Close(); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Readies the converter of code page `name` for a new stream: the one
  // already open is reset when it is of that name, else replaced (the code
  // page may change between two runs served by the same writer or reader).
  // False when ICU does not know the name.
  bool Open(const std::string& name);
  UConverter* get() const { return cnv_; }

 private:
  void Close();
  UConverter* cnv_ = nullptr;
  std::string name_;  // the code page `cnv_` converts
};

// Decodes `bytes` into `units` (kBlockSize units of room) with `cnv`,
// calling `sink(units, n)` whenever the room fills or the input is used up.
// Characters split across calls are kept in the converter.
template <typename Sink>
void DecodeBlock(UConverter* cnv, std::string_view bytes, bool flush, char16_t* units, size_t room,
                 Sink&& sink) {
  static const char kNothing = 0;
  const char* src = bytes.empty() ? &kNothing : bytes.data();
  const char* src_end = src + bytes.size();
  for (;;) {
    UChar* target = reinterpret_cast<UChar*>(units);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, reinterpret_cast<UChar*>(units) + room, &src, src_end, nullptr,
                   flush, &status);
    size_t n = static_cast<size_t>(target - reinterpret_cast<UChar*>(units));
    if (n > 0) sink(units, n);
    if (status != U_BUFFER_OVERFLOW_ERROR) return;
  }
}

}  // namespace vkt::generate::internal
