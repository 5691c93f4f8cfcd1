// The desktop services of the window: message boxes as QMessageBox, the run's
// captions and the message area as the window's widgets, yielding as
// QCoreApplication::processEvents, the folder picker as Qt's folder dialog,
// text measurement with Qt's font metrics and file icons from the MIME
// database and the icon theme.
#pragma once

#include <string>
#include <string_view>

#include "gui/qt_folder_picker.h"
#include "gui/qt_icon_service.h"
#include "gui/qt_text_device.h"
#include "services/desktop.h"

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace vkt::gui {

class QtDesktop final : public MessageBoxService, public RunView, public EventLoop {
 public:
  // The widgets the services write to; all must outlive this object.
  struct Widgets {
    QWidget* window = nullptr;  // parent of the boxes and the picker
    QLabel* config_utilizado = nullptr;
    QLabel* diretorio_origem = nullptr;
    QLabel* diretorio_destino = nullptr;
    QPlainTextEdit* messages = nullptr;
  };
  explicit QtDesktop(const Widgets& widgets);

  // A modal box with one OK button; returns when it is closed.
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SetCaption(Caption which, std::string_view text) override;
  // Lines joined by CR LF or by CR alone show as one line each. An empty
  // text shows the resting text instead.
  void SetMessageText(std::string_view text) override;
  // What the message area shows while a run leaves it empty (a button press
  // empties it first); empty for nothing. Shown at once.
  void SetRestingText(std::string_view text);
  void Yield() override;

  // The services to install: all six, owned by this object.
  DesktopServices Services();

 private:
  Widgets widgets_;
  std::string resting_text_;
  QtFolderPicker picker_;
  QtTextDevice text_device_;
  QtIconService icons_;
};

// `text` with every CR LF and every lone CR turned into LF.
std::string NormalizeLineBreaks(std::string_view text);

}  // namespace vkt::gui
