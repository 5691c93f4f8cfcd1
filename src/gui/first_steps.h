// What the window says while no main configuration is read: how to open one
// and where the bundled example "pedidos" lies.
#pragma once

#include <string>

namespace vkt::gui {

// Where the example is for the program running from `executable_folder`.
struct ExamplePlace {
  std::string folder;      // absolute path of the example's folder
  bool installed = false;  // the installed copy (read-only for users)
};

// "examples/pedidos" beside the executable when that folder exists (the
// build folder links the repository's examples/, an unpacked copy may carry
// its own), as its canonical path; otherwise the folder the installation
// puts it in (under the data directory the build was configured with),
// whether it exists or not.
ExamplePlace FindExample(const std::string& executable_folder);

// The lines shown below the places looked at: the menu item and shortcut that
// open a configuration, then the example's configuration file; for the
// installed example also that it is to be copied first.
std::string FirstStepsText(const ExamplePlace& example);

}  // namespace vkt::gui
