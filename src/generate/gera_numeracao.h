// The numbering: the FILEn= key lines of an object type's folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/run_state.h"
#include "generate/database_kind.h"
#include "services/desktop.h"

namespace vkt::generate {

// Appends "FILE1=..." lines for the distinct base names of the object type's
// folder to `state.Mensagens` and shows them. `kind` has no influence.
//
// `tipo_objeto` is an upper-case keyword of the object-type list (the caller
// upper-cases the selection). The folder `PathOrigem` + NumberingFolder() is
// listed with every file, in listing order; each name is cut to its BaseName
// and the first occurrence of each base (compared without regard to case) gets
// the next number. A base that a line can show only escaped (a control or
// bidirectional character, text::HasControls) gets none: it is pasted as no
// key line. Such bases come first, each as the line "Nome com caractere de
// controle, sem numeração: " + the base (escaped, as every line), and go into
// `state.names_not_numbered`. A keyword without a folder lists nothing and appends
// "Nao existe pasta de origem para o tipo: " + keyword instead. An empty or
// missing folder gives no lines. Yields to the event loop after each listed
// name and each line (`desktop.loop`); at the end the message area
// (`desktop.view`) shows every line of `Mensagens` joined by a carriage
// return alone.
void GeraNumeracao(const DesktopServices& desktop, config::RunState& state,
                   std::string_view tipo_objeto, DatabaseKind kind);

// The folder (to be appended to `PathOrigem`) that the numbering lists for
// `tipo_objeto`: config::NumberingFolder of its row ("VIEWS" -> "\Views",
// "GRANTS" -> "\GRANTS", "JOBS" -> "\JOBS" whatever the system). Empty
// optional for "TODOS" and any keyword without a folder.
std::optional<std::string> NumberingFolder(std::string_view tipo_objeto);

// `file_name` without its last four characters (UTF-8 code points; a byte
// that is not valid UTF-8 counts as one character). A name of fewer than four
// characters is kept whole.
std::string BaseName(std::string_view file_name);

}  // namespace vkt::generate
