// What a run of the generation reads and appends to: the settings of the
// chosen repository, the folder of the main configuration and the message
// buffer. The front ends keep it inside their app::Session; the generation
// sees only this part.
#pragma once

#include <string>
#include <vector>

namespace vkt::config {

// The four settings of the chosen repository, named after their ini keys.
struct RepositorySettings {
  std::string SISTEMA;  // upper-cased, trimmed
  // The three paths as read, a relative one joined to the folder of the main
  // configuration (see app::CarregaConfigRepositorio).
  std::string PathOrigem;    // source root
  std::string PathDestino;   // output root
  std::string ArqConfigIni;  // path of the file-list configuration
};

struct RunState {
  // Folder that holds "VKTGeraInstallBD.ini" and "docs" (Windows-form or POSIX).
  std::string program_folder;
  RepositorySettings settings;
  // `Mensagens`: reset to one empty line at every button press.
  std::vector<std::string> Mensagens{std::string()};
  // The source folders (where they lie on disk) whose "Erro ao ler a pasta"
  // line this run has given, for a dry run that names each folder once.
  std::vector<std::string> folders_reported;
  // Whether a dry run has given the line of a file list it cannot read.
  bool file_list_reported = false;

  // The names a numbering run showed as message lines instead of key lines
  // (they hold characters that the lines show escaped), in listing order.
  std::vector<std::string> names_not_numbered;

  // A new run: the message buffer and what it has reported start empty.
  void ResetMessages() {
    Mensagens.assign(1, std::string());
    folders_reported.clear();
    file_list_reported = false;
    names_not_numbered.clear();
  }
};

}  // namespace vkt::config
