// What the program's one window does, once for both windows (the Qt one in
// src/gui, the Win32 one in src/win): its start, the loading of its lists,
// a press of a button, what a run disables and what the status line says.
// The windows draw the result and forward their events here.
#pragma once

#include <functional>
#include <string>

#include "app/config_lookup.h"
#include "app/first_start.h"
#include "app/form_design.h"
#include "app/session.h"
#include "app/startup.h"

namespace vkt::app {

// The controls a run disables, and enables again when it ends; the menu
// command "Abrir configuração…" goes with them.
inline constexpr FormControl kControlsOffDuringRun[] = {FormControl::kCmdExecuta0,
                                                        FormControl::kCmdExecuta1,
                                                        FormControl::kCbRepos, FormControl::kCbObj};
inline constexpr FormCommand kCommandOffDuringRun = FormCommand::kMnuAbrirConfiguracao;

// The window's state behind its controls.
struct FormState {
  Session session;
  // A main configuration was read (found at start or opened since).
  bool configuration_found = true;
  // Where "Abrir configuração…" starts while nothing was read.
  std::string home_folder;
  // A button press is being handled (its run yields to the window's events).
  bool running = false;
};

// The window's start: looks up the main configuration in `environment` and
// uses what it finds; when nothing is found, the session's program folder is
// the executable's and the returned text (the places looked at, then the
// first steps with the example at `example`, app/first_start.h) is what the
// message area shows while nothing is read. Empty when one was found.
std::string StartForm(FormState& state, const LookupEnvironment& environment,
                      const ExamplePlace& example);

// What "Abrir configuração…" does once `file` is picked: a new session of that
// main configuration. The window then empties its lists and captions and
// loads the form again (LoadForm).
void OpenConfiguration(FormState& state, const std::string& file);

// Where the file dialog of "Abrir configuração…" starts: the configuration's
// folder, or the home folder while none was read.
const std::string& OpenDialogFolder(const FormState& state);

// `Form_Load`: reads [GERAL] of the main configuration, shows a box for each
// key that cannot be used (the desktop services' boxes) and returns what the
// lists hold. A window that selects the only repository calls
// CarregaConfigRepositorio for it, as a pick does.
ComboContents LoadForm(FormState& state);

// A press of button `index` (0 "Gera Numeração", 1 "Gera Install") with the
// lists' texts: ignored while a run goes on, else the run (RunFromWindow)
// with the controls disabled through `set_controls_enabled`.
void PressButton(FormState& state, int index, const std::string& tipo_objeto,
                 const std::string& repositorio,
                 const std::function<void(bool)>& set_controls_enabled);

// The status line: "Configuração: " and the main configuration file read, or
// "Configuração: nenhuma (VKTGeraInstallBD.ini não encontrada)". On Linux
// the path shows "/" for every "\\".
std::string StatusText(const FormState& state);

// The caption of lblVersao once the form is loaded: "Versão " and the
// program's version.
std::string VersionCaption();

// The title of the boxes the window shows itself.
inline constexpr std::string_view kFormBoxTitle = "VKTGeraInstallBD";

}  // namespace vkt::app
