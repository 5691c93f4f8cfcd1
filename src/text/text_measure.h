// Text measurement (`modDraw_Base`): how much room a text, or a list of lines,
// takes on a text-measuring device of the desktop (a TextDevice the caller
// hands in, with the handle of one of its devices). Device 0 is the screen. Texts may carry
// ampersand prefixes as captions do; with `Mnemonics` they are measured as drawn (see
// StripMnemonics).
//
// Where there is no desktop (the command line: the do-nothing TextDevice) the
// device cannot measure and every extent is (0, 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "services/desktop.h"

namespace vkt::text {

// A device handle; 0 is the screen.
using DeviceHandle = std::intptr_t;

// Width and height in the device's logical units (the platform's SIZE record).
struct Extent {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  bool operator==(const Extent&) const = default;
};

// Chooses the measuring path once per process. Every text here is Unicode, so
// the wide-character path is always taken; the routines below call this
// themselves while TextApiReady() is false.
void InitTextApi();
bool TextApiReady();
bool UseWideText();

// Stores in `size` the extent of `text` on `hDC`, measured as StripMnemonics
// gives it when `Mnemonics` is true. A negative width, and a device that cannot
// measure, store 0 for what was not reported.
void GetTextSize(TextDevice& device, DeviceHandle hDC, const std::string& text, Extent* size,
                 bool Mnemonics);

// Stores in `size` the extent of `lines`: the largest width and the sum of the
// heights, each line measured as by GetTextSize. No lines store (0, 0).
void GetLinesSize(TextDevice& device, DeviceHandle hDC, const std::vector<std::string>& lines,
                  Extent* size, bool Mnemonics);

// The drawn characters of a caption text, on one line: "&x" gives x (so "&&"
// gives "&"), CR LF pairs and CR CR LF triples vanish, a final lone "&" and lone
// CRs or LFs stay.
std::string StripMnemonics(const std::string& text);

}  // namespace vkt::text
