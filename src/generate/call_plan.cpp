#include "generate/call_plan.h"

#include "config/object_types.h"
#include "generate/framing.h"
#include "generate/names.h"

namespace vkt::generate {

CallPlan PlanCall(const config::RepositorySettings& settings, std::string_view tipo_objeto,
                  std::string_view banco) {
  CallPlan plan;
  const bool sql_server = IsSqlServer(banco);
  plan.extension = sql_server ? ".sql" : ".ora";
  plan.output_folder = settings.PathDestino +
                       (sql_server ? std::string("\\sql_server") : "\\" + std::string(banco)) +
                       "\\02-ATUALIZACAO\\";
  if (const config::ObjectType* type = config::FindObjectType(tipo_objeto)) {
    const std::string_view prefix = config::NumberPrefix(*type, settings.SISTEMA);
    if (!prefix.empty()) {
      plan.source_folder = settings.PathOrigem + std::string(type->folder);
      plan.output_file = plan.output_folder + std::string(prefix) +
                         NomeSchema(banco, settings.SISTEMA) + std::string(type->suffix);
    }
    if (!type->extension.empty()) plan.extension = type->extension;
  }
  return plan;
}

}  // namespace vkt::generate
