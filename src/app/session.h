// The state a window (or one command-line run) keeps for the whole process:
// the run state of the generation (config::RunState: the settings of the
// chosen repository and the message buffer of the current run), the settings
// of [GERAL] and what only the front ends need. Runs read it; only repository selection writes the
// settings and only AdicionaMensagem appends to the messages.
#pragma once

#include <string>
#include <vector>

#include "config/general_settings.h"
#include "config/run_state.h"

namespace vkt::app {

struct Session : config::RunState {
  // Section [GERAL] of the main configuration, as app::LoadGeneralSettings
  // read it; each run takes it along.
  config::GeneralSettings general;
  // The main configuration file when it is not program_folder's
  // "VKTGeraInstallBD.ini" (the command line's --config FILE).
  std::string main_config_file;
  // Name of the repository chosen in the list (the text of `CbRepos`).
  std::string repository;
  // One line per setting of the chosen repository whose value the 254-byte
  // limit of the ini reader cut (CutSettingMessage); a run refuses such a
  // repository, a dry run reports them.
  std::vector<std::string> cut_settings;

  // Path of the main configuration file.
  std::string MainConfigPath() const {
    return main_config_file.empty() ? program_folder + "\\VKTGeraInstallBD.ini" : main_config_file;
  }
};

}  // namespace vkt::app
