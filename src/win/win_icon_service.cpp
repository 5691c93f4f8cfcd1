#include "win/win_icon_service.h"

#include "win/windows_api.h"

#include <algorithm>
#include <string>

#include "fs/platform/file_system.h"
#include "win/wide_text.h"

namespace vkt::win {
namespace {

// SHGetFileInfoW on the name's type; the result is the call's own.
DWORD_PTR ShellInfo(std::string_view file_name, UINT flags, SHFILEINFOW* info) {
  const DWORD attributes =
      platform::IsDirectory(file_name) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  return SHGetFileInfoW(Wide(file_name).c_str(), attributes, info, sizeof(*info),
                        flags | SHGFI_USEFILEATTRIBUTES);
}

// A top-down 32-bit device-independent bitmap of `size` x `size` filled with
// `background`, `icon` drawn on it; its pixels are copied to `pixels`.
bool DrawOn(HICON icon, int size, COLORREF background, std::vector<std::uint32_t>* pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return false;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool drawn = false;
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const RECT all{0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    drawn = DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) != FALSE;
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    pixels->assign(first, first + static_cast<std::ptrdiff_t>(size) * size);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
  return drawn;
}

// The straight-alpha pixel seen as `on_black` on black and `on_white` on
// white: the background shows through by (white - black) / 255.
std::uint32_t Unblend(std::uint32_t on_black, std::uint32_t on_white) {
  const int through =
      255 -
      std::clamp(static_cast<int>(on_white & 0xFF) - static_cast<int>(on_black & 0xFF), 0, 255);
  const std::uint32_t alpha = static_cast<std::uint32_t>(through);
  if (alpha == 0) return 0;
  std::uint32_t pixel = alpha << 24;
  for (int shift : {16, 8, 0}) {
    const std::uint32_t channel = (on_black >> shift) & 0xFF;
    pixel |= std::min<std::uint32_t>(255, channel * 255 / alpha) << shift;
  }
  return pixel;
}

}  // namespace

bool WinIconService::IconIndex(std::string_view file_name, bool small, std::int32_t* index,
                               std::int32_t* list_handle) {
  SHFILEINFOW info{};
  const UINT size = small ? SHGFI_SMALLICON : SHGFI_LARGEICON;
  if (ShellInfo(file_name, SHGFI_SYSICONINDEX | size, &info) == 0) return false;
  *index = info.iIcon;
  *list_handle = small ? kSmallListHandle : kLargeListHandle;
  return true;
}

bool WinIconService::Icon(std::string_view file_name, int size, IconImage* image) {
  if (size <= 0) return false;
  SHFILEINFOW info{};
  const UINT which = size <= 16 ? SHGFI_SMALLICON : SHGFI_LARGEICON;
  if (ShellInfo(file_name, SHGFI_ICON | which, &info) == 0 || info.hIcon == nullptr) return false;
  std::vector<std::uint32_t> on_black;
  std::vector<std::uint32_t> on_white;
  const bool drawn = DrawOn(info.hIcon, size, RGB(0, 0, 0), &on_black) &&
                     DrawOn(info.hIcon, size, RGB(255, 255, 255), &on_white);
  DestroyIcon(info.hIcon);
  if (!drawn) return false;
  image->width = size;
  image->height = size;
  image->argb.resize(on_black.size());
  for (std::size_t i = 0; i < on_black.size(); ++i) {
    image->argb[i] = Unblend(on_black[i], on_white[i]);
  }
  return true;
}

}  // namespace vkt::win
