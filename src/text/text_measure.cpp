#include "text/text_measure.h"

#include <algorithm>

#include "text/codepage.h"

namespace vkt::text {
namespace {

bool text_api_ready = false;
bool use_wide_text = false;

// One text as the device reports it; (0, 0) for what it does not report.
Extent Measure(TextDevice& device, DeviceHandle hDC, const std::string& text, bool Mnemonics) {
  if (!text_api_ready) InitTextApi();
  const std::u16string units = Utf8ToUtf16(Mnemonics ? StripMnemonics(text) : text);
  std::int32_t width = 0;
  std::int32_t height = 0;
  if (!device.Measure(hDC, units, &width, &height)) return {};
  return {std::max(width, 0), height};
}

}  // namespace

void InitTextApi() {
  // The byte-string path existed for platforms whose text functions were not
  // Unicode; every platform this runs on measures Unicode text.
  use_wide_text = true;
  text_api_ready = true;
}

bool TextApiReady() { return text_api_ready; }
bool UseWideText() { return use_wide_text; }

void GetTextSize(TextDevice& device, DeviceHandle hDC, const std::string& text, Extent* size,
                 bool Mnemonics) {
  *size = Measure(device, hDC, text, Mnemonics);
}

void GetLinesSize(TextDevice& device, DeviceHandle hDC, const std::vector<std::string>& lines,
                  Extent* size, bool Mnemonics) {
  if (!text_api_ready) InitTextApi();
  Extent total;
  for (const std::string& line : lines) {
    const Extent one = Measure(device, hDC, line, Mnemonics);
    total.cx = std::max(total.cx, one.cx);
    total.cy += one.cy;
  }
  *size = total;
}

std::string StripMnemonics(const std::string& text) {
  // Walks bytes: "&", CR and LF are single bytes that never occur inside a
  // UTF-8 sequence, so "&" followed by a multi-byte character keeps all of it.
  const std::size_t n = text.size();
  std::string out;
  out.reserve(n);
  std::size_t i = 0;
  while (i < n) {
    if (i + 2 < n && text[i] == '\r' && text[i + 1] == '\r' && text[i + 2] == '\n') {
      // The triple is skipped and the same pass goes on at the next position
      // without looking for another triple there.
      i += 3;
    }
    if (i + 1 < n) {
      if (text[i] == '&') {
        out += text[i + 1];
        i += 2;
      } else if (text[i] == '\r' && text[i + 1] == '\n') {
        i += 2;
      } else {
        out += text[i];
        i += 1;
      }
    } else {
      if (i < n) out += text[i];
      i += 1;
    }
  }
  return out;
}

}  // namespace vkt::text
