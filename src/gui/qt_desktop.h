// The desktop services of the window: message boxes as QMessageBox, the run's
// captions and the message area as the window's widgets, yielding as
// QCoreApplication::processEvents, and the folder picker as QFileDialog.
// Text measurement and file icons keep the core's do-nothing defaults.
#pragma once

#include <string>
#include <string_view>

#include "services/desktop.h"

class QLabel;
class QPlainTextEdit;
class QWidget;

namespace vkt::gui {

class QtDesktop final : public MessageBoxService,
                        public RunView,
                        public EventLoop,
                        public FolderPicker {
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
  // Lines joined by CR LF or by CR alone show as one line each.
  void SetMessageText(std::string_view text) override;
  void Yield() override;
  std::string PickFolder(std::string_view title, std::string_view initial_folder) override;

  // The services to install: boxes, view, loop and picker from this object.
  DesktopServices Services();

 private:
  Widgets widgets_;
};

// `text` with every CR LF and every lone CR turned into LF.
std::string NormalizeLineBreaks(std::string_view text);

}  // namespace vkt::gui
