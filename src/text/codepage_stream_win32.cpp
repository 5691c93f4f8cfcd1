// The streaming conversions of the Windows build. Each block is cut where
// its last complete character ends (UTF-8 by the program's own reader,
// double-byte pages by the system's lead bytes), converted by the page
// (CodePage::DecodeUtf16 and Encode, the system's converters) and handed out
// as room allows; the rest waits for the next block.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text/codepage_internal.h"
#include "text/codepage_stream.h"
#include "text/utf8.h"

namespace vkt::text {

struct StreamConverter::State {
  const CodePage* page = nullptr;
  UINT number = 0;
  std::string bytes;       // Decode: an incomplete character; Encode: output not yet handed out
  std::u16string units;    // Decode: output not yet handed out; Encode: a lone high surrogate
  std::size_t handed = 0;  // what of the waiting output was handed out already
  char32_t missing = 0;    // see StreamConverter::missing
};

namespace {

// Input taken per conversion: a bound on what waits in the state.
constexpr std::size_t kChunk = std::size_t{64} * 1024;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

// How much of `bytes`, which starts at a character, ends with a complete
// character of code page `number`.
std::size_t CompletePart(UINT number, std::string_view bytes) {
  if (bytes.empty()) return 0;
  if (number == CP_UTF8) {
    // The last character or ill-formed piece: incomplete when it reads as
    // ill-formed up to the end (the next block may complete it).
    std::size_t last = bytes.size();
    PreviousUtf8(bytes, &last);
    std::size_t pos = last;
    return NextUtf8(bytes, &pos) < 0 && pos == bytes.size() ? last : bytes.size();
  }
  std::size_t i = 0;
  while (i < bytes.size()) {
    const bool lead = IsDBCSLeadByteEx(number, static_cast<BYTE>(bytes[i])) != 0;
    if (lead && i + 1 == bytes.size()) return i;
    i += lead ? 2 : 1;
  }
  return bytes.size();
}

// Hands out what waits in `pending` from `*handed` on into [*to, to_end).
// True when all of it went.
template <typename Unit>
bool HandOut(std::basic_string<Unit>* pending, std::size_t* handed, Unit** to, Unit* to_end) {
  const std::size_t n = std::min(pending->size() - *handed, static_cast<std::size_t>(to_end - *to));
  std::memcpy(*to, pending->data() + *handed, n * sizeof(Unit));
  *to += n;
  *handed += n;
  if (*handed < pending->size()) return false;
  pending->clear();
  *handed = 0;
  return true;
}

}  // namespace

StreamConverter::StreamConverter() = default;
StreamConverter::~StreamConverter() = default;

bool StreamConverter::Open(const CodePage& page) {
  const UINT number = internal::WindowsCodePageNumber(page.name());
  if (number == 0) return false;
  state_ = std::make_unique<State>();
  state_->page = &page;
  state_->number = number;
  return true;
}

StreamConverter::Step StreamConverter::Decode(const char** from, const char* from_end,
                                              char16_t** to, char16_t* to_end, bool flush) {
  State& s = *state_;
  for (;;) {
    if (!HandOut(&s.units, &s.handed, to, to_end)) return Step::kFull;
    if (*from == from_end && !(flush && !s.bytes.empty())) return Step::kDone;
    const auto n = std::min(static_cast<std::size_t>(from_end - *from), kChunk);
    std::string chunk = std::move(s.bytes);
    chunk.append(*from, n);
    *from += n;
    const bool last = flush && *from == from_end;
    const std::size_t complete = last ? chunk.size() : CompletePart(s.number, chunk);
    s.bytes = chunk.substr(complete);
    chunk.resize(complete);
    s.units = s.page->DecodeUtf16(chunk);
  }
}

StreamConverter::Step StreamConverter::Encode(const char16_t** from, const char16_t* from_end,
                                              char** to, char* to_end, bool flush) {
  State& s = *state_;
  for (;;) {
    if (!HandOut(&s.bytes, &s.handed, to, to_end)) return Step::kFull;
    if (*from == from_end && !(flush && !s.units.empty())) return Step::kDone;
    const auto n = std::min(static_cast<std::size_t>(from_end - *from), kChunk);
    std::u16string chunk = std::move(s.units);
    chunk.append(*from, n);
    *from += n;
    s.units.clear();
    // A surrogate pair split between two blocks waits for its second half.
    if (!(flush && *from == from_end) && !chunk.empty() && IsHighSurrogate(chunk.back())) {
      s.units.push_back(chunk.back());
      chunk.pop_back();
    }
    const std::string text = Utf16ToUtf8(chunk);
    bool lossy = false;
    s.bytes = s.page->Encode(text, &lossy);
    if (lossy && s.missing == 0) s.missing = s.page->FirstMissing(text);
  }
}

char32_t StreamConverter::missing() const { return state_ ? state_->missing : 0; }

}  // namespace vkt::text
