// Where the main configuration "VKTGeraInstallBD.ini" is found, the same for
// the window and the command line. First found wins:
//   1. --config FILE (taken as given, found or not: reading it reports why not);
//   2. the file the window remembers from "Abrir configuração…";
//   3. the executable's folder (unpacked portable copies, as the original);
// then on Linux (the XDG rules)
//   4. $XDG_CONFIG_HOME/vktgerainstallbd/ (default ~/.config);
//   5. each folder of $XDG_CONFIG_DIRS + /vktgerainstallbd/ (default /etc/xdg);
// and on Windows
//   4. %APPDATA%\VKTGeraInstallBD\ for one user;
//   5. %PROGRAMDATA%\VKTGeraInstallBD\ for the whole machine.
// "docs/ORACLE" and "docs/SQLSERVER" are read beside the file found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/session.h"
#include "fs/platform/file_system.h"

namespace vkt::app {

inline constexpr char kMainConfigName[] = "VKTGeraInstallBD.ini";
// The folder below each XDG configuration folder.
inline constexpr char kConfigSubfolder[] = "vktgerainstallbd";
// The folder below %APPDATA% and %PROGRAMDATA%.
inline constexpr char kWindowsConfigSubfolder[] = "VKTGeraInstallBD";

// Which places follow the executable's folder, and how paths are written.
enum class LookupRules : std::uint8_t {
  kXdg,      // $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS; "/" joins, "/" or "\" starts an absolute path
  kWindows,  // %APPDATA%, %PROGRAMDATA%; "\" joins, a drive prefix ("C:") is absolute too
};
// The build's own rules.
inline constexpr LookupRules kBuildLookupRules =
    platform::kPathSeparator == '\\' ? LookupRules::kWindows : LookupRules::kXdg;

// What the lookup reads from the process; tests fill it with temporary
// folders. Empty strings mean "not set".
struct LookupEnvironment {
  LookupRules rules = kBuildLookupRules;
  std::string config_option;      // --config FILE
  std::string remembered;         // the window's remembered choice
  std::string executable_folder;  // folder of the running program
  std::string current_directory;  // for a relative --config
  std::string home;               // $HOME
  std::string xdg_config_home;    // $XDG_CONFIG_HOME
  std::string xdg_config_dirs;    // $XDG_CONFIG_DIRS
  std::string app_data;           // %APPDATA%
  std::string program_data;       // %PROGRAMDATA%
  // Where a window copies the installed example (app/first_start.h); empty:
  // nowhere. Not filled by ProcessLookupEnvironment: the windows' own start
  // (platform::DocumentsFolder), since the command line has no use for it.
  std::string documents;
};

// The running process's environment with the two choices of the front end.
LookupEnvironment ProcessLookupEnvironment(std::string config_option, std::string remembered);

enum class ConfigSource { kOption, kRemembered, kExecutableFolder, kUserFolder, kSystemFolder };

struct ConfigPlace {
  ConfigSource source = ConfigSource::kOption;
  std::string file;  // absolute path of the configuration file, in the rules' form
};

struct ConfigLookup {
  LookupRules rules = kBuildLookupRules;  // those the lookup followed
  bool found = false;
  ConfigPlace place;                // the place found (when `found`)
  std::vector<ConfigPlace> looked;  // every place looked at, in order
};

// Looks in the places above in turn, those of `env.rules`. A place whose
// variable is not usable is skipped: the user folder without $XDG_CONFIG_HOME
// and $HOME, relative entries of the XDG variables (as the XDG rules say);
// %APPDATA% or %PROGRAMDATA% unset or relative. Existence is tested as every
// path of the program is (on POSIX without regard to letter case).
ConfigLookup FindMainConfiguration(const LookupEnvironment& env);

// The text shown when nothing was found: one line naming the file, then one
// line per place looked at, each "  PATH (what it is)".
std::string NotFoundMessage(const ConfigLookup& lookup);

// Points `session` at the configuration `file` (its folder holds "docs").
void UseMainConfiguration(Session& session, const std::string& file);

// When `file` is a folder that holds the main configuration (kMainConfigName,
// found as every path of the program is), the path of that file in the
// rules' form; else "". For the refusal of a folder given for a file.
std::string MainConfigurationInside(LookupRules rules, const std::string& file);

}  // namespace vkt::app
