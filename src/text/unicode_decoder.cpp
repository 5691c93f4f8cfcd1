#include "text/unicode_decoder.h"

#include <algorithm>
#include <cstring>

#include "text/utf8.h"

namespace vkt::text {

using Step = StreamConverter::Step;

namespace {

constexpr std::int32_t kReplacement = 0xFFFD;

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool FormOfMark(std::string_view bytes, UnicodeForm* form, std::size_t* mark_length) {
  struct Mark {
    std::string_view bytes;
    UnicodeForm form;
  };
  static constexpr Mark kMarks[] = {{"\xEF\xBB\xBF", UnicodeForm::kUtf8},
                                    {"\xFF\xFE", UnicodeForm::kUtf16Le},
                                    {"\xFE\xFF", UnicodeForm::kUtf16Be}};
  for (const Mark& mark : kMarks) {
    if (bytes.starts_with(mark.bytes)) {
      *form = mark.form;
      *mark_length = mark.bytes.size();
      return true;
    }
  }
  return false;
}

void UnicodeDecoder::Open(UnicodeForm form) {
  form_ = form;
  carried_ = 0;
  high_ = 0;
}

bool UnicodeDecoder::Put(std::int32_t c, char16_t** to, char16_t* to_end) {
  if (c < 0) c = kReplacement;
  if (c < 0x10000) {
    if (*to == to_end) return false;
    *(*to)++ = static_cast<char16_t>(c);
    return true;
  }
  if (to_end - *to < 2) return false;
  *(*to)++ = static_cast<char16_t>(0xD7C0 + (c >> 10));
  *(*to)++ = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  return true;
}

Step UnicodeDecoder::Decode(const char** from, const char* from_end, char16_t** to,
                            char16_t* to_end, bool flush) {
  return form_ == UnicodeForm::kUtf8 ? DecodeUtf8(from, from_end, to, to_end, flush)
                                     : DecodeUtf16(from, from_end, to, to_end, flush);
}

Step UnicodeDecoder::TakeCarried(const char** from, const char* from_end, char16_t** to,
                                 char16_t* to_end, bool flush) {
  while (carried_ > 0) {
    // The carried bytes and as many of the input's as a character can take.
    char window[4];
    std::memcpy(window, carry_, carried_);
    const std::size_t taken =
        std::min(sizeof window - carried_, static_cast<std::size_t>(from_end - *from));
    std::memcpy(window + carried_, *from, taken);
    const std::size_t n = carried_ + taken;
    std::size_t pos = 0;
    const std::int32_t c = NextUtf8(std::string_view(window, n), &pos);
    if (c < 0 && pos == n && n < sizeof window && !flush) {
      // Still cut off, and the input is used up: the next input goes on.
      std::memcpy(carry_ + carried_, *from, taken);
      carried_ = n;
      *from += taken;
      return Step::kDone;
    }
    if (!Put(c, to, to_end)) return Step::kFull;
    if (pos >= carried_) {
      *from += pos - carried_;
      carried_ = 0;
    } else {
      std::memmove(carry_, carry_ + pos, carried_ - pos);
      carried_ -= pos;
    }
  }
  return Step::kDone;
}

Step UnicodeDecoder::DecodeUtf8(const char** from, const char* from_end, char16_t** to,
                                char16_t* to_end, bool flush) {
  if (carried_ > 0) {
    const Step step = TakeCarried(from, from_end, to, to_end, flush);
    if (step != Step::kDone || carried_ > 0) return step;
  }
  const std::string_view in(*from, static_cast<std::size_t>(from_end - *from));
  std::size_t i = 0;
  Step step = Step::kDone;
  while (i < in.size()) {
    const auto byte = static_cast<unsigned char>(in[i]);
    if (byte < 0x80) {
      if (*to == to_end) {
        step = Step::kFull;
        break;
      }
      *(*to)++ = byte;
      ++i;
      continue;
    }
    std::size_t pos = i;
    const std::int32_t c = NextUtf8(in, &pos);
    if (c < 0 && pos == in.size() && !flush) {
      // A character the end of this input cuts: kept for the next.
      carried_ = pos - i;
      std::memcpy(carry_, in.data() + i, carried_);
      i = pos;
      break;
    }
    if (!Put(c, to, to_end)) {
      step = Step::kFull;
      break;
    }
    i = pos;
  }
  *from += i;
  return step;
}

Step UnicodeDecoder::DecodeUtf16(const char** from, const char* from_end, char16_t** to,
                                 char16_t* to_end, bool flush) {
  const int low_byte = form_ == UnicodeForm::kUtf16Le ? 0 : 1;
  for (;;) {
    // Room for what one unit can give: a waiting high surrogate's U+FFFD and
    // the unit itself.
    if (to_end - *to < 2) return Step::kFull;
    if (carried_ + static_cast<std::size_t>(from_end - *from) < 2) break;
    unsigned char pair[2];
    if (carried_ == 1) {
      pair[0] = static_cast<unsigned char>(carry_[0]);
      carried_ = 0;
    } else {
      pair[0] = static_cast<unsigned char>(*(*from)++);
    }
    pair[1] = static_cast<unsigned char>(*(*from)++);
    const auto u = static_cast<char16_t>(pair[low_byte] | (pair[1 - low_byte] << 8));
    if (high_ != 0) {
      if (IsLow(u)) {
        *(*to)++ = high_;
        *(*to)++ = u;
        high_ = 0;
        continue;
      }
      *(*to)++ = static_cast<char16_t>(kReplacement);
      high_ = 0;
    }
    if (IsHigh(u)) {
      high_ = u;
    } else {
      *(*to)++ = IsLow(u) ? static_cast<char16_t>(kReplacement) : u;
    }
  }
  // Less than a unit is left: an odd byte waits for its pair.
  if (*from != from_end) {
    carry_[0] = *(*from)++;
    carried_ = 1;
  }
  if (!flush) return Step::kDone;
  if (high_ != 0) {
    *(*to)++ = static_cast<char16_t>(kReplacement);
    high_ = 0;
  }
  if (carried_ == 1) {
    *(*to)++ = static_cast<char16_t>(kReplacement);
    carried_ = 0;
  }
  return Step::kDone;
}

}  // namespace vkt::text
