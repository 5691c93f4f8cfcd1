#include "app/version_script.h"

#include <cerrno>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/framing.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

using platform::Status;

constexpr std::string_view kOutrosLinks =
    "Arquivo com outros links substituído (os outros nomes mantêm o conteúdo anterior): ";

// The whole content of the script `path`; a missing file reads as empty, and
// so does a link at its name, which the new script replaces: what it leads to
// is not ours to copy into the package.
Status ReadExisting(const std::string& path, std::string* bytes) {
  Status status = platform::ReadOutputFile(path, bytes);
  if (status.code == ENOENT) {
    bytes->clear();
    return Status::Ok();
  }
  return status;
}

std::string EncodeLines(const std::vector<std::string>& lines, const text::CodePage& page) {
  std::string utf8;
  for (const std::string& line : lines) utf8 += line + "\r\n";
  return page.Encode(utf8);
}

// Replaces the version script `path` by `bytes`. A script with other hard
// links gets a new file of its own (a copy in place could be torn by a kill):
// the other names keep the old content, and a line says so; so does a script
// of another user, which hands the new one nothing.
Status Replace(Session& session, const std::string& path, const std::string& bytes) {
  platform::Replaced replaced;
  Status status = platform::ReplaceFile(path, bytes, {}, &replaced);
  if (!replaced.other_owner.empty()) {
    generate::AdicionaMensagem(session.Mensagens,
                               generate::LinhaDeOutroUsuario(path, replaced.other_owner));
  }
  if (replaced.other_links) {
    generate::AdicionaMensagem(session.Mensagens,
                               std::string(kOutrosLinks) + generate::CaminhoMensagem(path));
  }
  return status;
}

bool Report(Session& session, const std::string& path, const Status& status) {
  if (status.ok()) return true;
  generate::AdicionaMensagem(session.Mensagens, generate::LinhaDeErro(Status(status).About(
                                                    platform::Operation::kWriteFile, path)));
  return false;
}

// What writing `path` atomically would fail with, as far as it shows without
// writing (see CheckVersionScripts).
Status PredictWrite(const std::string& path, bool reads_first) {
  // A script that is read first fails at its read (a folder is not a regular
  // file), the other at its creation.
  if (reads_first) {
    std::string bytes;
    if (Status status = ReadExisting(path, &bytes); !status.ok()) return status;
  }
  Status status = platform::CheckReplaceable(path);
  if (status.code != ENOENT) return status;
  platform::FileInfo info;
  // The nearest existing folder above decides: a file there is no folder.
  std::string above = path;
  for (;;) {
    const std::size_t cut = above.find_last_of("\\/");
    if (cut == std::string::npos || cut == 0) return Status::Ok();
    above.resize(cut);
    if (above.empty() || above.back() == '\\' || above.back() == '/') continue;
    if (platform::GetInfo(above, &info).ok()) {
      return (info.attributes & platform::kAttrDirectory) ? Status::Ok() : Status::Errno(ENOTDIR);
    }
  }
}

// The version script `file_name` of `kind`, relative to `PathDestino`. Its
// kind folder is named in upper case, as these scripts have always named it
// ("SQL_SERVER"): on Windows the same folder as the one the generation makes.
std::string VersionScript(generate::DatabaseKind kind, std::string_view file_name) {
  return text::UpperCase(generate::UpdateFolder(kind)) + std::string(file_name);
}

}  // namespace

std::string QuoteSqlLiteral(const std::string& text) {
  std::string quoted;
  quoted.reserve(text.size());
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted;
}

std::string SqlServerVersionScript() {
  return VersionScript(generate::DatabaseKind::kSqlServer, "15-SA_Versao_Database.sql");
}

std::string SqlServerVersionScriptPath(const Session& session) {
  return session.settings.PathDestino + "\\" + SqlServerVersionScript();
}

std::string OracleVersionScriptPath(const Session& session) {
  return session.settings.PathDestino + "\\" +
         VersionScript(
             generate::DatabaseKind::kOracle,
             "13-DBVKT_" + text::UpperCase(session.settings.SISTEMA) + "_Versao_Database.sql");
}

bool WriteVersionScripts(Session& session, bool* appended) {
  const std::size_t lines_before = session.Mensagens.size();
  const std::string versao = QuoteSqlLiteral(session.repository);
  const std::string sistema = text::UpperCase(session.settings.SISTEMA);
  const text::CodePage& page = *session.general.code_page;

  // SQL Server: appended to what earlier runs wrote. The old content is
  // rewritten with the new lines into a fresh file, so a failure never leaves
  // a half-appended script.
  const std::string sql_server = SqlServerVersionScriptPath(session);
  std::string content;
  Status status = ReadExisting(sql_server, &content);
  if (status.ok()) {
    content += EncodeLines({"INSERT INTO VERSAO_DATABASE VALUES (GETDATE(), '" + versao +
                                "', '0', 'Atualizacao da Versao');",
                            "GO"},
                           page);
    status = Replace(session, sql_server, content);
  }
  if (appended) *appended = status.ok();
  bool ok = Report(session, sql_server, status);

  // Oracle: replaced on every run.
  const std::string oracle = OracleVersionScriptPath(session);
  status = Replace(session, oracle,
                   EncodeLines({"SET SERVEROUTPUT ON SIZE 1000000", "SET LINESIZE 80",
                                "SPOOL C:\\SCRIPTS\\" + sistema + "_VERSAO.log",
                                "INSERT INTO VERSAO_DATABASE VALUES (SYSDATE, '" + versao +
                                    "', '0', 'Atualizacao da Versao');",
                                "COMMIT;", "SPOOL OFF;"},
                               page));
  return Report(session, oracle, status) && ok && session.Mensagens.size() == lines_before;
}

bool CheckVersionScripts(Session& session) {
  const std::string sql_server = SqlServerVersionScriptPath(session);
  bool ok = Report(session, sql_server, PredictWrite(sql_server, /*reads_first=*/true));
  const std::string oracle = OracleVersionScriptPath(session);
  return Report(session, oracle, PredictWrite(oracle, /*reads_first=*/false)) && ok;
}

}  // namespace vkt::app
