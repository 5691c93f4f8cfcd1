#include "win/win_desktop.h"

#include <string>
#include <string_view>

#include "win/wide_text.h"

namespace vkt::win {
namespace {

// How wide the box `box` must be for its whole title: the title in the
// system's caption font, the close button and the frame, at the box's DPI.
int TitleWidth(HWND box) {
  const UINT dpi = GetDpiForWindow(box) != 0 ? GetDpiForWindow(box) : 96;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    return 0;
  }
  std::wstring title(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  title.resize(
      static_cast<std::size_t>(GetWindowTextW(box, title.data(), static_cast<int>(title.size()))));
  HFONT font = CreateFontIndirectW(&metrics.lfCaptionFont);
  HDC dc = GetDC(box);
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(box, dc);
  DeleteObject(font);
  // A caption button's width each for the close button and for the room
  // around the title, and the frame on both sides.
  const int frame =
      GetSystemMetricsForDpi(SM_CXFIXEDFRAME, dpi) + GetSystemMetricsForDpi(SM_CXPADDEDBORDER, dpi);
  return static_cast<int>(extent.cx) + 3 * metrics.iCaptionWidth + 2 * frame;
}

BOOL CALLBACK ShiftButton(HWND child, LPARAM by) {
  wchar_t class_name[16] = {};
  GetClassNameW(child, class_name, 16);
  if (std::wstring_view(class_name) == WC_BUTTONW) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    SetWindowPos(child, nullptr, rect.left + static_cast<int>(by), rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return TRUE;
}

// MessageBoxW sizes its box by the text, and a short text ("FIM") cuts the
// title ("VKTGeraInst…"): the box is widened about its centre to fit the
// title, its buttons kept in the middle.
LRESULT CALLBACK FitBoxTitle(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the hook's WPARAM is the window
    HWND box = reinterpret_cast<HWND>(wparam);
    wchar_t class_name[16] = {};
    GetClassNameW(box, class_name, 16);
    RECT rect{};
    GetWindowRect(box, &rect);
    const int missing = std::wstring_view(class_name) == L"#32770"
                            ? TitleWidth(box) - static_cast<int>(rect.right - rect.left)
                            : 0;
    if (missing > 0) {
      SetWindowPos(box, nullptr, rect.left - missing / 2, rect.top,
                   rect.right - rect.left + missing, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      EnumChildWindows(box, &ShiftButton, missing / 2);
    }
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

WinDesktop::WinDesktop(const Controls& controls) : controls_(controls), picker_(controls.window) {}

void WinDesktop::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  const UINT style = MB_OK | (icon == BoxIcon::kCritical ? MB_ICONERROR : 0U);
  HHOOK hook = SetWindowsHookExW(WH_CBT, &FitBoxTitle, nullptr, GetCurrentThreadId());
  MessageBoxW(controls_.window, WithCrLf(text).c_str(), Wide(title).c_str(), style);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
}

void WinDesktop::SetCaption(Caption which, std::string_view text) {
  HWND label = nullptr;
  switch (which) {
    case Caption::kConfigUtilizado:
      label = controls_.config_utilizado;
      break;
    case Caption::kDiretorioOrigem:
      label = controls_.diretorio_origem;
      break;
    case Caption::kDiretorioDestino:
      label = controls_.diretorio_destino;
      break;
  }
  if (label != nullptr) SetWindowTextW(label, Wide(text).c_str());
}

void WinDesktop::SetMessageText(std::string_view text) {
  if (controls_.messages != nullptr) {
    SetWindowTextW(controls_.messages, WithCrLf(text.empty() ? resting_text_ : text).c_str());
  }
}

void WinDesktop::SetRestingText(std::string_view text) {
  resting_text_ = text;
  SetMessageText("");
}

void WinDesktop::Yield() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

DesktopServices WinDesktop::Services() {
  DesktopServices services;
  services.boxes = this;
  services.view = this;
  services.loop = this;
  services.picker = &picker_;
  services.text = &text_device_;
  services.icons = &icons_;
  return services;
}

}  // namespace vkt::win
