// What the readers and the writer of scripts (script_io.h) need of their
// code page: tables through which single-byte pages are converted without a
// call per character, and the streaming converters (text/codepage_stream.h)
// for the other pages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/codepage.h"
#include "text/codepage_stream.h"

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

  // Fills the tables for `cp`, which must outlive them.
  void Build(const text::CodePage& cp);
};

// Decodes `bytes` into `units` (`room` units) with `converter`, calling
// `sink(units, n)` whenever the room fills or the input is used up.
// Characters split across calls are kept in the converter.
template <typename Sink>
void DecodeBlock(text::StreamConverter& converter, std::string_view bytes, bool flush,
                 char16_t* units, size_t room, Sink&& sink) {
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
