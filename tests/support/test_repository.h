// A repository on disk for run-level tests: a source tree, a file-list
// configuration, an output root and a program folder with its docs, all in a
// temporary folder, and the session that points at them.
#pragma once

#include <string>
#include <string_view>

#include "app/session.h"
#include "support/temp_dir.h"

namespace vkt::testing {

class TestRepository {
 public:
  // Session: repository "R1", system `sistema`; PathOrigem = <tmp>/src,
  // PathDestino = <tmp>/out, ArqConfigIni = <tmp>/files.ini, program folder
  // <tmp>/prog.
  explicit TestRepository(std::string_view sistema = "XYZ");

  app::Session session;
  TempDir dir;

  // Writes <tmp>/src/<relative>.
  void Source(std::string_view relative, std::string_view bytes) const {
    dir.Write("src/" + std::string(relative), bytes);
  }
  // Writes the file-list configuration (LF line ends are fine).
  void FileList(std::string_view text) const { dir.Write("files.ini", text); }
  // Writes <tmp>/prog/docs/<relative>.
  void Doc(std::string_view relative, std::string_view bytes) const {
    dir.Write("prog/docs/" + std::string(relative), bytes);
  }
  bool OutputExists(std::string_view relative) const {
    return dir.Exists("out/" + std::string(relative));
  }
  // Writes the main configuration <tmp>/prog/VKTGeraInstallBD.ini listing
  // `repositories`, with a section [R1] naming this repository's system and
  // folders: as Windows-form paths relative to the configuration's folder
  // ("..\src") or as absolute ones. `destino` is PathDestino below <tmp> (""
  // leaves it empty).
  enum class Paths { kRelative, kAbsolute };
  void MainConfiguration(Paths paths, std::string_view repositories = "R1",
                         std::string_view destino = "out") const;
  // Writes the companion files of both kinds for the system "XYZ"; without
  // `policy`, all but the Oracle security-policy script.
  void Companions(bool policy = true) const;
  // <tmp>/<relative> as a POSIX path.
  std::string Path(std::string_view relative) const { return dir / relative; }
};

// UTF-16 little-endian bytes of `utf8`, after the byte-order mark FF FE.
std::string Utf16File(std::string_view utf8);

}  // namespace vkt::testing
