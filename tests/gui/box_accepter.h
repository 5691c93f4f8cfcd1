// Presses OK on the window's message boxes in GUI tests, as a user would.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

namespace vkt::gui {

// Presses OK on every message box that opens while it lives, and records the
// boxes' texts and whether "Gera Install" was enabled at that moment.
class BoxAccepter final {
 public:
  explicit BoxAccepter(QWidget* install_button) : install_button_(install_button) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      texts.push_back(box->text().toStdString());
      install_enabled.push_back(install_button_->isEnabled());
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(20);
  }
  std::vector<std::string> texts;
  std::vector<bool> install_enabled;

 private:
  QWidget* install_button_;
  QTimer timer_;
};

}  // namespace vkt::gui
