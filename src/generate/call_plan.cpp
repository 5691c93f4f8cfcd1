#include "generate/call_plan.h"

#include "generate/framing.h"
#include "generate/names.h"
#include "generate/object_types.h"

namespace vkt::generate {

CallPlan PlanCall(const config::RepositorySettings& settings, std::string_view tipo_objeto,
                  std::string_view banco) {
  CallPlan plan;
  const bool sql_server = IsSqlServer(banco);
  plan.extension = sql_server ? ".sql" : ".ora";
  plan.output_folder = settings.PathDestino +
                       (sql_server ? std::string("\\sql_server") : "\\" + std::string(banco)) +
                       "\\02-ATUALIZACAO\\";
  if (const ObjectTypeRow* row = FindObjectType(tipo_objeto)) {
    const std::string_view prefix =
        row->keyword == "JOBS" ? JobsPrefix(settings.SISTEMA) : row->prefix;
    if (!prefix.empty()) {
      plan.source_folder = settings.PathOrigem + std::string(row->folder);
      plan.output_file = plan.output_folder + std::string(prefix) +
                         NomeSchema(banco, settings.SISTEMA) + std::string(row->suffix);
    }
    if (IsSql2005Type(tipo_objeto)) plan.extension = ".sql2005";
  }
  return plan;
}

}  // namespace vkt::generate
