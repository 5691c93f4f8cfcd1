// The object types of a repository, one row each: the file list's section,
// the source folder, what the numbering lists, the installation script's
// name and framing, the type's place in the window's list and when an
// installation run calls it. Everything else (the run order, the window's
// list, --help, vktgera(1) and the bash completion, written at build time)
// follows this table, so a new type is one row.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace vkt::config {

// The window's first entry: every object type. It has no row.
inline constexpr std::string_view kAllTypes = "TODOS";

// How the generation treats a type's files.
enum class ObjectClass {
  kCode,        // views, procedures...: Oracle progress lines with "exec", no block
  kData,        // tables, data...: each Oracle file inside a PL/SQL block
  kCompanions,  // copies the companion documents instead of writing a script
};

// When an installation run calls a type.
enum class RunsWhen {
  kAlways,         // every installation run
  kSelectedOrAll,  // its own keyword or kAllTypes is selected
  kZ7QOrSelected,  // its own keyword, or kAllTypes for the system "Z7Q"
};

// The Oracle call of a type, after its SQL Server call.
enum class OracleCall {
  kNone,   // SQL Server only
  kPlain,  // progress lines as they are
  kExec,   // progress lines preceded by "exec "
};

// Properties few types have, or-ed into ObjectType::quirks.
inline constexpr unsigned kBlankLineBeforeFile = 1U << 0;  // an empty line before each file
inline constexpr unsigned kBareForWyn = 1U << 1;           // no block nor progress for "WYN"
inline constexpr unsigned kCountOptional = 1U << 2;        // a missing NUMFILES lists no file

// A number prefix that depends on the system (exact, upper-case `system`).
struct SystemPrefix {
  std::string_view system;
  std::string_view prefix;
};

struct ObjectType {
  std::string_view keyword;  // upper case, matched exactly; also the file list's section
  ObjectClass object_class;
  std::string_view folder;            // "\VIEWS", appended to `PathOrigem`; "" for none
  std::string_view numbering_folder;  // what the numbering lists ("\Views"); "" for `folder`
  std::string_view prefix;            // "05-", the script's number; "" for no script
  std::string_view suffix;            // "_Views.sql", after the prefix and the schema
  int list_place;                     // ascending place in the window's list; 0 for none
  RunsWhen runs;
  OracleCall oracle_call;
  unsigned quirks = 0;
  // The extension of its scripts, for every kind, when not the kind's own.
  std::string_view extension = {};
  // When not empty, the prefix by system instead of `prefix` (none for others).
  std::span<const SystemPrefix> prefix_by_system = {};
};

// The number of the JOBS script by system; other systems have none.
inline constexpr SystemPrefix kJobsPrefixes[] = {
    {"DORVEL", "12.1-"},    {"Z7Q", "12.1-"},  {"TORVA-MALKEDRO", "12.1-"},
    {"NOVASTRELLA", "14-"}, {"BELIX", "14-"},  {"ZEMO", "14-"},
    {"JUX", "14-"},         {"TESSAL", "13-"},
};

// The object types in the order an installation run calls them. Places in
// the window's list go in tens, so that a new type fits between two others.
inline constexpr auto kObjectTypeTable = [] {
  using enum ObjectClass;
  using enum RunsWhen;
  using enum OracleCall;
  // clang-format off
  return std::to_array<ObjectType>({
    // keyword              class        source folder             numbering       prefix   script suffix              list runs            Oracle  quirks               extension  prefix by system
    {"TYPESRULESDEFAULTS",  kCode,       "\\Types_Rules_Defaults", "",             "01-",   "_TypesRulesDefaults.sql",  10, kSelectedOrAll, kExec},
    {"DOCS_E_BATS",         kCompanions, "",                       "",             "",      "",                          0, kAlways,        kPlain},
    {"TABELAS",             kData,       "\\Tabelas",              "",             "02-",   "_Tabelas.sql",             20, kSelectedOrAll, kPlain, kBlankLineBeforeFile},
    {"EVOLUCAO",            kData,       "\\Evolucao",             "",             "04-",   "_Evolucao.sql",            40, kSelectedOrAll, kPlain},
    {"PROCEDURES",          kCode,       "\\Procedures",           "\\procedures", "07-",   "_Procedures.sql",          60, kSelectedOrAll, kExec},
    {"PACKAGES",            kCode,       "\\Packages",             "",             "08-",   "_Packages.sql",            70, kSelectedOrAll, kExec},
    {"VIEWS",               kCode,       "\\VIEWS",                "\\Views",      "05-",   "_Views.sql",               80, kSelectedOrAll, kExec},
    {"FUNCTIONS",           kCode,       "\\FUNCTIONS",            "\\Functions",  "06-",   "_Functions.sql",           90, kSelectedOrAll, kExec},
    {"TRIGGERS",            kCode,       "\\TRIGGERS",             "\\Triggers",   "09-",   "_Triggers.sql",           100, kSelectedOrAll, kExec},
    {"SEQUENCES",           kData,       "\\Sequences",            "",             "03-",   "_Sequences.sql",          110, kSelectedOrAll, kPlain},
    {"DADOS",               kData,       "\\DADOS",                "\\Dados",      "12-",   "_Dados.sql",              120, kSelectedOrAll, kPlain, kBareForWyn},
    {"GRANTS",              kData,       "\\GRANTS",               "",             "10-",   "_Grants.sql",             130, kSelectedOrAll, kPlain},
    {"SINONIMOS",           kData,       "\\SINONIMOS",            "",             "11-",   "_Sinonimos.sql",          140, kSelectedOrAll, kPlain},
    {"PROCEDURES_SQL_2005", kData,       "\\PROCEDURES",           "",             "13-",   "_Procedures_SQL2005.sql", 160, kSelectedOrAll, kNone,  0,                   ".sql2005"},
    {"PACKAGES_SQL_2005",   kData,       "\\PACKAGES",             "",             "14-",   "_Packages_SQL2005.sql",   170, kSelectedOrAll, kNone,  0,                   ".sql2005"},
    {"JOBS",                kData,       "\\JOBS",                 "",             "",      "_Jobs.sql",               180, kSelectedOrAll, kPlain, kCountOptional,      "",        kJobsPrefixes},
    {"TEMPLATES",           kData,       "\\TEMPLATES",            "\\Templates",  "13-",   "_Templates.sql",          150, kSelectedOrAll, kPlain, kBareForWyn},
    {"EVOLUCAO2",           kData,       "\\Evolucao2",            "",             "04.1-", "_Evolucao2.sql",           50, kSelectedOrAll, kPlain},
    {"OPCOES_MENU",         kData,       "\\OPCOES_MENU",          "",             "11.1-", "_OpcoesMenu.sql",           0, kZ7QOrSelected, kPlain},
    {"OPCOES_MENU_ZEMO",    kData,       "",                       "",             "",      "",                          0, kZ7QOrSelected, kPlain},
    {"TEMPLATES_ZEMO",      kData,       "",                       "",             "",      "",                          0, kZ7QOrSelected, kPlain},
    {"TABELAS2",            kData,       "\\Tabelas2",             "",             "02.1-", "_Tabelas2.sql",            30, kSelectedOrAll, kPlain, kBlankLineBeforeFile},
  });
  // clang-format on
}();

// The row of `keyword` (exact, case-sensitive match), or null ("TODOS" and
// any unknown keyword).
constexpr const ObjectType* FindObjectType(std::string_view keyword) {
  for (const ObjectType& type : kObjectTypeTable) {
    if (type.keyword == keyword) return &type;
  }
  return nullptr;
}

// The script's number prefix for the system `sistema` (upper case, compared
// exactly); empty when the type writes no script for that system.
constexpr std::string_view NumberPrefix(const ObjectType& type, std::string_view sistema) {
  if (type.prefix_by_system.empty()) return type.prefix;
  for (const SystemPrefix& entry : type.prefix_by_system) {
    if (entry.system == sistema) return entry.prefix;
  }
  return {};
}

// The folder the numbering lists for `type`, appended to `PathOrigem`; empty
// when the type has no source folder.
constexpr std::string_view NumberingFolder(const ObjectType& type) {
  return type.numbering_folder.empty() ? type.folder : type.numbering_folder;
}

}  // namespace vkt::config
