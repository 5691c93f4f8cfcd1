// The generation driver: one object type of the chosen repository becomes one
// numbered installation script for one database kind.
#pragma once

#include <string>
#include <string_view>

#include "config/run_state.h"
#include "generate/database_kind.h"
#include "generate/generation_options.h"
#include "services/desktop.h"

namespace vkt::generate {

// The line for a listed file that lies outside `PathOrigem` (a ".." in its
// name or a symbolic link leads out): it is not copied. The line goes on with
// the path looked for, " -> " and where it leads.
inline constexpr std::string_view kForaDaOrigem = "Arquivo fora da pasta de origem, não copiado: ";
// The line for a listed file that is not copied because the system could not
// tell where it, or `PathOrigem` (named once per script), leads: the path, " - "
// and the system's reason.
inline constexpr std::string_view kNaoResolvido = "não foi possível resolver o caminho: ";

// The beginning of the lines for a character that the code page of a script
// lacks (written there as "?"; SQL Server's UTF-16 holds every one), one
// line for the first such character of a listed file and one for the first
// of its name where a progress line writes it:
//   "Caractere sem representação em PAGE: PATH linha N: U+XXXX"
//   "Caractere sem representação em PAGE no nome: PATH: U+XXXX"
inline constexpr std::string_view kSemRepresentacao = "Caractere sem representação em ";

// True when the file `path` leads to lies inside `path_origem` (links and
// ".." resolved): only such a file is copied into a script.
bool LiesInSourceRoot(const std::string& path_origem, const std::string& path);

// Generates the script of `tipo_objeto` (an object-type keyword; the
// companions' type copies the companion files instead) for `kind`, in the
// paths of PlanCall. `exec` adds the kind's exec prefix ("exec " for Oracle)
// to the progress lines. Problems become lines of `state.Mensagens`; the
// message area shows them at the end, joined by the kind's separator. Only
// files that lie inside `PathOrigem` are copied (kForaDaOrigem). The file
// list and the sources are read, and a script in the code page written, in
// `options.general.code_page`; `options.dry_run` only reports (see
// GenerationOptions). The captions, the message area, the progress, the
// yields and the boxes go to `desktop`.
void GeraScript(const DesktopServices& desktop, config::RunState& state,
                std::string_view tipo_objeto, DatabaseKind kind, bool exec,
                const GenerationOptions& options = {});

}  // namespace vkt::generate
