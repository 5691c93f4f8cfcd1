// How a generation call runs. The default is the installation run itself,
// under the default settings of [GERAL].
#pragma once

#include "config/general_settings.h"

namespace vkt::generate {

struct GenerationOptions {
  // Goes through the call without changing anything on disk: no folder is
  // created, no script written, no companion file deleted or copied. The
  // call reports (messages and boxes, in the same words) what the
  // installation would report where that can be known without writing: a
  // missing section or list entry, a file the list does not name, an
  // unreadable source, a missing companion file, an output folder or script
  // path taken by something that cannot be replaced. One difference: a
  // source folder that cannot be read is reported once per run
  // (config::RunState::folders_reported), not once per call.
  bool dry_run = false;
  // The settings of [GERAL] the run started with. The file list and the
  // source scripts are read, and the Oracle script written, in their
  // `code_page`.
  config::GeneralSettings general;
};

}  // namespace vkt::generate
