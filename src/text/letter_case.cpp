#include "text/letter_case.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace vkt::text {
namespace {

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
    int32_t pos = static_cast<int32_t>(i);
    UChar32 cp;
    U8_NEXT(in.data(), pos, static_cast<int32_t>(in.size()), cp);
    if (cp < 0) {
      // Not UTF-8: keep the bytes as they are.
      out.append(in.substr(i, static_cast<size_t>(pos) - i));
    } else {
      UChar32 mapped = kUpper ? u_toupper(cp) : u_tolower(cp);
      char buf[4];
      int32_t n = 0;
      UBool error = false;
      U8_APPEND(buf, n, 4, mapped, error);
      (void)error;
      out.append(buf, static_cast<size_t>(n));
    }
    i = static_cast<size_t>(pos);
  }
  return out;
}

}  // namespace

std::string UpperCase(std::string_view utf8) { return MapCase<true>(utf8); }
std::string LowerCase(std::string_view utf8) { return MapCase<false>(utf8); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return UpperCase(a) == UpperCase(b);
}

}  // namespace vkt::text
