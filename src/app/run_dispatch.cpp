#include "app/run_dispatch.h"

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/manifest.h"
#include "app/run_end.h"
#include "app/version_script.h"
#include "config/ini.h"
#include "config/object_types.h"
#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/framing.h"
#include "generate/gera_numeracao.h"
#include "generate/gera_script.h"
#include "generate/names.h"
#include "services/desktop.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

constexpr std::string_view kTitle = "VKTGeraInstallBD";
using generate::DatabaseKind;

// Whether an installation run with `selected` chosen calls `type`.
bool Runs(const config::ObjectType& type, const std::string& selected, bool z7q) {
  switch (type.runs) {
    case config::RunsWhen::kAlways:
      return true;
    case config::RunsWhen::kSelectedOrAll:
      return selected == type.keyword || selected == config::kAllTypes;
    case config::RunsWhen::kZ7QOrSelected:
      return selected == type.keyword || (z7q && selected == config::kAllTypes);
  }
  return false;
}

void ShowBox(std::string_view text) { Desktop().boxes->Show(text, kTitle, BoxIcon::kNone); }

// " (processo PID, usuário USER)" where the system names the holder.
std::string HolderText(const platform::LockHolder& holder) {
  if (holder.process.empty()) return {};
  return " (processo " + holder.process + (holder.user.empty() ? "" : ", usuário " + holder.user) +
         ")";
}

std::string_view FoundText(platform::LockHolder::Found found) {
  using enum platform::LockHolder::Found;
  switch (found) {
    case kLink:
      return "link simbólico";
    case kFolder:
      return "pasta";
    case kFifo:
      return "FIFO";
    case kOther:
      return "arquivo especial";
    case kFile:
    case kNothing:
      break;
  }
  return "arquivo";
}

// Takes the writer's lock of `folder`, waiting as `options` say. False (and
// the box) only when another run has it or the lock file is not this user's.
bool TakeWriterLock(const std::string& folder, bool create, const RunOptions& options,
                    platform::FolderLock* lock) {
  platform::LockHolder holder;
  platform::Status status = lock->Acquire(folder, &holder);
  if (status.code == ENOENT && create) {
    // Whoever creates it (another run may be first), it is locked after.
    platform::CreateDirectory(folder);
    status = lock->Acquire(folder, &holder);
  }
  const std::string shown = generate::CaminhoMensagem(folder);
  if (status.code == EWOULDBLOCK && options.lock_wait_seconds > 0) {
    if (options.waiting) options.waiting(shown + HolderText(holder));
    status = lock->Acquire(folder, &holder, std::int64_t{options.lock_wait_seconds} * 1000);
  }
  if (status.code == EWOULDBLOCK) {
    ShowBox("Outra execução está gravando em: " + shown + HolderText(holder));
    return false;
  }
  if (status.code == platform::kForeignLockFile) {
    const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    const std::string owner = holder.user.empty() ? "" : " de " + holder.user;
    ShowBox("Arquivo de trava recusado: " +
            generate::CaminhoMensagem(folder + (separated ? "" : "\\") + platform::kLockFileName) +
            " (" + std::string(FoundText(holder.found)) + owner + ")");
    return false;
  }
  return true;
}

// Every file a writing run may replace, with how it reaches it: the targets
// whose leftover temporary files (of a run that did not end) it deletes.
std::vector<std::pair<std::string, platform::LinkAtTarget>> WrittenFiles(const Session& session,
                                                                         bool install) {
  const config::RepositorySettings& settings = session.settings;
  if (!install) return {{settings.ArqConfigIni, platform::LinkAtTarget::kFollowTrusted}};
  std::vector<std::pair<std::string, platform::LinkAtTarget>> files;
  auto add = [&files](std::string path) {
    if (!path.empty()) files.emplace_back(std::move(path), platform::LinkAtTarget::kReplace);
  };
  for (DatabaseKind kind : generate::kDatabaseKinds) {
    const std::string folder = generate::PlanCall(settings, "", kind).output_folder;
    for (const config::ObjectType& type : config::kObjectTypeTable) {
      if (generate::HasCall(type, kind)) {
        add(generate::PlanCall(settings, type.keyword, kind).output_file);
      }
    }
    add(folder + generate::NomeDocumentoInstrucao(kind, settings.SISTEMA));
    add(folder + generate::NomeRoteiro(kind, settings.SISTEMA));
    if (generate::Describe(kind).policy_script) {
      add(folder + generate::NomeScriptPolitica(settings.SISTEMA));
    }
    add(folder + std::string(kManifestName));
  }
  add(SqlServerVersionScriptPath(session));
  add(OracleVersionScriptPath(session));
  return files;
}

// Takes the writer's lock of the run's folder into `lock` and deletes the
// leftovers of interrupted runs; false (and the box) when the lock cannot be
// had (see TakeWriterLock).
bool LockForWriting(const Session& session, bool install, const RunOptions& options,
                    platform::FolderLock* lock) {
  const std::string folder = WriterLockFolder(session.settings, install);
  if (!TakeWriterLock(folder, install, options, lock)) return false;
  for (const auto& [path, links] : WrittenFiles(session, install)) {
    platform::RemoveLeftoverTemporaries(path, links);
  }
  return true;
}

// The generation calls of an installation with `selected` chosen, in the
// order of the object-type table, then the version scripts. True when the
// line of the run was appended to the SQL Server version script.
bool RunInstallation(Session& session, const std::string& selected, Generator& generator,
                     bool dry_run) {
  const bool z7q = text::UpperCase(session.settings.SISTEMA) == "Z7Q";
  for (const config::ObjectType& type : config::kObjectTypeTable) {
    if (!Runs(type, selected, z7q)) continue;
    for (DatabaseKind kind : generate::kDatabaseKinds) {
      if (!generate::HasCall(type, kind)) continue;
      generator.GeraScript(session, type.keyword, kind, generate::CallsWithExec(type, kind));
    }
  }
  bool appended = false;
  const bool written =
      dry_run ? CheckVersionScripts(session) : WriteVersionScripts(session, &appended);
  if (!written) {
    // The last generation call showed the buffer before this line came.
    std::string shown;
    for (size_t i = 0; i < session.Mensagens.size(); ++i) {
      if (i > 0) shown += "\r\n";
      shown += session.Mensagens[i];
    }
    Desktop().view->SetMessageText(shown);
  }
  return appended;
}

// What an installation that ran leaves for its end line.
RunEnd EndOfInstallation(const Session& session, bool dry_run, bool appended) {
  RunEnd end;
  end.ran = true;
  end.dry_run = dry_run;
  end.package_folder = generate::CaminhoMensagem(session.settings.PathDestino);
  end.source_folder = generate::CaminhoMensagem(session.settings.PathOrigem);
  if (appended) end.version_script = generate::CaminhoMensagem(SqlServerVersionScript());
  return end;
}

// Whether the press writes: an installation that is no dry run, a
// numbering that writes the file list.
bool Writes(const RunRequest& request, const RunOptions& options) {
  return request.index == 1 ? !options.dry_run : options.writes_file_list;
}

// Why the press does not run, with its boxes shown when `show`; nothing when
// it runs.
std::optional<RunOutcome> Refusal(const Session& session, const RunRequest& request,
                                  const RunOptions& options, bool show = true) {
  if (session.repository.empty()) {
    if (show) ShowBox("Selecione o Repositorio!!!");
    return RunOutcome::kNoRepository;
  }
  // A dry run reads only and goes on; a run would write under (or read
  // from) a place the configuration does not name.
  if (!session.cut_settings.empty() && !options.dry_run) {
    if (show) {
      for (const std::string& line : session.cut_settings) ShowBox(line);
    }
    return RunOutcome::kIncompleteRepository;
  }
  if (request.index == 1 && session.settings.PathDestino.empty()) {
    // The run would write its folders at the root of the file system.
    if (show) ShowBox("Configuração incompleta do repositório: PathDestino");
    return RunOutcome::kIncompleteRepository;
  }
  return std::nullopt;
}

}  // namespace

std::string WriterLockFolder(const config::RepositorySettings& settings, bool install) {
  if (install) return settings.PathDestino;
  const std::string& list = settings.ArqConfigIni;
  const std::size_t cut = list.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  return list.substr(0, cut == 0 ? 1 : cut);
}

generate::GenerationOptions GenerationOptionsOf(const Session& session, const RunOptions& options) {
  return {.dry_run = options.dry_run, .general = session.general};
}

void RealGenerator::GeraScript(Session& session, std::string_view tipo_objeto, DatabaseKind kind,
                               bool exec) {
  generate::GeraScript(Desktop(), session, tipo_objeto, kind, exec, options_);
}

void RealGenerator::GeraNumeracao(Session& session, std::string_view tipo_objeto,
                                  DatabaseKind kind) {
  generate::GeraNumeracao(Desktop(), session, tipo_objeto, kind);
}

RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request,
                            const RunOptions& options) {
  RealGenerator generator(GenerationOptionsOf(session, options));
  return cmdExecuta_Click(session, request, generator, options);
}

bool LockBeforeReading(const Session& session, const RunRequest& request,
                       const RunOptions& options) {
  if (options.lock == nullptr || options.lock->held() || !Writes(request, options)) return true;
  // A press that will not run says why itself, and locks nothing.
  if (Refusal(session, request, options, /*show=*/false)) return true;
  return LockForWriting(session, request.index == 1, options, options.lock);
}

std::string RunFromWindow(Session& session, int index, std::string tipo_objeto,
                          std::string repository,
                          const std::function<void(bool)>& set_controls_enabled) {
  RunRequest request;
  request.index = index;
  request.tipo_objeto = std::move(tipo_objeto);
  session.repository = std::move(repository);
  const bool lock = !session.repository.empty();
  if (lock) set_controls_enabled(false);
  std::string line;
  {
    BoxCounter boxes;
    cmdExecuta_Click(session, request);
    line = EndLine(session.run_end, RunProblemCount(session, boxes.boxes()));
  }
  if (!line.empty()) {
    // The labels said what the run was reading; now what it wrote.
    RunView& view = *Desktop().view;
    view.SetCaption(Caption::kConfigUtilizado, line);
    view.SetCaption(Caption::kDiretorioOrigem, session.run_end.source_folder);
    view.SetCaption(Caption::kDiretorioDestino, session.run_end.package_folder);
  }
  if (lock) set_controls_enabled(true);
  return line;
}

RunOutcome cmdExecuta_Click(Session& session, const RunRequest& request, Generator& generator,
                            const RunOptions& options) {
  Desktop().view->SetMessageText("");
  session.ResetMessages();
  session.run_end = {};
  if (options.dry_run) {
    // A dry run reads only: it says what was cut and goes on.
    for (const std::string& line : session.cut_settings) {
      generate::AdicionaMensagem(session.Mensagens, line);
    }
  }
  if (const std::optional<RunOutcome> refused = Refusal(session, request, options)) {
    return *refused;
  }
  const bool install = request.index == 1;
  // Files may have changed since the last run, by other hands.
  platform::ForgetListings();
  config::ForgetIniErrors();

  // One writer at a time, from before the first write to after the last
  // (the caller may have taken it already: LockBeforeReading).
  platform::FolderLock own_lock;
  platform::FolderLock* lock = options.lock ? options.lock : &own_lock;
  if (Writes(request, options) && !lock->held() &&
      !LockForWriting(session, install, options, lock)) {
    return RunOutcome::kLocked;
  }

  const std::string selected = text::UpperCase(request.tipo_objeto);
  // One package from one version of the file list, whatever another program
  // saves meanwhile: every call reads the list as it was now.
  std::optional<config::IniSnapshot> file_list;
  if (install) file_list.emplace(session.settings.ArqConfigIni);
  if (install) {
    const bool appended = RunInstallation(session, selected, generator, options.dry_run);
    session.run_end = EndOfInstallation(session, options.dry_run, appended);
  } else {
    generator.GeraNumeracao(session, selected, DatabaseKind::kOracle);
  }
  ShowBox("FIM");
  return RunOutcome::kRan;
}

}  // namespace vkt::app
