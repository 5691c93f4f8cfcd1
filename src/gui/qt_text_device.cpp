#include "gui/qt_text_device.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QString>

namespace vkt::gui {

bool QtTextDevice::Measure(std::intptr_t device, std::u16string_view text, std::int32_t* width,
                           std::int32_t* height) {
  if (device != 0 || qGuiApp == nullptr) return false;
  // A font without a paint device is measured at the primary screen's
  // resolution.
  const QFontMetrics metrics(QGuiApplication::font());
  const QString qtext = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  *width = metrics.horizontalAdvance(qtext);
  *height = metrics.height();
  return true;
}

}  // namespace vkt::gui
