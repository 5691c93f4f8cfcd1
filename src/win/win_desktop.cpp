#include "win/win_desktop.h"

#include "win/wide_text.h"

namespace vkt::win {

WinDesktop::WinDesktop(const Controls& controls) : controls_(controls), picker_(controls.window) {}

void WinDesktop::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  const UINT style = MB_OK | (icon == BoxIcon::kCritical ? MB_ICONERROR : 0U);
  MessageBoxW(controls_.window, WithCrLf(text).c_str(), Wide(title).c_str(), style);
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
