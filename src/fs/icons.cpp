// GetIconIndex, GetFileIcon and HandleToPicture, over the desktop's icon
// service. The command line has no icons: every call then fails as a shell
// failure would (index 0, list handle 0, no picture).
#include "fs/icons.h"

#include <utility>

#include "fs/file_system_object.h"

namespace vkt::fs {

namespace {
constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;
}  // namespace

std::shared_ptr<Picture> HandleToPicture(IconImage handle, std::int32_t PicKind) {
  PictureType type;
  switch (PicKind) {
    case kPicKindBitmap:
      type = PictureType::kBitmap;
      break;
    case kPicKindIcon:
    case kPicKindIconAlt:
      type = PictureType::kIcon;
      break;
    default:
      return nullptr;
  }
  if (handle.empty()) return nullptr;
  auto picture = std::make_shared<Picture>();
  picture->type = type;
  picture->image = std::move(handle);
  return picture;
}

std::int32_t FileSystemObject::GetIconIndex(const std::string& lpFileName, bool fSmall,
                                            std::int32_t* hIml) {
  std::int32_t index = 0;
  std::int32_t list = 0;
  if (!desktop_.icons->IconIndex(lpFileName, fSmall, &index, &list) || list == 0) {
    // Index 0 is also a valid index; the empty list handle tells them apart.
    if (hIml) *hIml = 0;
    return 0;
  }
  if (hIml) *hIml = list;
  return index;
}

std::shared_ptr<Picture> FileSystemObject::GetFileIcon(const std::string& lpFileName, bool fSmall) {
  const int size = fSmall ? kSmallIconSize : kLargeIconSize;
  IconImage image;
  if (!desktop_.icons->Icon(lpFileName, size, &image)) return nullptr;
  // A picture is exactly 16 x 16 or 32 x 32; anything else the service hands
  // back is not the icon that was asked for.
  if (image.width != size || image.height != size ||
      image.argb.size() != static_cast<std::size_t>(size) * size) {
    return nullptr;
  }
  return HandleToPicture(std::move(image), kPicKindIcon);
}

}  // namespace vkt::fs
