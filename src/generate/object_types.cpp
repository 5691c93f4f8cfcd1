#include "generate/object_types.h"

#include <array>

namespace vkt::generate {
namespace {

constexpr std::array<ObjectTypeRow, 19> kRows{{
    {"TYPESRULESDEFAULTS", "\\Types_Rules_Defaults", "01-", "_TypesRulesDefaults.sql"},
    {"TABELAS", "\\Tabelas", "02-", "_Tabelas.sql"},
    {"TABELAS2", "\\Tabelas2", "02.1-", "_Tabelas2.sql"},
    {"SEQUENCES", "\\Sequences", "03-", "_Sequences.sql"},
    {"EVOLUCAO", "\\Evolucao", "04-", "_Evolucao.sql"},
    {"EVOLUCAO2", "\\Evolucao2", "04.1-", "_Evolucao2.sql"},
    {"VIEWS", "\\VIEWS", "05-", "_Views.sql"},
    {"FUNCTIONS", "\\FUNCTIONS", "06-", "_Functions.sql"},
    {"PROCEDURES", "\\Procedures", "07-", "_Procedures.sql"},
    {"PACKAGES", "\\Packages", "08-", "_Packages.sql"},
    {"TRIGGERS", "\\TRIGGERS", "09-", "_Triggers.sql"},
    {"GRANTS", "\\GRANTS", "10-", "_Grants.sql"},
    {"SINONIMOS", "\\SINONIMOS", "11-", "_Sinonimos.sql"},
    {"OPCOES_MENU", "\\OPCOES_MENU", "11.1-", "_OpcoesMenu.sql"},
    {"DADOS", "\\DADOS", "12-", "_Dados.sql"},
    {"JOBS", "\\JOBS", "", "_Jobs.sql"},
    {"TEMPLATES", "\\TEMPLATES", "13-", "_Templates.sql"},
    {"PROCEDURES_SQL_2005", "\\PROCEDURES", "13-", "_Procedures_SQL2005.sql"},
    {"PACKAGES_SQL_2005", "\\PACKAGES", "14-", "_Packages_SQL2005.sql"},
}};

}  // namespace

const ObjectTypeRow* FindObjectType(std::string_view tipo_objeto) {
  for (const ObjectTypeRow& row : kRows) {
    if (row.keyword == tipo_objeto) return &row;
  }
  return nullptr;
}

std::string_view JobsPrefix(std::string_view sistema) {
  if (sistema == "DORVEL" || sistema == "Z7Q" || sistema == "TORVA-MALKEDRO") return "12.1-";
  if (sistema == "NOVASTRELLA" || sistema == "BELIX" || sistema == "ZEMO" || sistema == "JUX") {
    return "14-";
  }
  if (sistema == "TESSAL") return "13-";
  return {};
}

bool IsSql2005Type(std::string_view tipo_objeto) {
  return tipo_objeto == "PROCEDURES_SQL_2005" || tipo_objeto == "PACKAGES_SQL_2005";
}

}  // namespace vkt::generate
