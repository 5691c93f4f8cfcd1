// Where one generation call reads and writes, derived as the driver derives
// it, for the tools that describe a run (reports, checks) without running it.
#pragma once

#include <string>
#include <string_view>

#include "config/run_state.h"

namespace vkt::generate {

struct CallPlan {
  std::string output_folder;  // `PathDestino` + kind folder + "\02-ATUALIZACAO\"
  std::string source_folder;  // `PathOrigem` + the type's folder; "" when it has none
  std::string output_file;    // the script; "" when the type has none ("DOCS_E_BATS" too)
  std::string extension;      // of the listed files: ".ora", ".sql" or ".sql2005"
};

// The plan of the call GeraScript(`tipo_objeto`, `banco`) for `settings`.
CallPlan PlanCall(const config::RepositorySettings& settings, std::string_view tipo_objeto,
                  std::string_view banco);

}  // namespace vkt::generate
