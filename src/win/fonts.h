// The window's face, "MS Sans Serif", at a size in points for a DPI, and
// lengths in twips as pixels of that DPI.
#pragma once

#include "app/form_design.h"

#include "win/windows_api.h"

namespace vkt::win {

using app::kButtonPoints;
using app::kDefaultPoints;

// Pixels for `twips` at `dpi` dots per inch (1440 twips to the inch; 15 to a
// pixel at 96 DPI), rounded to the nearest.
int TwipsToPixels(int twips, int dpi);

// A new font of the window's face; the caller deletes it (DeleteObject).
HFONT MakeProgramFont(double points, bool bold, int dpi);

// The DPI of the screen (the system's, as this process is aware of it).
int ScreenDpi();

}  // namespace vkt::win
