// The repository's file-list configuration: for each object type, NUMFILES and
// the names FILE1..FILEn of the scripts to concatenate, in key order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fs/platform/file_system.h"
#include "services/desktop.h"

namespace vkt::text {
class CodePage;
}  // namespace vkt::text

namespace vkt::config {

class INI;

enum class FileListStatus {
  kOk,
  kMissingSection,  // no section, or NUMFILES missing or empty (not for kCountOptional)
  kInvalidCount,    // NUMFILES is not a whole number from 0 to 1000000
  kUnreadable,      // the file exists but cannot be read (`read_status` tells why)
};

struct FileList {
  FileListStatus status = FileListStatus::kOk;
  std::string numfiles_text;     // NUMFILES as read (trimmed)
  platform::Status read_status;  // kUnreadable: the failure, about the file
  // names[0] is empty; names[i] is the value of FILEi ("" when the key is
  // missing), for i = 1..NUMFILES.
  std::vector<std::string> names{std::string()};
};

// Reads section `tipo_objeto` of the ini file `ini_path`, in the code page
// `page` (config::INI::ININame). A type with the quirk kCountOptional
// (config/object_types.h) reads a missing NUMFILES as 0. A file that cannot
// be read shows the ini reader's box through `boxes`.
FileList ReadFileList(MessageBoxService& boxes, const std::string& ini_path,
                      const text::CodePage& page, std::string_view tipo_objeto);
// The same through `ini` (its file named already), whose Section it sets: a
// writer reads the list it is about to change.
FileList ReadFileList(INI& ini, std::string_view tipo_objeto);

}  // namespace vkt::config
