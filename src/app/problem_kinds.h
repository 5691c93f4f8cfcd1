// The kinds of problem a run or `check` reports, one row each: the kind's
// identifier, how its lines begin, the level pipelines show it at and what it
// means. The reports, the release checks (app/release_checks.cpp) and the
// tests of README.md and docs/report-format.md follow this table, so a new
// kind is one row here (plus the rule that finds it). The kinds of the client
// rules are rows of their own table (app/client_rules.h).
#pragma once

#include <string_view>

#include "generate/docs_e_bats.h"
#include "generate/framing.h"
#include "generate/gera_script.h"

namespace vkt::app {

// Problem kinds. The first group are the run's own messages (ClassifyMessage
// tells them apart by their words); the second the findings of `check`.
namespace problem_kind {
inline constexpr std::string_view kMissingSection = "missing_section";
inline constexpr std::string_view kInvalidNumfiles = "invalid_numfiles";
inline constexpr std::string_view kNotInList = "not_in_list";
inline constexpr std::string_view kMissingFile = "missing_file";
inline constexpr std::string_view kReadError = "read_error";
inline constexpr std::string_view kWriteError = "write_error";
inline constexpr std::string_view kFolderError = "folder_error";
inline constexpr std::string_view kMissingDocument = "missing_document";
inline constexpr std::string_view kErrorBox = "error_box";
inline constexpr std::string_view kManifestError = "manifest_error";
inline constexpr std::string_view kOutsideSource = "outside_source";
inline constexpr std::string_view kUnmappableCharacter = "unmappable_character";
inline constexpr std::string_view kValueTooLong = "value_too_long";  // check: a cut setting
inline constexpr std::string_view kMessage = "message";              // any other message line

inline constexpr std::string_view kVendorParity = "vendor_parity";
inline constexpr std::string_view kKeyAboveNumfiles = "key_above_numfiles";
inline constexpr std::string_view kDuplicateName = "duplicate_name";
inline constexpr std::string_view kDuplicateKey = "duplicate_key";
inline constexpr std::string_view kNameWithExtension = "name_with_extension";
inline constexpr std::string_view kUnknownKey = "unknown_key";
inline constexpr std::string_view kUtf8Text = "utf8_text";
inline constexpr std::string_view kNameOutsideFolder = "name_outside_folder";
inline constexpr std::string_view kInvalidUtf8 = "invalid_utf8";
inline constexpr std::string_view kCaseTwin = "case_twin";
inline constexpr std::string_view kConfigUtf8Text = "config_utf8_text";
}  // namespace problem_kind

// Who reports a kind: an installation run (and `check`, which runs it without
// writing), or `check` alone.
enum class ReportedBy { kRun, kCheck };

// What a kind of problem is: its identifier, the level pipelines show it at
// ("error" or "warning", as SARIF names them) and what it means.
struct ProblemKindInfo {
  std::string_view id;
  std::string_view level;
  std::string_view description;
  // How its lines begin (the report format's table shows the same words), and
  // the other beginnings of a kind that has more; "" where the words vary.
  std::string_view text = {};
  std::string_view other_text = {};
  std::string_view third_text = {};
  ReportedBy reported_by = ReportedBy::kRun;
};

inline constexpr std::string_view kManifestErrorText = "Erro ao gravar o manifesto: ";

// The kinds above, in the order of the report format's table.
inline constexpr ProblemKindInfo kProblemKinds[] = {
    {problem_kind::kMissingSection, "error", "The file list has no section for the object type",
     "Nao existe a seção: "},
    {problem_kind::kInvalidNumfiles, "error", "NUMFILES of the section is missing or invalid",
     "Valor invalido de NUMFILES na seção: "},
    {problem_kind::kNotInList, "error", "A script of the folder that the file list does not name",
     "Arquivo Nao esta no ini: "},
    {problem_kind::kMissingFile, "error", "A listed script that does not exist",
     "Arquivo não encontrado: "},
    {problem_kind::kReadError, "error", "A file or folder that could not be read",
     generate::kErroLerArquivo, generate::kErroLerPasta, generate::kNaoResolvido},
    {problem_kind::kWriteError, "error", "A file that could not be written",
     generate::kErroGravarArquivo},
    {problem_kind::kFolderError, "error", "A folder that could not be created",
     generate::kErroCriarPasta},
    {problem_kind::kOutsideSource, "error", "A listed file outside the source root, not copied",
     generate::kForaDaOrigem},
    {problem_kind::kUnmappableCharacter, "error",
     "A character that the Oracle script's code page lacks, written as \"?\"",
     generate::kSemRepresentacao},
    {problem_kind::kMissingDocument, "error", "A companion document that is missing", "Arquivo ",
     generate::kArquivoParaCopia},
    {problem_kind::kErrorBox, "error", "An error box of the run", "Erro: "},
    {problem_kind::kManifestError, "error", "A SHA256SUMS file that could not be written",
     kManifestErrorText},
    {problem_kind::kValueTooLong, "error",
     "A repository setting longer than the 254 bytes the ini reader keeps",
     "Valor longo demais em [", "", "", ReportedBy::kCheck},
    {problem_kind::kMessage, "warning", "Another message line of the run"},
    {problem_kind::kVendorParity, "error", "A listed script with one database's file only",
     "Falta o par SQL Server de: ", "Falta o par Oracle de: ", "", ReportedBy::kCheck},
    {problem_kind::kKeyAboveNumfiles, "error", "A FILEi key above NUMFILES, which the run ignores",
     "Chave acima de NUMFILES na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kDuplicateName, "error", "A name listed twice in one section",
     "Nome repetido na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kDuplicateKey, "error", "A key given twice in one section",
     "Chave repetida na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kNameWithExtension, "error", "A listed name that ends in a script extension",
     "Nome com extensao na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kUnknownKey, "error", "A key of the section that the run does not read",
     "Chave desconhecida na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kUtf8Text, "warning", "UTF-8 text in a script read in a single-byte code page",
     "Arquivo em UTF-8 com texto nao ASCII (code page ", "", "", ReportedBy::kCheck},
    {problem_kind::kNameOutsideFolder, "error", "A listed name that leads out of the type's folder",
     "Nome fora da pasta de origem na seção ", "", "", ReportedBy::kCheck},
    {problem_kind::kInvalidUtf8, "warning", "A script that is no UTF-8 under code page UTF-8",
     "Arquivo com bytes invalidos em UTF-8: ", "", "", ReportedBy::kCheck},
    {problem_kind::kConfigUtf8Text, "warning",
     "A configuration file that looks like UTF-8 under a single-byte code page",
     "Arquivo de configuração parece estar em UTF-8: ", "", "", ReportedBy::kCheck},
    {problem_kind::kCaseTwin, "error", "Scripts whose names differ only in letter case",
     "Arquivos que diferem so na caixa (so um e instalado): ", "", "", ReportedBy::kCheck},
};

// The row of the kind `id` in kProblemKinds, found while compiling: an id
// without a row does not build.
consteval const ProblemKindInfo& ProblemKind(std::string_view id) {
  const ProblemKindInfo* found = nullptr;
  for (const ProblemKindInfo& kind : kProblemKinds) {
    if (kind.id == id) found = &kind;
  }
  return *found;
}

// How the lines of the kind `id` begin (its first beginning).
consteval std::string_view ProblemText(std::string_view id) { return ProblemKind(id).text; }

}  // namespace vkt::app
