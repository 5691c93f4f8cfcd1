// The generation driver: one object type of the chosen repository becomes one
// numbered installation script for one database kind.
#pragma once

#include <string_view>

#include "app/session.h"
#include "generate/generation_options.h"

namespace vkt::generate {

// Generates the script of `tipo_objeto` (an object-type keyword, or
// "DOCS_E_BATS" for the companion files) for `banco` ("SQLSERVER", anything
// else is Oracle). `bExec` adds "exec " to Oracle progress lines. Problems
// become lines of `session.Mensagens`; the message area shows them at the end.
// `options.dry_run` only reports (see GenerationOptions).
void GeraScript(app::Session& session, std::string_view tipo_objeto, std::string_view banco,
                bool& bExec, const GenerationOptions& options = {});

}  // namespace vkt::generate
