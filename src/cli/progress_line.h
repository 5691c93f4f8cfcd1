// The progress line `vktgera` draws on a terminal while a script is written:
// the object type, the database, the count of the call's listed files done
// of its total, and the script's path, shortened in its middle to fit.
#pragma once

#include <string>
#include <string_view>

#include "services/desktop.h"

namespace vkt::cli {

// Columns assumed of a terminal that does not tell its width.
inline constexpr int kAssumedColumns = 80;

// The columns a terminal gives `text` (UTF-8): two for each wide East Asian
// character and emoji, one for every other character and for each piece of
// ill-formed UTF-8. Combining marks count one: a line may come out narrower
// than it could, never wider.
int TextColumns(std::string_view text);

// "VIEWS ORACLE 3/10 /pkg/ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql" for
// a terminal of `columns` columns (0: kAssumedColumns). The line takes at
// most `columns` - 1 columns: a console that wraps on the last column would
// otherwise start a new line. A path too long for the rest is cut in its
// middle, "..." standing for what is left out; with no room even for that the
// path is left out, and the rest cut at its end. Characters that would move
// the cursor or change the terminal's state are shown escaped
// (text::EscapeControls).
std::string ProgressLine(const ScriptProgress& progress, int columns);

}  // namespace vkt::cli
