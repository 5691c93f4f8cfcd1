#include "gui/qt_desktop.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace vkt::gui {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string NormalizeLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

QtDesktop::QtDesktop(const Widgets& widgets) : widgets_(widgets) {}

void QtDesktop::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  QMessageBox box(icon == BoxIcon::kCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
                  ToQString(title), ToQString(NormalizeLineBreaks(text)), QMessageBox::Ok,
                  widgets_.window);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void QtDesktop::SetCaption(Caption which, std::string_view text) {
  QLabel* label = nullptr;
  switch (which) {
    case Caption::kConfigUtilizado:
      label = widgets_.config_utilizado;
      break;
    case Caption::kDiretorioOrigem:
      label = widgets_.diretorio_origem;
      break;
    case Caption::kDiretorioDestino:
      label = widgets_.diretorio_destino;
      break;
  }
  if (label != nullptr) label->setText(ToQString(text));
}

void QtDesktop::SetMessageText(std::string_view text) {
  if (widgets_.messages != nullptr) {
    widgets_.messages->setPlainText(ToQString(NormalizeLineBreaks(text)));
  }
}

void QtDesktop::Yield() { QCoreApplication::processEvents(); }

std::string QtDesktop::PickFolder(std::string_view title, std::string_view initial_folder) {
  QString folder = QFileDialog::getExistingDirectory(widgets_.window, ToQString(title),
                                                     ToQString(initial_folder));
  return folder.toStdString();
}

DesktopServices QtDesktop::Services() {
  DesktopServices services;
  services.boxes = this;
  services.view = this;
  services.loop = this;
  services.picker = this;
  return services;
}

}  // namespace vkt::gui
