// Facts about the running process that the file operations need beside the
// file system itself: the executable's name, the host's name and the local
// time zone. Part of the platform layer (see file_system.h); nothing throws.
#pragma once

#include <cstdint>
#include <string>

namespace vkt::platform {

// The running executable's file name without folder and without its last
// extension ("vktgera", "VKTGeraInstallBD"); empty when it cannot be found.
std::string ExecutableName();

// The value of the environment variable `name`; empty when it is not set.
std::string EnvironmentVariable(const std::string& name);

// The user's own folder for documents, where a copy of the installed example
// goes: on Windows the Documents known folder (SHGetKnownFolderPath), else
// %LOCALAPPDATA%; on POSIX what xdg-user-dir DOCUMENTS gives when it is set in
// the environment ($XDG_DOCUMENTS_DIR, absolute), else ~/Documents when that
// folder exists, else $XDG_DATA_HOME (absolute; default ~/.local/share).
// Empty when none can be named (no home folder).
std::string DocumentsFolder();

// The host's name as the system reports it; empty on failure.
std::string HostName();

// Time-zone conversions in the process's local time zone (the TZ environment
// variable, read again on every call). "Local seconds" count the local
// calendar date and time of day as if it were UTC: seconds since 1970-01-01
// 00:00 local time. Both return false when the value is outside what the
// system can convert (`*out` is then left alone).
// UtcToLocalSeconds uses the zone's offset in force at that instant.
bool UtcToLocalSeconds(std::int64_t utc_seconds, std::int64_t* local_seconds);
// A local time that does not exist (skipped by a daylight-saving change) or
// exists twice is settled as the system's mktime settles it.
bool LocalToUtcSeconds(std::int64_t local_seconds, std::int64_t* utc_seconds);

}  // namespace vkt::platform
