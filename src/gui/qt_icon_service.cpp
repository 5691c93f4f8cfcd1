#include "gui/qt_icon_service.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"

namespace vkt::gui {
namespace {

// The icons handed out so far, by index, and the index of each icon source
// ("theme:text-plain", "standard:file").
struct IconTable {
  std::vector<QIcon> icons;
  QHash<QString, int> index_of;
};

IconTable& Table() {
  static IconTable table;
  return table;
}

// The name part of a Windows-form or POSIX path.
QString BaseName(std::string_view file_name) {
  const std::size_t cut = file_name.find_last_of("\\/");
  const std::string_view base =
      cut == std::string_view::npos ? file_name : file_name.substr(cut + 1);
  return QString::fromUtf8(base.data(), static_cast<qsizetype>(base.size()));
}

// Finds the icon for `file_name` and its source key; false when none.
bool ResolveIcon(std::string_view file_name, QString* key, QIcon* icon) {
  if (qGuiApp == nullptr) return false;
  // The name of an existing folder shows the folder icon, as the shell does.
  const bool folder = platform::IsDirectory(file_name);
  QStringList theme_names;
  if (folder) {
    theme_names << QStringLiteral("folder");
  } else {
    static const QMimeDatabase database;
    const QMimeType type =
        database.mimeTypeForFile(BaseName(file_name), QMimeDatabase::MatchExtension);
    theme_names << type.iconName() << type.genericIconName();
  }
  for (const QString& name : theme_names) {
    if (name.isEmpty() || !QIcon::hasThemeIcon(name)) continue;
    *icon = QIcon::fromTheme(name);
    if (!icon->isNull()) {
      *key = QStringLiteral("theme:") + name;
      return true;
    }
  }
  // The style's icons need the widgets' application object.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return false;
  static const QFileIconProvider provider;
  *icon =
      provider.icon(folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
  if (icon->isNull()) {
    *icon = QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
  }
  if (icon->isNull()) return false;
  *key = folder ? QStringLiteral("standard:folder") : QStringLiteral("standard:file");
  return true;
}

// The index of the file's icon, adding the icon to the lists on first use.
std::optional<int> IndexFor(std::string_view file_name) {
  QString key;
  QIcon icon;
  if (!ResolveIcon(file_name, &key, &icon)) return std::nullopt;
  IconTable& table = Table();
  auto found = table.index_of.constFind(key);
  if (found != table.index_of.constEnd()) return found.value();
  const int index = static_cast<int>(table.icons.size());
  table.icons.push_back(icon);
  table.index_of.insert(key, index);
  return index;
}

// `icon` drawn into exactly `size` x `size` pixels, keeping its proportions and
// centred on a transparent square when the icon has no square image.
QImage Render(const QIcon& icon, int size) {
  QImage image = icon.pixmap(QSize(size, size), 1.0).toImage();
  if (image.width() == size && image.height() == size) {
    return image.convertToFormat(QImage::Format_ARGB32);
  }
  QImage square(size, size, QImage::Format_ARGB32);
  square.fill(Qt::transparent);
  if (!image.isNull()) {
    const QImage scaled = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
  }
  return square;
}

}  // namespace

bool QtIconService::IconIndex(std::string_view file_name, bool small, std::int32_t* index,
                              std::int32_t* list_handle) {
  const std::optional<int> found = IndexFor(file_name);
  if (!found) return false;
  *index = *found;
  *list_handle = small ? kSmallListHandle : kLargeListHandle;
  return true;
}

bool QtIconService::Icon(std::string_view file_name, int size, IconImage* image) {
  if (size <= 0) return false;
  const std::optional<int> found = IndexFor(file_name);
  if (!found) return false;
  const QImage rendered = Render(Table().icons[*found], size);
  if (rendered.isNull()) return false;
  image->width = size;
  image->height = size;
  image->argb.assign(static_cast<std::size_t>(size) * size, 0);
  for (int y = 0; y < size; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rendered.constScanLine(y));
    std::copy(row, row + size, image->argb.begin() + static_cast<std::ptrdiff_t>(y) * size);
  }
  return true;
}

}  // namespace vkt::gui
