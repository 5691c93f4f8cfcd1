// The scripts of one source folder as the release checks find and read them
// (app/release_checks.h).
#pragma once

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fs/platform/file_system.h"
#include "generate/script_io.h"
#include "text/codepage.h"

namespace vkt::app {

// The scripts of one source folder, found and opened as RunSeesFile and
// File::Open find them by path. A name that is one entry of the folder is
// answered by the folder's listing and opened relative to the folder: a folder
// may list 300,000 scripts, and resolving and stating each path again cost
// several system calls per name. Any other name, an entry the listing cannot
// tell apart (a FIFO, a device, a link that leads nowhere) and every name of a
// folder that cannot be listed go by path.
class FolderScripts {
 public:
  // Locate's answer for a name the listing cannot settle.
  static constexpr std::size_t kByPath = platform::ListedFolder::kNone - 1;

  explicit FolderScripts(const std::string& folder) : folder_(folder) {
    // A folder that cannot be opened lists nothing: then paths decide.
    listed_.Open(folder_ + "\\");
  }

  const std::string& folder() const { return folder_; }

  // The program path of the file `file_name` of the folder.
  std::string PathOf(std::string_view file_name) const {
    std::string path = folder_;
    path.append("\\").append(file_name);
    return path;
  }

  // Where the file `file_name` (upper-cased: `upper_name`) lies: the index of
  // its entry in the listing, ListedFolder::kNone when the folder holds no
  // such entry, kByPath when the listing cannot settle the name.
  std::size_t Locate(std::string_view file_name, const std::string& upper_name) const;

  // RunSeesFile(PathOf(file_name)), `place` being what Locate gave for it.
  bool Sees(std::string_view file_name, std::size_t place) const;

  // True when the entry `place` (what Locate gave) is a file of the folder
  // itself, no link: where the folder lies, it lies.
  bool Plain(std::size_t place) const {
    return place != kByPath && place != platform::ListedFolder::kNone &&
           !listed_.entry(place).is_link;
  }

  // The files of the folder (no folders) with the extension `extension`
  // whose names equal an earlier one's but for letter case, each with that
  // earlier name (listing order). The run installs only one of such names.
  std::vector<std::pair<std::string, std::string>> CaseTwins(std::string_view extension) const;

  // Opens the file `file_name` for reading as File::Open(PathOf(file_name))
  // does, `place` being what Locate gave for it.
  platform::Status Open(std::string_view file_name, std::size_t place, platform::File* file) const {
    return OpenBy(
        place, [&] { return listed_.OpenEntry(place, file); },
        [&] { return platform::File::Open(PathOf(file_name), platform::File::Mode::kRead, file); });
  }

  // The same for reading its lines in `page` with `reader`.
  platform::Status OpenLines(std::string_view file_name, std::size_t place,
                             const text::CodePage& page, generate::LineReader* reader) const {
    return OpenBy(
        place, [&] { return reader->Open(listed_, place, page); },
        [&] { return reader->Open(PathOf(file_name), page); });
  }

 private:
  // A plain file of the listing is opened through it; an entry gone since
  // the listing was taken, and any other name, by path.
  template <typename ByEntry, typename ByPath>
  platform::Status OpenBy(std::size_t place, ByEntry by_entry, ByPath by_path) const {
    if (place != kByPath && place != platform::ListedFolder::kNone &&
        listed_.entry(place).type == platform::EntryType::kRegular) {
      platform::Status opened = by_entry();
      if (opened.code != ENOENT && opened.code != ENOTDIR) return opened;
    }
    return by_path();
  }

  std::string folder_;
  platform::ListedFolder listed_;
};

}  // namespace vkt::app
