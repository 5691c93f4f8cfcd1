// The text the driver writes around and between the copied scripts, and the
// message-buffer helper.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/object_types.h"
#include "fs/platform/file_system.h"
#include "generate/database_kind.h"

namespace vkt::generate {

// The header text, written with one WriteLine before the first non-empty file;
// empty for a kind without SQL*Plus framing. Lines end in the kind's separator.
std::string MontaCabecalho(const config::ObjectType& type, DatabaseKind kind,
                           std::string_view sistema);
// The block closer written after each file of a data type (the driver writes
// none for code types). `sistema` decides the WYN case.
std::string MontaFechamentoBloco(const config::ObjectType& type, DatabaseKind kind,
                                 std::string_view sistema);
// The line without the characters U+00FF and U+00FE.
std::string LimpaLinha(std::string_view linha);
// Appends `texto` as one new last line of `mensagens`, its control and
// bidirectional characters shown escaped (text::EscapeControls).
void AdicionaMensagem(std::vector<std::string>& mensagens, std::string_view texto);
// For a listing of the source folder `pasta` that came back empty: appends
// "Erro ao ler a pasta: <pasta> - <reason>" when the folder exists but cannot
// be listed (a missing folder adds nothing; its files are reported one by
// one). With `reported`, a folder already in it (by where it lies on disk,
// whatever the spelling of `pasta`) adds nothing, and a folder whose line is
// added is put in it.
void AdicionaErroDaPasta(std::vector<std::string>& mensagens, const std::string& pasta,
                         std::vector<std::string>* reported = nullptr);

// The pieces the driver writes before each existing listed file, in order, each
// to be written with WriteLine (pieces may hold separators).
struct FileOpening {
  bool blank_line = false;     // "" before the block (kBlankLineBeforeFile, the WYN case)
  bool block_opening = false;  // the DECLARE/nAux/BEGIN writes (Oracle data types)
  bool progress = false;       // progress and separator lines (not in the WYN case)
};
FileOpening AberturaArquivo(const config::ObjectType& type, DatabaseKind kind,
                            std::string_view sistema);
// The three writes of the Oracle block opening (the third is "BEGIN" + CR LF,
// giving an empty line after it).
const std::vector<std::string>& AberturaBloco();
// The progress line of `entrada`: exec prefix (with `exec`) + progress prefix
// + entry + progress suffix of the kind.
std::string LinhaProgresso(DatabaseKind kind, bool exec, std::string_view entrada);
// " " for Oracle, "GO" for SQL Server.
std::string_view LinhaSeparadora(DatabaseKind kind);
// The two Oracle closing writes: "SPOOL OFF;" and "--EXIT" + CR LF (so the
// file ends with an empty line).
const std::vector<std::string>& FechamentoOracle();
// Message text for a path (platform::PathAsShown: on POSIX each "\" turned
// into "/" and what the run found named as it is on disk).
std::string CaminhoMensagem(std::string_view caminho);

// The beginnings of the lines that report a failed platform call, one per
// operation; reports and checks classify lines by them.
inline constexpr std::string_view kErroLerArquivo = "Erro ao ler o arquivo: ";
inline constexpr std::string_view kErroGravarArquivo = "Erro ao gravar o arquivo: ";
inline constexpr std::string_view kErroCriarPasta = "Erro ao criar a pasta: ";
inline constexpr std::string_view kErroLerPasta = "Erro ao ler a pasta: ";
// The message line of a failed platform call: the beginning of its operation,
// its path (CaminhoMensagem) and the system's reason:
// "Erro ao gravar o arquivo: out/ORACLE/x.sql - No space left on device".
std::string LinhaDeErro(const platform::Status& status);
// The line of an output that replaced a file of another user (its owner's
// account name `dono`), which handed the new file nothing of its own:
// "Arquivo de outro usuário substituído: out/ORACLE/x.sql (era de nobody)".
inline constexpr std::string_view kArquivoDeOutroUsuario = "Arquivo de outro usuário substituído: ";
std::string LinhaDeOutroUsuario(std::string_view caminho, std::string_view dono);

}  // namespace vkt::generate
