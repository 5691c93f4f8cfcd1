// The window's text-measuring device: GDI. Device 0 is the screen, measured
// in the window's face at 8.25 pt and the screen's DPI; any other handle is
// taken as a device context and measured in the font selected into it.
#pragma once

#include "services/desktop.h"

namespace vkt::win {

class WinTextDevice final : public TextDevice {
 public:
  // Width from GetTextExtentPoint32W, height the font's line height
  // (tmHeight, also for the empty text). False when the device context is
  // not valid.
  bool Measure(std::intptr_t device, std::u16string_view text, std::int32_t* width,
               std::int32_t* height) override;
};

}  // namespace vkt::win
