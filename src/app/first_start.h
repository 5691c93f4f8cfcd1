// A window's first start without a main configuration: the bundled example
// "pedidos" it offers, and the lines that say how to begin. Both windows
// (src/gui, src/win) show what this decides.
//
// The installed example lies where a user cannot write (Program Files,
// /usr/share), and it writes its package beside its own configuration; so
// the window offers a copy of it in the user's documents folder instead,
// made once and never made again over what the user has since changed.
#pragma once

#include <string>
#include <string_view>

#include "fs/platform/file_system.h"

namespace vkt::app {

// The folder below the user's documents folder that holds the copy:
// "Documents\VKTGeraInstallBD\pedidos".
inline constexpr std::string_view kExampleCopyFolder = "VKTGeraInstallBD";

// Where a window finds the bundled example.
struct ExamplePlace {
  std::string folder;      // absolute path of the example's folder; empty: none
  bool installed = false;  // the installed copy, which users cannot write
};

// What the window offers.
struct ExampleOffer {
  // The example to open: the user's copy, or `place.folder` itself when it
  // is not the installed one or no copy could be made; empty: none.
  std::string folder;
  // The installed example `folder` is a copy of; empty when `folder` is no copy.
  std::string installed;
  // The installed example is offered as it is: no documents folder was
  // named, or the copy failed (`failure` then says why).
  bool read_only = false;
  std::string copy_folder;  // where the copy was to go (empty: nowhere)
  platform::Status failure;
};

// The copy's place: `documents` + "VKTGeraInstallBD" + the example folder's
// own name, joined with the system's separator; empty when `documents` is.
std::string ExampleCopyFolder(const std::string& documents, const std::string& example);

// Decides what to offer for `place`, copying the installed example into
// `documents` (platform::DocumentsFolder for a real start) when no copy is
// there yet. A folder already at the copy's place is the user's and is
// offered as it is, whatever it holds. The copy is made in a folder of a
// temporary name beside its place, then renamed into it, so that a failed
// copy (a full disk, a write refused) leaves nothing at its place: what was
// copied is removed again and the installed example is offered, read-only,
// with the failure. Symbolic links inside the example are not copied (nor
// followed); the copy's files can be written whatever the installed ones'
// marks. Every change goes through the platform layer.
ExampleOffer OfferExample(const ExamplePlace& place, const std::string& documents);

// The lines shown below the places looked at: the menu item and shortcut that
// open a configuration, then, when there is an example, its configuration
// file, and where that copy came from or why it is only read.
std::string FirstStepsText(const ExampleOffer& offer);

}  // namespace vkt::app
