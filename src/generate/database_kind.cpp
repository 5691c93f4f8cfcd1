#include "generate/database_kind.h"

namespace vkt::generate {
namespace {

constexpr DatabaseKindInfo kSqlServerInfo{
    .keyword = "SQLSERVER",
    .output_folder = "sql_server",
    .extension = ".sql",
    .separator = "\r",
    .exec_prefix = "",
    .progress_prefix = "Print 'EXECUCAO: ",
    .progress_suffix = "'",
    .separator_line = "GO",
    .schema = "SA",
    .document_suffix = "_SQLServer.doc",
    .sqlplus_framing = false,
    .policy_script = false,
    .encoding = ScriptEncoding::kUtf16Le,
};

constexpr DatabaseKindInfo kOracleInfo{
    .keyword = "ORACLE",
    .output_folder = "ORACLE",
    .extension = ".ora",
    .separator = "\r\n",
    .exec_prefix = "exec ",
    .progress_prefix = "dbms_output.put_line('EXECUCAO: ",
    .progress_suffix = "');",
    .separator_line = " ",
    .schema = "",
    .document_suffix = "_Oracle.doc",
    .sqlplus_framing = true,
    .policy_script = true,
    .encoding = ScriptEncoding::kCodePage,
};

}  // namespace

const DatabaseKindInfo& Describe(DatabaseKind kind) {
  switch (kind) {
    case DatabaseKind::kSqlServer:
      return kSqlServerInfo;
    case DatabaseKind::kOracle:
      return kOracleInfo;
  }
  return kOracleInfo;
}

bool HasCall(const config::ObjectType& type, DatabaseKind kind) {
  return kind == DatabaseKind::kSqlServer || type.oracle_call != config::OracleCall::kNone;
}

bool CallsWithExec(const config::ObjectType& type, DatabaseKind kind) {
  return kind == DatabaseKind::kOracle && type.oracle_call == config::OracleCall::kExec;
}

}  // namespace vkt::generate
