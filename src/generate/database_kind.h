// The database kinds a package holds scripts for. A kind is a value; what
// sets the kinds apart (folders, extensions, framing, encoding, names) is in
// its one descriptor.
#pragma once

#include <string_view>

#include "config/object_types.h"
#include "generate/script_io.h"

namespace vkt::generate {

enum class DatabaseKind { kSqlServer, kOracle };

// The kinds in the order a run calls them for one object type.
inline constexpr DatabaseKind kDatabaseKinds[] = {DatabaseKind::kSqlServer, DatabaseKind::kOracle};

struct DatabaseKindInfo {
  // "SQLSERVER", "ORACLE": its name in reports and its folder below "docs".
  std::string_view keyword;
  std::string_view output_folder;  // below `PathDestino`: "sql_server", "ORACLE"
  std::string_view extension;      // of its source scripts, unless the type has its own
  // Between the pieces of a framing text, and between the lines of the
  // message area after a call: "\r" (SQL Server), "\r\n" (Oracle).
  std::string_view separator;
  // A progress line is [exec_prefix] progress_prefix + entry + progress_suffix,
  // followed by separator_line.
  std::string_view exec_prefix;  // "exec " (Oracle, for a call with `exec`); "" for none
  std::string_view progress_prefix;
  std::string_view progress_suffix;
  std::string_view separator_line;  // "GO", " "
  // The schema of its script names: "SA"; "" for the Oracle user of the
  // system (NomeSchema).
  std::string_view schema;
  std::string_view document_suffix;  // of the instruction document: "_SQLServer.doc"
  // Framed for SQL*Plus: a SPOOL header, each data file in a PL/SQL block
  // and a closing "SPOOL OFF".
  bool sqlplus_framing;
  bool policy_script;       // the package holds the security-policy script
  ScriptEncoding encoding;  // of the scripts written
};

// The descriptor of `kind`.
const DatabaseKindInfo& Describe(DatabaseKind kind);

// Whether an installation run calls `type` for `kind`: SQL Server always,
// Oracle when the type has an Oracle call.
bool HasCall(const config::ObjectType& type, DatabaseKind kind);
// The `exec` of that call: true for the Oracle call of config::OracleCall::kExec.
bool CallsWithExec(const config::ObjectType& type, DatabaseKind kind);

}  // namespace vkt::generate
