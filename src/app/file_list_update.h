// `vktgera numbering --write`: puts the key lines that the numbering showed
// into the object type's section of the repository's file-list configuration.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"

namespace vkt::app {

// The names of the numbering's key lines "FILE<n>=<name>" among `lines`, in
// their order; other lines, and lines without a name, are skipped.
std::vector<std::string> NamesOfKeyLines(const std::vector<std::string>& lines);

struct FileListUpdate {
  bool ok = false;
  int numfiles = 0;   // NUMFILES after the update
  int added = 0;      // names appended
  std::string error;  // when !ok: one line saying why nothing (more) was written
};

// Merges `names` into section `tipo_objeto` of `session.settings.ArqConfigIni`
// through the INI writer: the names already listed (FILE1..FILE<NUMFILES>)
// keep their keys and order; each name not yet listed (compared upper-cased)
// gets the next FILE key, in the order given; NUMFILES becomes the new count.
// Only keys whose value changes are written, so every other line of the file,
// comments included, stays as it was, and nothing at all is written when no
// name is new. A section with an invalid NUMFILES is left alone (error). The
// section and NUMFILES are created when missing. The list is read and
// replaced once: the time taken grows with its size plus the number of
// names.
FileListUpdate UpdateFileList(const Session& session, std::string_view tipo_objeto,
                              const std::vector<std::string>& names);

}  // namespace vkt::app
