#include "text/control_escapes.h"

#include <cstdio>

#include "text/utf8.h"

namespace vkt::text {
std::string UpperHex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string CodePointText(char32_t c) { return "U+" + UpperHex(static_cast<unsigned>(c), 4); }

namespace {

// C1 controls, line and paragraph separators, and the marks and embeddings
// of bidirectional text.
bool ShownAsUnicodeEscape(std::int32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

std::string ControlEscape(std::int32_t c) {
  if (c == '\t') return "\\t";
  if (c == '\r') return "\\r";
  if (c == '\n') return "\\n";
  if ((c >= 0 && c < 0x20) || c == 0x7F) return "\\x" + UpperHex(static_cast<unsigned>(c), 2);
  if (ShownAsUnicodeEscape(c)) return "\\u" + UpperHex(static_cast<unsigned>(c), 4);
  return "";
}

bool HasControls(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    // ASCII above the controls needs no decoding: the common case.
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {
      ++i;
      continue;
    }
    if (!ControlEscape(NextUtf8(text, &i)).empty()) return true;
  }
  return false;
}

std::string EscapeControls(std::string_view text) {
  if (!HasControls(text)) return std::string(text);
  std::string shown;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const std::string escape = ControlEscape(NextUtf8(text, &i));
    if (escape.empty()) {
      shown.append(text.substr(start, i - start));
    } else {
      shown += escape;
    }
  }
  return shown;
}

}  // namespace vkt::text
