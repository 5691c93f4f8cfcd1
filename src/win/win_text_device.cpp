#include "win/win_text_device.h"

#include "win/windows_api.h"

#include "win/fonts.h"

namespace vkt::win {
namespace {

bool MeasureIn(HDC dc, std::u16string_view text, std::int32_t* width, std::int32_t* height) {
  TEXTMETRICW metrics{};
  SIZE extent{};
  if (!GetTextMetricsW(dc, &metrics)) return false;
  if (!GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(text.data()),
                             static_cast<int>(text.size()), &extent)) {
    return false;
  }
  *width = extent.cx;
  *height = metrics.tmHeight;
  return true;
}

}  // namespace

bool WinTextDevice::Measure(std::intptr_t device, std::u16string_view text, std::int32_t* width,
                            std::int32_t* height) {
  if (device != 0) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle arrives as a number
    return MeasureIn(reinterpret_cast<HDC>(device), text, width, height);
  }
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  HFONT font = MakeProgramFont(kDefaultPoints, false, GetDeviceCaps(screen, LOGPIXELSY));
  HGDIOBJ previous = SelectObject(screen, font);
  const bool measured = MeasureIn(screen, text, width, height);
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return measured;
}

}  // namespace vkt::win
