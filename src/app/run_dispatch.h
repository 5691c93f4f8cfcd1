// The handler of the window's two buttons (`cmdExecuta_Click`), shared by the
// window and the command line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/session.h"
#include "fs/platform/file_system.h"
#include "generate/database_kind.h"
#include "generate/generation_options.h"

namespace vkt::app {

// What the window shows when a button is pressed.
struct RunRequest {
  int index = 1;            // 0 = "Gera Numeração", 1 = "Gera Install"
  std::string tipo_objeto;  // text of `CbObj` (upper-cased by the handler)
};

// How a button press ended.
enum class RunOutcome {
  kNoRepository,          // "Selecione o Repositorio!!!" was shown; nothing ran
  kIncompleteRepository,  // an installation with an empty `PathDestino`, or a repository
                          // setting the ini reader cut; nothing ran
  kLocked,                // another run holds the writer's lock, or its lock file is
                          // not this user's; nothing ran
  kRan,                   // the run went through and ended with "FIM"
};

// The generation steps a run calls. The real one calls generate::GeraScript
// and generate::GeraNumeracao; tests record the calls instead.
class Generator {
 public:
  virtual ~Generator() = default;
  virtual void GeraScript(Session& session, std::string_view tipo_objeto,
                          generate::DatabaseKind kind, bool exec) = 0;
  virtual void GeraNumeracao(Session& session, std::string_view tipo_objeto,
                             generate::DatabaseKind kind) = 0;
};

// How a button press runs. The default is the window's run.
struct RunOptions {
  // An installation that changes nothing on disk (`vktgera check`): every
  // generation call runs as a dry run (generate::GenerationOptions) and no
  // version script is written (CheckVersionScripts reports instead).
  // Messages and boxes are those of the real run, but for a source folder
  // that cannot be read, which is named once per run.
  bool dry_run = false;
  // A numbering run whose key lines the caller writes into the file list
  // afterwards (`numbering --write`): it takes the lock of the file list's
  // folder, as an installation takes the one of `PathDestino`.
  bool writes_file_list = false;
  // Where the writer's lock is kept when the caller goes on writing after the
  // run; without it the lock ends with the run.
  platform::FolderLock* lock = nullptr;
  // How long a writing run waits for the lock that another run holds before
  // it gives up (0: not at all, as the window does).
  int lock_wait_seconds = 0;
  // Told, before the wait, the folder as messages show it and its holder
  // where known ("FOLDER (processo PID, usuário USER)").
  std::function<void(const std::string&)> waiting = nullptr;
};

// The folder whose lock a writing run holds: `PathDestino` for an
// installation, the folder of `ArqConfigIni` (as written, "." when it names
// none) for a numbering run that writes the file list.
std::string WriterLockFolder(const config::RepositorySettings& settings, bool install);

// The options of the generation calls of one run of `session` with
// `options`: its dry run, and the session's settings of [GERAL], whose code
// page the calls read and write in.
generate::GenerationOptions GenerationOptionsOf(const Session& session, const RunOptions& options);

// The generator that generates: generate::GeraScript and
// generate::GeraNumeracao with the options it was made with. One is made
// for each run (GenerationOptionsOf); with `dry_run` its calls only report.
class RealGenerator final : public Generator {
 public:
  explicit RealGenerator(generate::GenerationOptions options) : options_(std::move(options)) {}
  void GeraScript(Session& session, std::string_view tipo_objeto, generate::DatabaseKind kind,
                  bool exec) override;
  void GeraNumeracao(Session& session, std::string_view tipo_objeto,
                     generate::DatabaseKind kind) override;

 private:
  generate::GenerationOptions options_;
};

// Runs one button press: empties the message area and `Mensagens`, asks for a
// repository when `session.repository` is empty, otherwise runs the numbering
// (index other than 1) or the installation (the generation calls in their
// fixed order, then the version scripts) and ends with the box "FIM";
// `session.run_end` then says what an installation wrote (cleared first, it
// stays empty for any other press). An
// installation whose `PathDestino` is empty does not start: the box
// "Configuração incompleta do repositório: PathDestino" is shown instead. A
// repository with a setting that the 254-byte limit cut
// (`session.cut_settings`) does not start either: each of its lines is shown
// as a box; a dry run adds them to the messages instead and goes on.
// A writing run (an installation that is no dry run, a numbering with
// `options.writes_file_list`) first takes the lock of WriterLockFolder
// (creating `PathDestino` when missing), waiting for it as `options` say;
// when another run holds it, nothing is written and the box "Outra execução
// está gravando em: " + folder is shown instead (kLocked), followed by
// " (processo PID, usuário USER)" where the system names the holder. When the
// lock file's name holds something that is not this user's lock file, the
// box is "Arquivo de trava recusado: " + its path + " (WHAT de OWNER)", and
// nothing is written either (kLocked). A lock that cannot be taken for another reason
// (the folder cannot be created or opened) does not stop the run, whose own
// messages then say what failed. Under the lock, the temporary files that an
// interrupted run of this user left for the files this run writes are deleted
// (nothing else: others' files of similar names stay).
// Cached folder listings are dropped first, so every run sees the disk as it is.
// An installation reads the file list once (config::IniSnapshot): every call
// sees the list as it was when the run started.
// Enabling and disabling the controls is the caller's (the window's) task.
// `options.dry_run` checks the version scripts instead of writing them; the
// generation calls are the generator's (pass a RealGenerator made with
// GenerationOptionsOf(session, options)). The version scripts are written in
// the code page of `session.general`.
RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request, Generator& generator,
                            const RunOptions& options = {});
// The same with a RealGenerator made for this run.
RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request,
                            const RunOptions& options = {});

// Takes the writer's lock into `options.lock` for a press that will write,
// before the caller reads anything of the repository (the file list, the
// sources), as cmdExecuta_Click would take it; cmdExecuta_Click then keeps
// it. False (and the box) when another run holds it or its lock file is
// refused; true when it was taken, when the press writes nothing, when
// `options.lock` is null or already held, and when the press will not run
// (cmdExecuta_Click says why).
bool LockBeforeReading(const Session& session, const RunRequest& request,
                       const RunOptions& options);

// A press of a window's button `index` with the lists' current texts: the
// run of cmdExecuta_Click with the window's controls disabled through
// `set_controls_enabled` while it goes on. Without a repository the handler
// only asks for one: the controls stay as they are. After an installation
// that ran, the captions show its result instead of what it last read: the
// end line (app/run_end.h, its problems counted as the command line counts
// them) in place of "Lendo config :: ...", the source root and the package
// folder in place of the last script's folders. Returns that end line; empty
// when there is none (a numbering run, a run that did not start), and the
// captions are then left as they are.
std::string RunFromWindow(Session& session, int index, std::string tipo_objeto,
                          std::string repository,
                          const std::function<void(bool)>& set_controls_enabled);

}  // namespace vkt::app
