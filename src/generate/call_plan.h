// Where one generation call reads and writes. GeraScript takes its paths from
// here, and so do the tools that describe a run without running it (reports,
// checks) and the run's clean-up of leftovers.
#pragma once

#include <string>
#include <string_view>

#include "config/run_state.h"
#include "generate/database_kind.h"

namespace vkt::generate {

struct CallPlan {
  std::string database_folder;  // `PathDestino` + "\" + the kind's output folder
  std::string output_folder;    // database_folder + "\02-ATUALIZACAO\"
  std::string source_folder;    // `PathOrigem` + the type's folder; "" when it has no script
  std::string output_file;      // the script; "" when the type has none ("DOCS_E_BATS" too)
  std::string extension;        // of the listed files: SourceExtension()
};

// The output folder of `kind` below `PathDestino`: its kind folder and
// "\02-ATUALIZACAO\" ("sql_server\02-ATUALIZACAO\").
std::string UpdateFolder(DatabaseKind kind);

// The plan of the call GeraScript(`tipo_objeto`, `kind`) for `settings`. A
// keyword without a row of the object-type table, or whose type has no
// number prefix for the system, gets the folders alone.
CallPlan PlanCall(const config::RepositorySettings& settings, std::string_view tipo_objeto,
                  DatabaseKind kind);

// The extension of the scripts of `tipo_objeto` for `kind`: the type's own
// (".sql2005"), else the kind's (".sql", ".ora").
std::string_view SourceExtension(std::string_view tipo_objeto, DatabaseKind kind);

}  // namespace vkt::generate
