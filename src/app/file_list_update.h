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
  // One line per new name that was not written, in the order given:
  // "not written: " + ShownName(name) + " - " + why.
  std::vector<std::string> refused;
  // The list had other hard links, which keep the old content.
  bool other_links = false;
  // The owner of the replaced list, when that was another user; else empty.
  std::string other_owner;
};

// `name` on one line, between double quotes: a backslash and a double quote
// get a backslash before them; tab, CR and LF are shown as \t, \r and \n, other C0 controls
// and DEL as \xHH, and C1 controls, line and paragraph separators and the
// marks that reorder text (U+200E, U+200F, U+202A-U+202E, U+2066-U+2069) as
// \uHHHH. Bytes that are not UTF-8 are shown as \xHH.
std::string ShownName(std::string_view name);

// Merges `names` into section `tipo_objeto` of `session.settings.ArqConfigIni`
// through the INI writer, in the code page of `session.general`: the names already listed
// (FILE1..FILE<NUMFILES>) keep their keys and order; each name not yet listed (compared
// upper-cased) gets the next FILE key, in the order given; NUMFILES becomes the new count. A new
// name is written only when the list gives it back as the same name: one holding a line break, NUL,
// "\" or "/" (read as a path), or one that reads back otherwise (config::INI::HowValueReadsBack:
// characters the list's encoding lacks, blanks at either end, enclosing quotes, beyond the 254
// bytes a value keeps), and one holding a character the numbering shows escaped
// (text::HasControls), goes into `refused` instead and takes no key, so a
// later run does not find it missing and append it again; the others are
// written all the same. Only keys whose value changes are written, in one
// replacement of the file, so every other line of the file, comments
// included, stays as it was, and nothing at all is written when there is no
// name to write and NUMFILES exists. A section with an invalid NUMFILES is
// left alone (error). The section and NUMFILES are created when missing.
// The list is read once per try and replaced only while it is still the file
// read: when another program saves it in between (an editor), its save is
// kept and the list is read and merged again, up to five times; then the
// update gives up (error).
// Costs time in proportion to the size of the list plus the number of names.
FileListUpdate UpdateFileList(const Session& session, std::string_view tipo_objeto,
                              const std::vector<std::string>& names);

}  // namespace vkt::app
