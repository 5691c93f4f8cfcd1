#include "gui/qt_desktop.h"

#include <QCoreApplication>
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

QtDesktop::QtDesktop(const Widgets& widgets) : widgets_(widgets), picker_(widgets.window) {}

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
    widgets_.messages->setPlainText(
        ToQString(NormalizeLineBreaks(text.empty() ? resting_text_ : text)));
  }
}

void QtDesktop::SetRestingText(std::string_view text) {
  resting_text_ = text;
  SetMessageText("");
}

void QtDesktop::Yield() { QCoreApplication::processEvents(); }

DesktopServices QtDesktop::Services() {
  DesktopServices services;
  services.boxes = this;
  services.view = this;
  services.loop = this;
  services.picker = &picker_;
  services.text = &text_device_;
  services.icons = &icons_;
  return services;
}

}  // namespace vkt::gui
