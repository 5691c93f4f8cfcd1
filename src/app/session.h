// The state a window (or one command-line run) keeps for the whole process:
// the settings of the chosen repository and the message buffer of the current
// run. Runs read it; only repository selection writes the settings and only
// AdicionaMensagem appends to the messages.
#pragma once

#include <string>
#include <vector>

namespace vkt::app {

// The four settings of the chosen repository, named after their ini keys.
struct RepositorySettings {
  std::string SISTEMA;  // upper-cased, trimmed
  // The three paths as read, a relative one joined to the folder of the main
  // configuration (see CarregaConfigRepositorio).
  std::string PathOrigem;    // source root
  std::string PathDestino;   // output root
  std::string ArqConfigIni;  // path of the file-list configuration
};

struct Session {
  // Folder that holds "VKTGeraInstallBD.ini" and "docs" (Windows-form or POSIX).
  std::string program_folder;
  // The main configuration file when it is not program_folder's
  // "VKTGeraInstallBD.ini" (the command line's --config FILE).
  std::string main_config_file;
  // Name of the repository chosen in the list (the text of `CbRepos`).
  std::string repository;
  RepositorySettings settings;
  // `Mensagens`: reset to one empty line at every button press.
  std::vector<std::string> Mensagens{std::string()};
  // The source folders (where they lie on disk) whose "Erro ao ler a pasta"
  // line this run has given, for a dry run that names each folder once.
  std::vector<std::string> folders_reported;

  // A new run: the message buffer and what it has reported start empty.
  void ResetMessages() {
    Mensagens.assign(1, std::string());
    folders_reported.clear();
  }
  // Path of the main configuration file.
  std::string MainConfigPath() const {
    return main_config_file.empty() ? program_folder + "\\VKTGeraInstallBD.ini" : main_config_file;
  }
};

}  // namespace vkt::app
