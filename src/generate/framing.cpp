#include "generate/framing.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "fs/platform/file_system.h"
#include "text/control_escapes.h"
#include "text/letter_case.h"

namespace vkt::generate {
namespace {

// The WYN system frames the scripts of some types bare: no block, no
// progress line, an empty closer.
bool IsWynCase(const config::ObjectType& type, std::string_view sistema) {
  return (type.quirks & config::kBareForWyn) != 0 && text::UpperCase(sistema) == "WYN";
}

bool IsCode(const config::ObjectType& type) {
  return type.object_class == config::ObjectClass::kCode;
}

std::string Spool(std::string_view tipo_objeto, std::string_view sistema,
                  std::string_view separator) {
  std::string s = "SPOOL C:\\SCRIPTS\\";
  s += sistema;
  s += '_';
  s += tipo_objeto;
  s += ".log";
  s += separator;
  return s;
}

}  // namespace

std::string MontaCabecalho(const config::ObjectType& type, DatabaseKind kind,
                           std::string_view sistema) {
  const DatabaseKindInfo& info = Describe(kind);
  if (!info.sqlplus_framing) return {};
  const std::string_view separator = info.separator;
  if (IsCode(type)) return Spool(type.keyword, sistema, separator);
  std::string s = "SET SERVEROUTPUT ON SIZE 1000000";
  s += separator;
  s += "SET LINESIZE 80";
  s += separator;
  s += Spool(type.keyword, sistema, separator);
  return s;
}

std::string MontaFechamentoBloco(const config::ObjectType& type, DatabaseKind kind,
                                 std::string_view sistema) {
  const DatabaseKindInfo& info = Describe(kind);
  if (!info.sqlplus_framing || IsWynCase(type, sistema)) return {};
  static constexpr std::string_view kLines[] = {
      "COMMIT;",
      "EXCEPTION",
      "   WHEN OTHERS THEN",
      "        dbms_output.put_line('Erro no Comando:' || SUBSTR(stmt,1,230));",
      "        dbms_output.put_line(TO_CHAR(SQLCODE));",
      "        If SQLCODE <> 0 And SQLCODE <> -20001 Then",
      "           RAISE;",
      "        END IF;",
      "END;",
      "/",
  };
  std::string s;
  for (std::string_view line : kLines) {
    s += line;
    s += info.separator;
  }
  return s;
}

std::string LimpaLinha(std::string_view linha) {
  // U+00FE and U+00FF are C3 BE and C3 BF in UTF-8; no other character's
  // encoding contains those byte pairs at a character start.
  std::string out;
  out.reserve(linha.size());
  for (size_t i = 0; i < linha.size(); ++i) {
    if (linha[i] == '\xC3' && i + 1 < linha.size() &&
        (linha[i + 1] == '\xBE' || linha[i + 1] == '\xBF')) {
      ++i;
      continue;
    }
    out.push_back(linha[i]);
  }
  return out;
}

void AdicionaMensagem(std::vector<std::string>& mensagens, std::string_view texto) {
  // Names from disk reach the lines: one holding a line break must not make
  // a line of its own, nor a control character act on a terminal.
  mensagens.push_back(text::EscapeControls(texto));
}

void AdicionaErroDaPasta(std::vector<std::string>& mensagens, const std::string& pasta,
                         std::vector<std::string>* reported) {
  const platform::Status status = platform::CheckFolderReadable(pasta);
  if (status.ok() || status.code == ENOENT || status.code == ENOTDIR) return;
  if (reported) {
    // Types share folders under names that differ in letter case
    // ("\Procedures", "\PROCEDURES"): the folder on disk is what counts.
    // A folder that leads nowhere (a link in a loop) has no canonical path;
    // its name, found as the listing would find it, still tells it apart.
    std::string where;
    if (!platform::CanonicalPath(pasta, &where).ok() && !platform::ResolvePath(pasta, &where)) {
      where = CaminhoMensagem(pasta);
    }
    if (std::find(reported->begin(), reported->end(), where) != reported->end()) return;
    reported->push_back(std::move(where));
  }
  AdicionaMensagem(mensagens, LinhaDeErro(status));
}

std::string LinhaDeOutroUsuario(std::string_view caminho, std::string_view dono) {
  return std::string(kArquivoDeOutroUsuario) + CaminhoMensagem(caminho) + " (era de " +
         std::string(dono) + ")";
}

std::string LinhaDeErro(const platform::Status& status) {
  std::string_view comeco;
  switch (status.operation) {
    case platform::Operation::kReadFile:
      comeco = kErroLerArquivo;
      break;
    case platform::Operation::kWriteFile:
    case platform::Operation::kNone:
      comeco = kErroGravarArquivo;
      break;
    case platform::Operation::kCreateFolder:
      comeco = kErroCriarPasta;
      break;
    case platform::Operation::kReadFolder:
      comeco = kErroLerPasta;
      break;
  }
  return std::string(comeco) + CaminhoMensagem(status.path) + " - " + status.Text();
}

FileOpening AberturaArquivo(const config::ObjectType& type, DatabaseKind kind,
                            std::string_view sistema) {
  FileOpening o;
  const bool wyn = IsWynCase(type, sistema);
  o.blank_line = (type.quirks & config::kBlankLineBeforeFile) != 0 || wyn;
  o.block_opening = Describe(kind).sqlplus_framing && !IsCode(type) && !wyn;
  o.progress = !wyn;
  return o;
}

const std::vector<std::string>& AberturaBloco() {
  static const std::vector<std::string> kWrites = {
      "DECLARE stmt            VARCHAR(10000);",
      "        nAux            NUMBER(10);",
      "BEGIN\r\n",
  };
  return kWrites;
}

std::string LinhaProgresso(DatabaseKind kind, bool exec, std::string_view entrada) {
  const DatabaseKindInfo& info = Describe(kind);
  std::string s;
  if (exec) s = info.exec_prefix;
  s += info.progress_prefix;
  s += entrada;
  s += info.progress_suffix;
  return s;
}

std::string_view LinhaSeparadora(DatabaseKind kind) { return Describe(kind).separator_line; }

const std::vector<std::string>& FechamentoOracle() {
  static const std::vector<std::string> kWrites = {"SPOOL OFF;", "--EXIT\r\n"};
  return kWrites;
}

std::string CaminhoMensagem(std::string_view caminho) { return platform::PathAsShown(caminho); }

}  // namespace vkt::generate
