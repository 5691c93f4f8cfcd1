// Pictures of file icons (`GetFileIcon`) and the module routine that makes
// them. A picture owns its image: copying the shared pointer shares it, and the
// image goes with the last holder.
#pragma once

#include <cstdint>
#include <memory>

#include "services/desktop.h"

namespace vkt::fs {

// The kinds HandleToPicture takes.
inline constexpr std::int32_t kPicKindBitmap = 0;
inline constexpr std::int32_t kPicKindIcon = 1;
inline constexpr std::int32_t kPicKindIconAlt = 2;  // taken as an icon too

// What a picture describes (the platform's picture types).
enum class PictureType { kBitmap = 1, kIcon = 3 };

struct Picture {
  PictureType type = PictureType::kIcon;
  IconImage image;  // owned
  int Width() const { return image.width; }
  int Height() const { return image.height; }
};

// Makes a picture that takes over `handle`: kind 0 a bitmap, kind 1 or 2 an
// icon. Any other kind, and an image without pixels, give none (the image is
// then dropped).
std::shared_ptr<Picture> HandleToPicture(IconImage handle, std::int32_t PicKind);

}  // namespace vkt::fs
