// The streaming conversions against the page's own, on every build: text cut
// into blocks at every place, and output room of a few units at a time, give
// what one conversion of the whole gives.
#include "text/codepage_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <type_traits>

#include "text/codepage.h"
#include "text/unicode_decoder.h"

namespace vkt::text {
namespace {

// Converts `in` in blocks of `block` into rooms of `room` (at most 16) units
// with `convert`: StreamConverter::Decode or StreamConverter::Encode.
template <typename In, typename Out>
std::basic_string<Out> InBlocks(
    StreamConverter& converter,
    StreamConverter::Step (StreamConverter::*convert)(const In**, const In*, Out**, Out*, bool),
    std::type_identity_t<std::basic_string_view<In>> in, std::size_t block, std::size_t room) {
  std::basic_string<Out> out;
  Out units[16];
  for (std::size_t at = 0;; at += block) {
    const bool last = at + block >= in.size();
    const std::basic_string_view<In> piece = in.substr(std::min(at, in.size()), block);
    const In* from = piece.data();
    for (;;) {
      Out* to = units;
      const StreamConverter::Step step =
          (converter.*convert)(&from, piece.data() + piece.size(), &to, units + room, last);
      out.append(units, to);
      if (step != StreamConverter::Step::kFull) break;
    }
    if (last) return out;
  }
}

TEST(StreamConverter, BlocksGiveWhatTheWholeGives) {
  const struct {
    const char* page;
    std::string bytes;  // in the page, ill-formed pieces included
  } samples[] = {
      // "ação €" and a character beyond U+FFFF, then a cut 3-byte character,
      // a stray trail byte and a cut 4-byte character at the end.
      {"UTF-8", "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x82 \x80 x\xF0\x9F\x98"},
      // Shift-JIS: kana, kanji, ASCII, a half-width kana, a lead byte cut at the end.
      {"Shift_JIS", "\x82\xA0\x88\x9F a\xB1\x82\xA2 \x93\xFA\x96\x7B\x81"},
      {"windows-1252", "caf\xE9 \x80 \x81\x9D\xFF"},
  };
  for (const auto& sample : samples) {
    const CodePage* page = CodePage::Named(sample.page, nullptr);
    ASSERT_NE(page, nullptr) << sample.page;
    const std::u16string whole = page->DecodeUtf16(sample.bytes);
    // The text without the cut character at the end encodes back as it was read.
    std::u16string clean = page->DecodeUtf16(sample.bytes.substr(0, 20));
    StreamConverter converter;
    ASSERT_TRUE(converter.Open(*page));
    for (std::size_t block = 1; block <= sample.bytes.size(); ++block) {
      for (std::size_t room : {2U, 3U, 8U}) {
        ASSERT_TRUE(converter.Open(*page));
        EXPECT_EQ(InBlocks(converter, &StreamConverter::Decode, sample.bytes, block, room), whole)
            << sample.page << ", blocks of " << block << ", room " << room;
      }
    }
    const std::string encoded = page->Encode(Utf16ToUtf8(clean));
    for (std::size_t block = 1; block <= clean.size(); ++block) {
      for (std::size_t room : {4U, 5U, 16U}) {
        ASSERT_TRUE(converter.Open(*page));
        EXPECT_EQ(InBlocks(converter, &StreamConverter::Encode, clean, block, room), encoded)
            << sample.page << ", blocks of " << block << ", room " << room;
      }
    }
  }
}

TEST(StreamConverter, ACharacterThePageLacksIsAQuestionMark) {
  const CodePage* page = CodePage::Named("Shift_JIS", nullptr);
  ASSERT_NE(page, nullptr);
  StreamConverter converter;
  ASSERT_TRUE(converter.Open(*page));
  // "é€" are not in Shift-JIS, nor is U+1F600 (one character, one "?"). The
  // first is noted until the converter is opened again.
  const std::u16string units = u"a\u00E9\u20AC\U0001F600b";
  EXPECT_EQ(InBlocks(converter, &StreamConverter::Encode, units, 1, 16), "a???b");
  EXPECT_EQ(converter.missing(), U'\u00E9');
  ASSERT_TRUE(converter.Open(*page));
  EXPECT_EQ(converter.missing(), 0U);
  EXPECT_EQ(InBlocks(converter, &StreamConverter::Encode, std::u16string(u"b\U0001F600"), 1, 16),
            "b?");
  EXPECT_EQ(converter.missing(), U'\U0001F600');
}

// The forms a byte-order mark names, cut into blocks at every place and
// decoded into a few units of room at a time, give what the whole gives:
// ill-formed UTF-8 as the text layer reads it, and U+FFFD for each unpaired
// surrogate and for an odd byte at the end of UTF-16.
TEST(UnicodeDecoder, BlocksGiveWhatTheWholeGives) {
  const std::string utf8 =
      "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x82 \x80 \xF4\x90x\xF0\x9F\x98";
  // A pair, then a lone high and a lone low surrogate.
  std::u16string units = u"a\u00E7\U0001F600#x#\r\n";
  units[4] = 0xD800;
  units[6] = 0xDC00;
  std::string le, be;
  for (char16_t u : units) {
    le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    be += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
  }
  const std::u16string decoded_units = u"a\u00E7\U0001F600\uFFFDx\uFFFD\r\n";
  const struct {
    UnicodeForm form;
    std::string bytes;
    std::u16string whole;
  } samples[] = {
      {UnicodeForm::kUtf8, utf8, Utf8ToUtf16(utf8)},
      {UnicodeForm::kUtf16Le, le + "\x3D\xD8", decoded_units + u"\uFFFD"},
      {UnicodeForm::kUtf16Be, be + "\xD8", decoded_units + u"\uFFFD"},
  };
  for (const auto& sample : samples) {
    for (std::size_t block = 1; block <= sample.bytes.size(); ++block) {
      for (std::size_t room : {2U, 3U, 16U}) {
        UnicodeDecoder decoder;
        decoder.Open(sample.form);
        std::u16string out;
        char16_t buffer[16];
        for (std::size_t at = 0;; at += block) {
          const bool last = at + block >= sample.bytes.size();
          const std::string_view piece = std::string_view(sample.bytes).substr(at, block);
          const char* from = piece.data();
          for (;;) {
            char16_t* to = buffer;
            const auto step =
                decoder.Decode(&from, piece.data() + piece.size(), &to, buffer + room, last);
            out.append(buffer, to);
            if (step != StreamConverter::Step::kFull) break;
          }
          if (last) break;
        }
        EXPECT_EQ(out, sample.whole)
            << static_cast<int>(sample.form) << ", blocks of " << block << ", room " << room;
      }
    }
  }
}

}  // namespace
}  // namespace vkt::text
