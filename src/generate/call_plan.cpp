#include "generate/call_plan.h"

#include "config/object_types.h"
#include "generate/names.h"

namespace vkt::generate {

CallPlan PlanCall(const config::RepositorySettings& settings, std::string_view tipo_objeto,
                  DatabaseKind kind) {
  CallPlan plan;
  plan.extension = SourceExtension(tipo_objeto, kind);
  plan.database_folder = settings.PathDestino + "\\" + std::string(Describe(kind).output_folder);
  plan.output_folder = settings.PathDestino + "\\" + UpdateFolder(kind);
  const config::ObjectType* type = config::FindObjectType(tipo_objeto);
  if (!type) return plan;
  const std::string_view prefix = config::NumberPrefix(*type, settings.SISTEMA);
  if (prefix.empty()) return plan;
  plan.source_folder = settings.PathOrigem + std::string(type->folder);
  plan.output_file = plan.output_folder + std::string(prefix) + NomeSchema(kind, settings.SISTEMA) +
                     std::string(type->suffix);
  return plan;
}

std::string UpdateFolder(DatabaseKind kind) {
  return std::string(Describe(kind).output_folder) + "\\02-ATUALIZACAO\\";
}

std::string_view SourceExtension(std::string_view tipo_objeto, DatabaseKind kind) {
  const config::ObjectType* type = config::FindObjectType(tipo_objeto);
  if (type && !type->extension.empty()) return type->extension;
  return Describe(kind).extension;
}

}  // namespace vkt::generate
