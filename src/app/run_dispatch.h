// The handler of the window's two buttons (`cmdExecuta_Click`), shared by the
// window and the command line.
#pragma once

#include <string>
#include <string_view>

#include "app/session.h"

namespace vkt::app {

// What the window shows when a button is pressed.
struct RunRequest {
  int index = 1;            // 0 = "Gera Numeração", 1 = "Gera Install"
  std::string tipo_objeto;  // text of `CbObj` (upper-cased by the handler)
};

// How a button press ended.
enum class RunOutcome {
  kNoRepository,          // "Selecione o Repositorio!!!" was shown; nothing ran
  kIncompleteRepository,  // an installation with an empty `PathDestino`; nothing ran
  kRan,                   // the run went through and ended with "FIM"
};

// The generation steps a run calls. The real one calls generate::GeraScript
// and generate::GeraNumeracao; tests record the calls instead.
class Generator {
 public:
  virtual ~Generator() = default;
  virtual void GeraScript(Session& session, std::string_view tipo_objeto, std::string_view banco,
                          bool& bExec) = 0;
  virtual void GeraNumeracao(Session& session, std::string_view tipo_objeto,
                             std::string_view banco) = 0;
};

// How a button press runs. The default is the window's run.
struct RunOptions {
  // An installation that changes nothing on disk (`vktgera check`): every
  // generation call runs as a dry run (generate::GenerationOptions) and no
  // version script is written (CheckVersionScripts reports instead).
  // Messages and boxes are those of the real run.
  bool dry_run = false;
};

// The generator that generates; with `options.dry_run` the one whose calls
// only report.
Generator& RealGenerator(const RunOptions& options = {});

// Runs one button press: empties the message area and `Mensagens`, asks for a
// repository when `session.repository` is empty, otherwise runs the numbering
// (index other than 1) or the installation (the generation calls in their
// fixed order, then the version scripts) and ends with the box "FIM". An
// installation whose `PathDestino` is empty does not start: the box
// "Configuração incompleta do repositório: PathDestino" is shown instead.
// Cached folder listings are dropped first, so every run sees the disk as it is.
// Enabling and disabling the controls is the caller's (the window's) task.
// `options.dry_run` checks the version scripts instead of writing them; the
// generation calls are the generator's (pass RealGenerator(options)).
RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request, Generator& generator,
                            const RunOptions& options = {});
// The same with RealGenerator(options).
RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request,
                            const RunOptions& options = {});

}  // namespace vkt::app
