// The object-type table of the generation driver: for each object-type
// keyword its source folder (appended to `PathOrigem`), its number prefix and
// the suffix of its output file name.
#pragma once

#include <string_view>

namespace vkt::generate {

struct ObjectTypeRow {
  std::string_view keyword;  // upper case, matched exactly
  std::string_view folder;   // "\Tabelas"; appended to `PathOrigem`
  std::string_view prefix;   // "02-"; empty for "JOBS" (see JobsPrefix)
  std::string_view suffix;   // "_Tabelas.sql"
};

// The pseudo object type that copies the companion files instead of
// generating a script.
inline constexpr std::string_view kDocsEBats = "DOCS_E_BATS";

// The row of `tipo_objeto` (exact, case-sensitive match), or null when the
// keyword has no row ("OPCOES_MENU_ZEMO", "TEMPLATES_ZEMO", "DOCS_E_BATS").
const ObjectTypeRow* FindObjectType(std::string_view tipo_objeto);

// The number prefix of "JOBS" for `sistema` (exact comparison): "12.1-",
// "14-" or "13-"; empty when the system has no JOBS script.
std::string_view JobsPrefix(std::string_view sistema);

// True for "PROCEDURES_SQL_2005" and "PACKAGES_SQL_2005", whose files carry
// the extension ".sql2005".
bool IsSql2005Type(std::string_view tipo_objeto);

}  // namespace vkt::generate
