// The files a run reads and writes, for telling whether a path the user names
// for a file of his own (a report) would replace one of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/session.h"

namespace vkt::app {

// What a path is to a run.
struct RunFile {
  enum class Role : std::uint8_t { kNone, kInput, kOutput };
  Role role = Role::kNone;
  // "the main configuration", "the file list", "a companion document" (any
  // file in docs/ORACLE or docs/SQLSERVER beside the configuration), "a
  // source script" (a ".ora", ".sql" or ".sql2005" file inside an object
  // type's folder under PathOrigem): inputs; "a file of the package"
  // (anything inside either "02-ATUALIZACAO" folder of PathDestino): output.
  std::string what;
};

// The file of the run of `session` that writing `path` would replace: an
// installation's when `install`, else a check's, which writes no package.
// `path` names one of them when it leads to the same place (links on the
// way followed, a folder that is still missing taken as it would be made,
// letter case aside there), or names the same existing regular file (device
// and inode: a hard link). A link at `path`'s own name is not followed,
// since writing replaces it: it is a place of its own. A path that names a
// stream (platform::KindOfOutput) is compared by the file behind it alone;
// the files of a folder are looked through only for a path whose file has
// other names or is behind a stream.
RunFile RunFileAt(const Session& session, bool install, std::string_view path);

// Whether writing the paths `a` and `b` would write one file, in the sense
// of RunFileAt.
bool SameFile(std::string_view a, std::string_view b);

}  // namespace vkt::app
