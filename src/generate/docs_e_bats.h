// The "DOCS_E_BATS" branch of the generation driver: copies the prepared
// companion files of the system (instruction document, update roadmap and,
// for Oracle, the security-policy script) from the docs folder beside the
// program into the output folder.
#pragma once

#include <string>
#include <string_view>

#include "config/run_state.h"
#include "generate/database_kind.h"
#include "generate/generation_options.h"
#include "services/desktop.h"

namespace vkt::generate {

// The line for a companion file that is not in the docs folder; it goes on
// with the path looked for.
inline constexpr std::string_view kArquivoParaCopia = "Arquivo para cópia não encontrado: ";

// The docs folder of `kind`: `state.program_folder` + "\docs\" + its keyword.
std::string PastaDocs(const config::RunState& state, DatabaseKind kind);

// Copies the companion files of `kind` into `output_folder` (the output folder,
// ending in "\"), replacing older copies:
//  - deletes the document and the roadmap from the output folder;
//  - when the document is in the docs folder, copies it and then the roadmap,
//    each whatever became of the other; a failed copy shows the box "Erro ao
//    copiar o doc ..." / "... o bat ..." (title "Erro", critical icon); a
//    missing document appends "Arquivo " + name + " nao encontrado!" to
//    `state.Mensagens` and copies neither;
//  - for a kind with a policy script (Oracle), replaces it; a failed copy
//    (missing source included) shows "Erro ao copiar o script de ...".
// Before the box of a failed copy, a line naming the file and the reason goes
// to `state.Mensagens`: kArquivoParaCopia + the path looked for in the docs
// folder when the source is missing, "Erro ao ler o arquivo: " or "Erro ao
// gravar o arquivo: " + path + " - " + the system's text otherwise.
// Each copy keeps the name the file has in the docs folder and fails when the
// destination exists. With `options.dry_run` nothing is deleted or copied; a
// copy counts as failing when its source is missing or unreadable or a folder
// holds its place in the output folder, and adds the line the real run would.
// The boxes go to `boxes`.
void CopiaDocsEBats(MessageBoxService& boxes, config::RunState& state, DatabaseKind kind,
                    const std::string& output_folder, const GenerationOptions& options = {});

}  // namespace vkt::generate
