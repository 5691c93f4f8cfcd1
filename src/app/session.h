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

// What the last button press left for its end line (app/run_end.h): set by
// every installation that went through to "FIM", cleared by every press.
struct RunEnd {
  bool ran = false;      // an installation ran to "FIM"; false: nothing to say
  bool dry_run = false;  // it wrote nothing (`vktgera check`)
  // PathDestino and PathOrigem as the run used them, as messages show paths.
  std::string package_folder;
  std::string source_folder;
  // The SQL Server version script the run appended its line to, relative to
  // the package folder (as messages show paths); empty when it appended none.
  std::string version_script;
};

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
  // The end of the last button press.
  RunEnd run_end;

  // Path of the main configuration file.
  std::string MainConfigPath() const {
    return main_config_file.empty() ? program_folder + "\\VKTGeraInstallBD.ini" : main_config_file;
  }
};

}  // namespace vkt::app
