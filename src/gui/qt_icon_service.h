// The window's file icons: the type of a file name from Qt's MIME database,
// its icon from the desktop's icon theme, and, where the theme has none (as
// offscreen), the style's standard file or folder icon, so that every name has
// an icon while the application object exists.
//
// The image lists are process-wide: every QtIconService shares them. An icon
// gets its index the first time a name needs it, the same index in both lists.
#pragma once

#include "services/desktop.h"

namespace vkt::gui {

class QtIconService final : public IconService {
 public:
  // The handles of the two process-wide image lists.
  static constexpr std::int32_t kSmallListHandle = 1;
  static constexpr std::int32_t kLargeListHandle = 2;

  bool IconIndex(std::string_view file_name, bool small, std::int32_t* index,
                 std::int32_t* list_handle) override;
  bool Icon(std::string_view file_name, int size, IconImage* image) override;
};

}  // namespace vkt::gui
