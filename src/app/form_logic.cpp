#include "app/form_logic.h"

#include <algorithm>

#include "app/run_dispatch.h"
#include "app/version.h"
#include "fs/platform/file_system.h"
#include "services/desktop.h"

namespace vkt::app {

std::string StartForm(FormState& state, const LookupEnvironment& environment,
                      const ExamplePlace& example) {
  const ConfigLookup lookup = FindMainConfiguration(environment);
  state.configuration_found = lookup.found;
  if (lookup.found) {
    UseMainConfiguration(state.session, lookup.place.file);
    return {};
  }
  state.session.program_folder = environment.executable_folder;
  return NotFoundMessage(lookup) + "\n\n" +
         FirstStepsText(OfferExample(example, environment.documents));
}

void OpenConfiguration(FormState& state, const std::string& file) {
  state.session = Session();
  UseMainConfiguration(state.session, file);
  state.configuration_found = true;
}

const std::string& OpenDialogFolder(const FormState& state) {
  return state.configuration_found ? state.session.program_folder : state.home_folder;
}

ComboContents LoadForm(FormState& state) {
  for (const config::GeneralKeyProblem& problem : LoadGeneralSettings(state.session)) {
    Desktop().boxes->Show(UnusableSettingMessage(problem), kFormBoxTitle, BoxIcon::kCritical);
  }
  return CarregaCombos(state.session);
}

void PressButton(FormState& state, int index, const std::string& tipo_objeto,
                 const std::string& repositorio,
                 const std::function<void(bool)>& set_controls_enabled) {
  if (state.running) return;
  state.running = true;
  RunFromWindow(state.session, index, tipo_objeto, repositorio, set_controls_enabled);
  state.running = false;
}

std::string StatusText(const FormState& state) {
  if (!state.configuration_found) {
    return std::string("Configuração: nenhuma (") + kMainConfigName + " não encontrada)";
  }
  std::string path = state.session.MainConfigPath();
  if (platform::kPathSeparator == '/') std::replace(path.begin(), path.end(), '\\', '/');
  return "Configuração: " + path;
}

std::string VersionCaption() { return std::string("Versão ") + kVersionText; }

}  // namespace vkt::app
