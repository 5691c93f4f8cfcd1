// The window's text-measuring device: Qt's font metrics. Device 0 is the
// screen, measured in the application's default font at the primary screen's
// resolution; no other device exists, so other handles cannot measure.
#pragma once

#include "services/desktop.h"

namespace vkt::gui {

class QtTextDevice final : public TextDevice {
 public:
  // Width is the text's horizontal advance, height the font's line height
  // (also for the empty text). False for a device other than 0, or before the
  // application object exists.
  bool Measure(std::intptr_t device, std::u16string_view text, std::int32_t* width,
               std::int32_t* height) override;
};

}  // namespace vkt::gui
