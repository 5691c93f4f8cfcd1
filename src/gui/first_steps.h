// Where the Qt window finds the bundled example "pedidos" it offers while no
// main configuration is read (app/first_start.h decides what it offers).
#pragma once

#include <string>

#include "app/first_start.h"

namespace vkt::gui {

// "examples/pedidos" beside the executable when that folder exists (the
// build folder links the repository's examples/, an unpacked copy may carry
// its own), as its canonical path; otherwise the folder the installation
// puts it in (under the data directory the build was configured with),
// whether it exists or not.
app::ExamplePlace FindExample(const std::string& executable_folder);

}  // namespace vkt::gui
