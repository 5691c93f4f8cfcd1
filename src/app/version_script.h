// The database version scripts written at the end of every installation run:
// one row of VERSAO_DATABASE recording the repository's name as the version.
#pragma once

#include <string>
#include <string_view>

#include "app/session.h"

namespace vkt::app {

// `text` with every single quote doubled, for use inside a SQL literal.
std::string QuoteSqlLiteral(const std::string& text);

// The SQL Server version script, relative to `PathDestino`:
// "SQL_SERVER\02-ATUALIZACAO\15-SA_Versao_Database.sql".
std::string SqlServerVersionScript();

// Path of the SQL Server version script under `PathDestino`.
std::string SqlServerVersionScriptPath(const Session& session);
// Path of the Oracle version script under `PathDestino`.
std::string OracleVersionScriptPath(const Session& session);

// Appends the INSERT and GO lines to the SQL Server script (created when
// absent), then replaces the Oracle script with its six lines; both in the
// code page of `session.general`, lines ended by CR LF, the repository name quoted by
// QuoteSqlLiteral. Each file is replaced atomically: a failure leaves it as it
// was and appends "Erro ao gravar o arquivo: " + path + " - " + reason to
// `session.Mensagens`. A script with other hard links is replaced by a file
// of its own (its other names keep the old content) and a line says so; so
// does a script of another user (generate::LinhaDeOutroUsuario).
// Returns false when a line was appended. `*appended` (when given) tells
// whether the SQL Server script now holds this run's lines.
bool WriteVersionScripts(Session& session, bool* appended = nullptr);

// The dry run of WriteVersionScripts (`vktgera check`): writes nothing, and
// appends the same "Erro ao gravar o arquivo: ..." lines where the writing
// would fail for a reason that shows without writing: a file in place of one
// of the folders, a folder in place of a script, a read-only script, an
// unreadable SQL Server script. Folders that do not exist yet count as
// created by the run. Returns false when a line was appended.
bool CheckVersionScripts(Session& session);

}  // namespace vkt::app
