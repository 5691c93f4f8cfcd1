// The window's file icons: the shell's (SHGetFileInfoW), looked up by the
// type of the name (SHGFI_USEFILEATTRIBUTES: the file need not exist; the
// name of an existing folder gets the folder icon). The shell keeps one
// system image list per size, with the same index for an icon in both; they
// are handed out as kSmallListHandle and kLargeListHandle.
#pragma once

#include "services/desktop.h"

namespace vkt::win {

class WinIconService final : public IconService {
 public:
  static constexpr std::int32_t kSmallListHandle = 1;
  static constexpr std::int32_t kLargeListHandle = 2;

  bool IconIndex(std::string_view file_name, bool small, std::int32_t* index,
                 std::int32_t* list_handle) override;
  // The shell's small icon for sizes up to 16, its large one above, drawn
  // into `size` x `size` pixels. Alpha comes from drawing the icon on black
  // and on white, so icons with a mask and icons with alpha both come out
  // with straight alpha.
  bool Icon(std::string_view file_name, int size, IconImage* image) override;
};

}  // namespace vkt::win
