// The desktop services of the Win32 window: message boxes through
// MessageBoxW, the run's captions and message area as the window's controls,
// yielding as a pump of the thread's messages, the folder picker through
// IFileOpenDialog, text measurement through GDI and file icons through
// SHGetFileInfoW.
#pragma once

#include "win/windows_api.h"

#include <string>
#include <string_view>

#include "services/desktop.h"
#include "win/win_folder_picker.h"
#include "win/win_icon_service.h"
#include "win/win_text_device.h"

namespace vkt::win {

class WinDesktop final : public MessageBoxService, public RunView, public EventLoop {
 public:
  // The controls the services write to; all must outlive this object.
  struct Controls {
    HWND window = nullptr;  // owner of the boxes and the picker
    HWND config_utilizado = nullptr;
    HWND diretorio_origem = nullptr;
    HWND diretorio_destino = nullptr;
    HWND messages = nullptr;
  };
  explicit WinDesktop(const Controls& controls);

  // MessageBoxW with one OK button, owned by the window; kCritical shows the
  // error icon. Returns when the box is closed.
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SetCaption(Caption which, std::string_view text) override;
  // Every line break shows as one. An empty text shows the resting text.
  void SetMessageText(std::string_view text) override;
  // What the message area shows while a run leaves it empty; shown at once.
  void SetRestingText(std::string_view text);
  // Dispatches every message waiting in the thread's queue (DoEvents). A
  // WM_QUIT met on the way is posted again for the main loop.
  void Yield() override;

  // The services to install: all six, owned by this object.
  DesktopServices Services();

 private:
  Controls controls_;
  std::string resting_text_;
  WinFolderPicker picker_;
  WinTextDevice text_device_;
  WinIconService icons_;
};

}  // namespace vkt::win
